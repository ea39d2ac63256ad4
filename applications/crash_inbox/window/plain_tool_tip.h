#pragma once

#include <QString>
#include <QTextDocument>

// A tool tip that shows a text as it stands: Qt takes any tool tip that looks like markup for
// markup, and texts from packages may look like anything.
inline QString plainToolTip(const QString& text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}
