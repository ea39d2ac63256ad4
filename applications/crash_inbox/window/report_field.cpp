#include "report_field.h"

#include "plain_tool_tip.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

ReportField::ReportField(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    // Looks like the captions beside it, not like a field to type into.
    setAutoFillBackground(false);
    QPalette transparent = palette();
    transparent.setColor(QPalette::Base, Qt::transparent);
    setPalette(transparent);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ReportField::setValue(const QString& value)
{
    setText(value);
    setCursorPosition(0);
    setToolTip(plainToolTip(value));
}

void ReportField::paintEvent(QPaintEvent* event)
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                           .marginsRemoved(textMargins());
    if (hasFocus() || fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}
