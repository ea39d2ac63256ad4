#include "gallery_dialog.h"
#include "palette/palette.h"
#include "style/style.h"
#include "theme/theme_resolution.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

// tessera-gallery [--theme dark|light] [--fixed-width] [--open message-box|file-dialog|menu]
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption theme(QStringLiteral("theme"), QStringLiteral("dark or light"),
                                   QStringLiteral("theme"), QStringLiteral("dark"));
    const QCommandLineOption fixedWidth(QStringLiteral("fixed-width"),
                                        QStringLiteral("A dialog whose width cannot change."));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("Opens a message box, a file dialog or the menu."),
                                  QStringLiteral("what"));
    parser.addOptions({theme, fixedWidth, open});
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
        dialog.setFixedWidth(720);
    dialog.show();
    const QString what = parser.value(open);
    QTimer::singleShot(0, &dialog, [&dialog, what] {
        if (what == QLatin1String("message-box"))
            dialog.openMessageBox();
        else if (what == QLatin1String("file-dialog"))
            dialog.openFileDialog();
        else if (what == QLatin1String("menu"))
            dialog.openMenu();
    });
    return QApplication::exec();
}
