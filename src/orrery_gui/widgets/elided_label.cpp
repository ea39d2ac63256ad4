#include "elided_label.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QToolTip>

#include <cmath>

namespace Orrery {

ElidedLabel::ElidedLabel(QWidget* parent)
    : ElidedLabel(QString(), parent)
{}

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QFrame(parent)
    , m_text(text)
{
    setSizePolicy(QSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred, QSizePolicy::Label));
    updateElidedText();
}

void ElidedLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    textLayoutChanged();
}

QSize ElidedLabel::sizeHint() const
{
    if (m_sizeHint.isValid())
        return m_sizeHint;
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    m_sizeHint =
        QSize(margins.left() + margins.right() + int(std::ceil(metrics.horizontalAdvance(m_text))),
              margins.top() + margins.bottom() + int(std::ceil(metrics.height())));
    return m_sizeHint;
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, int(std::ceil(QFontMetricsF(font()).height())));
}

bool ElidedLabel::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (m_elided) {
            const auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), m_text, this, rect());
            event->accept();
            return true;
        }
        break;
    case QEvent::FontChange:
    case QEvent::ContentsRectChange:
        textLayoutChanged();
        break;
    default:
        break;
    }
    return QFrame::event(event);
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (event->size().width() < sizeHint().width() || m_elided)
        updateElidedText();
}

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    style()->drawItemText(&painter, contentsRect(), int(m_alignment), palette(), isEnabled(),
                          m_elidedText, foregroundRole());
}

void ElidedLabel::updateElidedText()
{
    m_elidedText = fontMetrics().elidedText(m_text, m_elideMode, contentsRect().width());
    m_elided = m_elidedText != m_text;
}

void ElidedLabel::textLayoutChanged()
{
    updateElidedText();
    m_sizeHint = QSize();
    updateGeometry();
    update();
}

} // namespace Orrery
