#pragma once

#include <QByteArray>
#include <QString>

// Bytes typed in from the wire tables, written as hex with blanks and '|' for readability.
inline QByteArray wire(const char* hex)
{
    QByteArray text(hex);
    text.replace(' ', "").replace('|', "");
    return QByteArray::fromHex(text);
}
