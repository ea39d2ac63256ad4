#include "style_icon_engine.h"

#include "orrery_gui/painting/geometry.h"
#include "tessera/palette/palette.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <QtEndian>

#include <cmath>
#include <set>

namespace Tessera {
namespace {

constexpr char CacheKeyPrefix[] = "ts_style_icon";

quint64 nextIdentifier = 0;

std::set<StyleIconEngineData*>& liveData()
{
    static std::set<StyleIconEngineData*> registry;
    return registry;
}

template <typename Number>
QString littleEndianHex(Number value)
{
    const Number littleEndian = qToLittleEndian(value);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(&littleEndian), sizeof littleEndian).toHex());
}

double strengthFactor(IconAppearance appearance)
{
    switch (appearance) {
    case IconAppearance::AtRest:
        return 0.8;
    case IconAppearance::Disabled:
        return 0.3;
    case IconAppearance::Full:
        break;
    }
    return 1.0;
}

qreal devicePixelRatioOf(const QPainter* painter)
{
    if (painter->device() != nullptr)
        return painter->device()->devicePixelRatioF();
    return qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
}

} // namespace

IconAppearance iconAppearance(QIcon::Mode mode, QIcon::State state)
{
    if (mode == QIcon::Disabled)
        return IconAppearance::Disabled;
    if (mode == QIcon::Normal && state == QIcon::Off)
        return IconAppearance::AtRest;
    return IconAppearance::Full;
}

QPixmap fadeIcon(QImage image, IconAppearance appearance, const QColor& colour)
{
    const double factor = strengthFactor(appearance);
    if (!Orrery::fuzzyEqual(factor, 1.0) && !image.isNull()) {
        if (image.format() != QImage::Format_ARGB32_Premultiplied)
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        QColor tint = colour;
        tint.setAlphaF(float(1.0 - factor));
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(image.rect(), tint);
    }
    return QPixmap::fromImage(std::move(image));
}

StyleIconEngineData::StyleIconEngineData(const QString& path)
    : m_path(path)
    , m_identifier(nextIdentifier++)
    , m_identifierText(littleEndianHex(m_identifier))
{
    liveData().insert(this);
}

StyleIconEngineData::~StyleIconEngineData()
{
    liveData().erase(this);
}

QSvgRenderer* StyleIconEngineData::renderer()
{
    if (!m_renderer) {
        m_renderer = std::make_unique<QSvgRenderer>();
        m_renderer->setFramesPerSecond(0);
        m_renderer->setAspectRatioMode(Qt::KeepAspectRatio);
        m_renderer->load(m_path);
    }
    return m_renderer.get();
}

void StyleIconEngineData::resetRenderer()
{
    m_renderer.reset();
}

StyleIconEngine::StyleIconEngine(const QString& path)
    : m_data(std::make_shared<StyleIconEngineData>(path))
{}

StyleIconEngine::StyleIconEngine(std::shared_ptr<StyleIconEngineData> data)
    : m_data(std::move(data))
{}

StyleIconEngine::~StyleIconEngine() = default;

QIconEngine* StyleIconEngine::clone() const
{
    return new StyleIconEngine(m_data);
}

QString StyleIconEngine::key() const
{
    return QStringLiteral("TesseraStyleIconEngine");
}

QSize StyleIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    // A file that did not load has no view box at all.
    const QSvgRenderer* renderer = m_data->renderer();
    if (!renderer->isValid())
        return {};
    return renderer->viewBox().size().scaled(size, Qt::KeepAspectRatio);
}

QString StyleIconEngine::cacheKey(const StyleIconEngineData& data, IconAppearance appearance,
                                  const QSize& size)
{
    return QString::fromLatin1(CacheKeyPrefix) + data.identifierText() +
           littleEndianHex(quint8(appearance)) + littleEndianHex(qint32(size.width())) +
           littleEndianHex(qint32(size.height()));
}

QPixmap StyleIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const QSize actual = actualSize(size, mode, state);
    const IconAppearance appearance = iconAppearance(mode, state);
    const QString key = cacheKey(*m_data, appearance, actual);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    if (actual.isEmpty())
        return {};

    const QColor base = Palette::current().color(QPalette::Base);
    QImage image(actual, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    QPainter painter(&image);
    m_data->renderer()->render(&painter, QRectF(image.rect()));
    painter.end();
    pixmap = fadeIcon(std::move(image), appearance, base);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void StyleIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                            QIcon::State state)
{
    const qreal ratio = devicePixelRatioOf(painter);
    const QSize pixelSize(int(std::round(rect.width() * ratio)),
                          int(std::round(rect.height() * ratio)));
    painter->drawPixmap(rect, pixmap(pixelSize, mode, state));
}

void StyleIconEngine::virtual_hook(int id, void* data)
{
    if (id == QIconEngine::IsNullHook) {
        *static_cast<bool*>(data) = !m_data->renderer()->isValid();
        return;
    }
    QIconEngine::virtual_hook(id, data);
}

void StyleIconEngine::clearRenderers()
{
    for (StyleIconEngineData* data : liveData())
        data->resetRenderer();
}

} // namespace Tessera
