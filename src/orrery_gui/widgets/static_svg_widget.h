#pragma once

#include <QPixmap>
#include <QRectF>
#include <QWidget>

class QSvgRenderer;

namespace Orrery {

// One SVG picture scaled into the widget, kept as a pixmap until size or pixel ratio change.
class StaticSvgWidget : public QWidget
{
    Q_OBJECT

public:
    explicit StaticSvgWidget(QWidget* parent = nullptr);
    ~StaticSvgWidget() override;

    void load(const QString& path);
    // A null view box means the file's own.
    void setViewBox(const QRectF& viewBox);

    QSize sizeHint() const override;

    // What the next paint draws; null when it must be rendered again.
    const QPixmap& cachedPixmap() const { return m_cache; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSizeF viewBoxSize() const;
    QSizeF renderSize(qreal devicePixelRatio) const;
    void dropCache();

    QSvgRenderer* m_renderer;
    Qt::AspectRatioMode m_aspectRatioMode = Qt::KeepAspectRatio;
    QRectF m_viewBox;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    QPixmap m_cache;
};

} // namespace Orrery
