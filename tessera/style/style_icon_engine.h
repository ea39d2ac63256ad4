#pragma once

#include <QIconEngine>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <memory>

class QSvgRenderer;

namespace Tessera {

// How strongly an icon shows: at rest (Normal, Off), disabled, or full.
enum class IconAppearance : quint8 { AtRest = 0, Disabled = 1, Full = 2 };

IconAppearance iconAppearance(QIcon::Mode mode, QIcon::State state);

// Tints the icon's own pixels towards the colour: by 0.2 at rest, 0.7 disabled, not at all
// at full strength.
QPixmap fadeIcon(QImage image, IconAppearance appearance, const QColor& colour);

// What engines cloned from one another share: the SVG path and its renderer.
class StyleIconEngineData
{
public:
    explicit StyleIconEngineData(const QString& path);
    ~StyleIconEngineData();
    StyleIconEngineData(const StyleIconEngineData&) = delete;
    StyleIconEngineData& operator=(const StyleIconEngineData&) = delete;

    const QString& path() const { return m_path; }
    quint64 identifier() const { return m_identifier; }
    // The identifier's bytes in little-endian order as lower-case hexadecimal digits.
    const QString& identifierText() const { return m_identifierText; }

    // Created and loaded on first use.
    QSvgRenderer* renderer();
    void resetRenderer();

private:
    QString m_path;
    std::unique_ptr<QSvgRenderer> m_renderer;
    // 64 bits: never wraps in a process's life, so no two live icons share cache keys.
    quint64 m_identifier;
    QString m_identifierText;
};

// Renders an SVG at exactly the pixel size asked for, faded by mode and state, and keeps the
// result in QPixmapCache.
class StyleIconEngine : public QIconEngine
{
public:
    explicit StyleIconEngine(const QString& path);
    ~StyleIconEngine() override;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;
    void virtual_hook(int id, void* data) override;

    const std::shared_ptr<StyleIconEngineData>& data() const { return m_data; }

    // "ts_style_icon" + identifier + appearance + width + height, all as little-endian hex.
    static QString cacheKey(const StyleIconEngineData& data, IconAppearance appearance,
                            const QSize& size);

    // Drops every live renderer so that the files are read again (after a theme change).
    static void clearRenderers();

private:
    explicit StyleIconEngine(std::shared_ptr<StyleIconEngineData> data);

    std::shared_ptr<StyleIconEngineData> m_data;
};

} // namespace Tessera
