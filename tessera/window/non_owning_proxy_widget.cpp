#include "non_owning_proxy_widget.h"

#include <QResizeEvent>

namespace Tessera {

NonOwningProxyWidget::NonOwningProxyWidget(QWidget* parent)
    : QWidget(parent)
{}

NonOwningProxyWidget::~NonOwningProxyWidget()
{
    setWidget(nullptr);
}

void NonOwningProxyWidget::setWidget(QWidget* widget)
{
    if (widget == m_widget)
        return;
    if (m_widget) {
        m_widget->hide();
        m_widget->setParent(nullptr);
    }
    m_widget = widget;
    if (!widget)
        return;
    widget->setParent(this);
    widget->show();
    if (isVisible())
        widget->resize(size());
}

QSize NonOwningProxyWidget::sizeHint() const
{
    return m_widget ? m_widget->sizeHint() : QSize();
}

QSize NonOwningProxyWidget::minimumSizeHint() const
{
    return m_widget ? m_widget->minimumSizeHint() : QSize();
}

void NonOwningProxyWidget::resizeEvent(QResizeEvent* event)
{
    if (m_widget)
        m_widget->resize(event->size());
    QWidget::resizeEvent(event);
}

} // namespace Tessera
