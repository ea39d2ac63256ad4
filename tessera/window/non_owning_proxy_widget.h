#pragma once

#include <QPointer>
#include <QWidget>

namespace Tessera {

// Hosts a widget it does not own: the hosted widget takes the host's size and survives it.
class NonOwningProxyWidget : public QWidget
{
    Q_OBJECT

public:
    explicit NonOwningProxyWidget(QWidget* parent = nullptr);
    ~NonOwningProxyWidget() override;

    QWidget* widget() const { return m_widget; }
    void setWidget(QWidget* widget);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> m_widget;
};

} // namespace Tessera
