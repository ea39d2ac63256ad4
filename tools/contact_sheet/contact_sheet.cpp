// Renders every SVG of the resource bundles in its four looks (at rest, full, disabled,
// active) on the dark and the light theme's Base, and a line in every role font, into one PNG.
// Fails (status 2, naming them) when there are no icons or an icon paints nothing.
//   tessera-contact-sheet [output.png]
#include "tessera/palette/palette.h"
#include "tessera/resources/fonts.h"
#include "tessera/resources/icons.h"
#include "tessera/style/style.h"
#include "tessera/style/style_icon_engine.h"
#include "tessera/theme/theme_resolution.h"

#include <QApplication>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>

#include <cstdio>

namespace {

constexpr int IconSize = 32;
constexpr int RowHeight = 44;
constexpr int NameWidth = 330;
constexpr int PanelWidth = NameWidth + 4 * (IconSize + 16) + 20;

struct Look {
    QIcon::Mode mode;
    QIcon::State state;
};
constexpr Look Looks[] = {{QIcon::Normal, QIcon::Off},
                          {QIcon::Normal, QIcon::On},
                          {QIcon::Disabled, QIcon::Off},
                          {QIcon::Active, QIcon::Off}};

QStringList bundledSvgFiles()
{
    QStringList files;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.svg")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

void useTheme(ThemeMode mode)
{
    QPixmapCache::clear();
    Tessera::StyleIconEngine::clearRenderers();
    QDir::setSearchPaths(QStringLiteral("tessera"), Tessera::themeSearchPaths(mode));
    QApplication::setStyle(new Tessera::Style(Tessera::Palette::forTheme(mode)));
}

// Whether the look of the icon leaves any mark.
bool paintsSomething(const QIcon& icon, const Look& look)
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect(), Qt::AlignCenter, look.mode, look.state);
    painter.end();
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

void drawPanel(QPainter& painter, ThemeMode mode, int left, const QStringList& files, int height,
               QStringList& blank)
{
    useTheme(mode);
    const Tessera::Palette& palette = Tessera::Palette::current();
    painter.fillRect(QRect(left, 0, PanelWidth, height), palette.color(QPalette::Base));
    painter.setPen(palette.color(QPalette::Text));
    painter.setFont(Tessera::roleFont(Tessera::FontRole::LargeStrongCaps));
    painter.drawText(QRect(left + 10, 6, PanelWidth, 24), Qt::AlignVCenter,
                     mode == ThemeMode::Dark ? QStringLiteral("Dark") : QStringLiteral("Light"));
    painter.setFont(Tessera::roleFont(Tessera::FontRole::Fine));
    const char* lookNames[] = {"rest", "full", "disabled", "active"};
    for (int look = 0; look < 4; ++look)
        painter.drawText(QRect(left + NameWidth + look * (IconSize + 16), 30, IconSize + 16, 12),
                         Qt::AlignCenter, QString::fromLatin1(lookNames[look]));

    int y = 44;
    for (const QString& file : files) {
        painter.setFont(Tessera::roleFont(Tessera::FontRole::Control));
        painter.setPen(palette.color(QPalette::Text));
        painter.drawText(QRect(left + 10, y, NameWidth - 10, RowHeight), Qt::AlignVCenter, file);
        const QIcon icon = Tessera::makeIcon(file);
        for (int look = 0; look < 4; ++look) {
            const QRect target(left + NameWidth + look * (IconSize + 16) + 8,
                               y + (RowHeight - IconSize) / 2, IconSize, IconSize);
            icon.paint(&painter, target, Qt::AlignCenter, Looks[look].mode, Looks[look].state);
            if (!paintsSomething(icon, Looks[look]))
                blank << QStringLiteral("%1 (%2, look %3)")
                             .arg(file, mode == ThemeMode::Dark ? "dark" : "light")
                             .arg(look);
        }
        y += RowHeight;
    }
    for (int role = 0; role < Tessera::FontRoleCount; ++role) {
        painter.setFont(Tessera::roleFont(Tessera::FontRole(role)));
        painter.setPen(palette.color(QPalette::Text));
        painter.drawText(
            QRect(left + 10, y, PanelWidth - 20, 30), Qt::AlignVCenter,
            QStringLiteral("Role %1: Sorry, something went wrong... 0123456789").arg(role));
        y += 30;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("contact_sheet.png");
    const QStringList files = bundledSvgFiles();
    const int height = 44 + int(files.size()) * RowHeight + 8 * 30 + 10;
    QImage sheet(2 * PanelWidth, height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QStringList blank;
    drawPanel(painter, ThemeMode::Dark, 0, files, height, blank);
    drawPanel(painter, ThemeMode::Light, PanelWidth, files, height, blank);
    painter.end();
    if (!sheet.save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    if (files.isEmpty() || !blank.isEmpty()) {
        std::fprintf(stderr, "%lld icons; painting nothing: %s\n", qlonglong(files.size()),
                     qPrintable(blank.join(QStringLiteral(", "))));
        return 2;
    }
    std::printf("%s: %lld icons, 8 role fonts\n", qPrintable(output), qlonglong(files.size()));
    return 0;
}
