#include "gallery_dialog.h"
#include "tessera/application/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>

namespace {

Orrery::ApplicationDescription galleryDescription()
{
    return {.organisationName = QStringLiteral("Varnel Professional"),
            .organisationDomain = QStringLiteral("varnel.example"),
            .applicationName = QStringLiteral("Tessera Gallery"),
            .version = {1, 0, 0, 0},
            .legalName = QStringLiteral("Varnel Professional Ltd"),
            .buildCommit = QStringLiteral("0000000"),
            .buildDate = QStringLiteral(__DATE__),
            .buildTime = QStringLiteral(__TIME__)};
}

// The toolkit installs the theme before launched() opens the gallery.
class GalleryApplication : public Tessera::Application<QApplication>
{
public:
    GalleryApplication(int& argc, char** argv)
        : Tessera::Application<QApplication>(argc, argv, galleryDescription())
    {}

    bool fixedWidth = false;
    QString open;

protected:
    void launched() override
    {
        m_dialog = new GalleryDialog;
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        if (fixedWidth)
            m_dialog->setFixedWidth(720);
        m_dialog->show();
        if (open == QLatin1String("message-box"))
            m_dialog->openMessageBox();
        else if (open == QLatin1String("file-dialog"))
            m_dialog->openFileDialog();
        else if (open == QLatin1String("menu"))
            m_dialog->openMenu();
    }

private:
    QPointer<GalleryDialog> m_dialog;
};

ThemeMode themeNamed(const QString& name)
{
    if (name == QLatin1String("light"))
        return ThemeMode::Light;
    return name == QLatin1String("system") ? ThemeMode::System : ThemeMode::Dark;
}

} // namespace

// tessera-gallery [--theme dark|light|system] [--fixed-width]
//                 [--open message-box|file-dialog|menu]
int main(int argc, char* argv[])
{
    GalleryApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption theme(QStringLiteral("theme"), QStringLiteral("dark, light or system"),
                                   QStringLiteral("theme"), QStringLiteral("dark"));
    const QCommandLineOption fixedWidth(QStringLiteral("fixed-width"),
                                        QStringLiteral("A dialog whose width cannot change."));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("Opens a message box, a file dialog or the menu."),
                                  QStringLiteral("what"));
    parser.addOptions({theme, fixedWidth, open});
    parser.addHelpOption();
    parser.process(application);
    application.setThemeMode(themeNamed(parser.value(theme)));
    application.fixedWidth = parser.isSet(fixedWidth);
    application.open = parser.value(open);
    return QApplication::exec();
}
