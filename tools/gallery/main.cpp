#include "gallery_dialog.h"
#include "palette/palette.h"
#include "style/style.h"
#include "theme/theme_resolution.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

// tessera-gallery [--theme dark|light] [--fixed-width]
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption theme(QStringLiteral("theme"), QStringLiteral("dark or light"),
                                   QStringLiteral("theme"), QStringLiteral("dark"));
    const QCommandLineOption fixedWidth(QStringLiteral("fixed-width"),
                                        QStringLiteral("A dialog whose width cannot change."));
    parser.addOptions({theme, fixedWidth});
    parser.addHelpOption();
    parser.process(application);

    const ThemeMode mode =
        parser.value(theme) == QLatin1String("light") ? ThemeMode::Light : ThemeMode::Dark;
    QDir::setSearchPaths(QStringLiteral("tessera"), Tessera::themeSearchPaths(mode));
    const Tessera::Palette palette = Tessera::Palette::forTheme(mode);
    QApplication::setStyle(new Tessera::Style(palette));
    QApplication::setPalette(palette);

    GalleryDialog dialog;
    if (parser.isSet(fixedWidth))
        dialog.setFixedWidth(480);
    dialog.show();
    return QApplication::exec();
}
