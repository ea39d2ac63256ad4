#pragma once

#include <QHash>
#include <QIconEngine>
#include <QPixmap>
#include <QStyle>

#include <functional>

namespace Tessera {

// Serves a bitmap icon (the common style's standard icons) at any size and mode, keeping
// what it scaled or faded itself instead of in QPixmapCache. Qt 6.4 never forgets a string
// key once inserted there, and its own pixmap icons insert a new key for every new icon and
// every palette: each file dialog and each theme change used to leave memory behind.
class BitmapIconEngine : public QIconEngine
{
public:
    // The source's pixmaps at its available sizes (Normal, Off), read once.
    explicit BitmapIconEngine(const QIcon& source);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;

    // The icon the common style gives, wrapped, made once per process for each pixmap and
    // direction; a null icon stays null.
    static QIcon standardIcon(QStyle::StandardPixmap standardPixmap, Qt::LayoutDirection direction,
                              const std::function<QIcon()>& make);

private:
    const QPixmap* bestSource(const QSize& size) const;

    QList<QPixmap> m_sources;
    // Pixmaps made for the current application palette, by size and mode.
    QHash<quint64, QPixmap> m_made;
    qint64 m_paletteKey = 0;
};

} // namespace Tessera
