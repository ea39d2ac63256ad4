#pragma once

#include <QFrame>
#include <QIcon>

namespace Orrery {

// An icon at a fixed size, greyed when the label is disabled.
class IconLabel : public QFrame
{
    Q_OBJECT

public:
    explicit IconLabel(QWidget* parent = nullptr);
    explicit IconLabel(const QIcon& icon, QWidget* parent = nullptr);

    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    // An invalid size means the style's small icon size.
    QSize iconSize() const { return m_iconSize; }
    void setIconSize(const QSize& size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

    virtual void drawIcon(QPainter* painter, const QRect& rect);
    virtual QPixmap iconPixmap(const QIcon& icon, const QSize& size, QIcon::Mode mode,
                               QIcon::State state) const;
    virtual QSize defaultIconSize() const;
    virtual QIcon::Mode iconMode() const;

private:
    QSize effectiveIconSize() const;

    QIcon m_icon;
    QSize m_iconSize;
    QIcon::State m_iconState = QIcon::Off;
};

} // namespace Orrery
