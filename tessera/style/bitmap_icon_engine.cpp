#include "bitmap_icon_engine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QStyleOption>

namespace Tessera {
namespace {

// Icons live until the application goes: pixmaps must not outlive it.
QHash<quint32, QIcon>& standardIcons()
{
    static QHash<quint32, QIcon> icons;
    static const bool dropsWithApplication = [] {
        qAddPostRoutine([] { icons.clear(); });
        return true;
    }();
    Q_UNUSED(dropsWithApplication);
    return icons;
}

quint64 madeKey(const QSize& size, QIcon::Mode mode)
{
    return (quint64(quint16(size.width())) << 32) | (quint64(quint16(size.height())) << 16) |
           quint64(mode);
}

} // namespace

BitmapIconEngine::BitmapIconEngine(const QIcon& source)
{
    for (const QSize& size : source.availableSizes())
        m_sources.append(source.pixmap(size));
}

QIcon BitmapIconEngine::standardIcon(QStyle::StandardPixmap standardPixmap,
                                     Qt::LayoutDirection direction,
                                     const std::function<QIcon()>& make)
{
    const quint32 key = (quint32(standardPixmap) << 1) | (direction == Qt::RightToLeft ? 1 : 0);
    auto& icons = standardIcons();
    const auto found = icons.constFind(key);
    if (found != icons.cend())
        return *found;
    const QIcon source = make();
    const QIcon icon = source.isNull() || source.availableSizes().isEmpty()
                           ? source
                           : QIcon(new BitmapIconEngine(source));
    icons.insert(key, icon);
    return icon;
}

const QPixmap* BitmapIconEngine::bestSource(const QSize& size) const
{
    // The smallest that covers the size, else the largest.
    const QPixmap* best = nullptr;
    for (const QPixmap& source : m_sources) {
        const bool covers = source.width() >= size.width() && source.height() >= size.height();
        const bool bestCovers =
            best && best->width() >= size.width() && best->height() >= size.height();
        if (!best || (covers && (!bestCovers || source.width() < best->width())) ||
            (!covers && !bestCovers && source.width() > best->width()))
            best = &source;
    }
    return best;
}

QSize BitmapIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    const QPixmap* source = bestSource(size);
    if (!source)
        return {};
    QSize actual = source->size();
    if (actual.width() > size.width() || actual.height() > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QPixmap BitmapIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const QSize actual = actualSize(size, mode, state);
    if (actual.isEmpty())
        return {};
    // Disabled and active pixmaps follow the style and its palette.
    const qint64 paletteKey = QGuiApplication::palette().cacheKey();
    if (paletteKey != m_paletteKey) {
        m_made.clear();
        m_paletteKey = paletteKey;
    }
    const quint64 key = madeKey(actual, mode);
    if (const auto found = m_made.constFind(key); found != m_made.cend())
        return *found;
    QPixmap made = *bestSource(size);
    if (made.size() != actual)
        made = made.scaled(actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, made, &option);
        if (!generated.isNull())
            made = generated;
    }
    m_made.insert(key, made);
    return made;
}

void BitmapIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                             QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap pixmap = this->pixmap(rect.size() * ratio, mode, state);
    if (pixmap.isNull())
        return;
    pixmap.setDevicePixelRatio(ratio);
    const QSize shown = pixmap.deviceIndependentSize().toSize();
    painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                      (rect.height() - shown.height()) / 2),
                              shown),
                        pixmap);
}

QList<QSize> BitmapIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const QPixmap& source : m_sources)
        sizes.append(source.size());
    return sizes;
}

QString BitmapIconEngine::key() const
{
    return QStringLiteral("ts_bitmap_icon");
}

QIconEngine* BitmapIconEngine::clone() const
{
    return new BitmapIconEngine(*this);
}

} // namespace Tessera
