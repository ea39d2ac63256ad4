#include "tessera/palette/palette.h"
#include "tessera/theme/style_installation.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <malloc.h>

using namespace Tessera;

namespace {

// Heap bytes in use: unlike the resident size, not blurred by what malloc keeps for reuse.
qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

// Average growth of the heap per round, after rounds that fill every cache there is.
double growthPerRound(const std::function<void(int)>& round)
{
    for (int i = 0; i < 60; ++i)
        round(i);
    const int rounds = 300;
    const qint64 before = heapInUse();
    for (int i = 0; i < rounds; ++i)
        round(i);
    return double(heapInUse() - before) / rounds;
}

void showFileDialog(const QString& folder)
{
    QFileDialog dialog(nullptr, "Save crash dump file", folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.open();
    QTest::qWait(2);
    dialog.reject();
}

} // namespace

// Dialogs opened and closed all day, and themes changed under them, leave no memory behind.
class TestDialogMemory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private Q_SLOTS:
    void initTestCase()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer allocates from its own heap, which mallinfo2 does not see");
#endif
        installStyle(ThemeMode::Light);
        for (const char* name : {"a.cdp", "b.txt"}) {
            QFile file(m_folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(m_folder.path()).mkdir("folder"));
    }

    void fileDialogCycles()
    {
        const double growth = growthPerRound([&](int) { showFileDialog(m_folder.path()); });
        QVERIFY2(growth < 1024, qPrintable(QString("%1 bytes per dialog").arg(growth)));
    }

    void themeChangesUnderAnOpenFileDialog()
    {
        QFileDialog dialog(nullptr, "Save crash dump file", m_folder.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.open();
        const double growth = growthPerRound([](int i) {
            installStyle(i % 2 ? ThemeMode::Dark : ThemeMode::Light);
            QTest::qWait(2);
        });
        QVERIFY2(growth < 1024, qPrintable(QString("%1 bytes per theme change").arg(growth)));
    }
};

int main(int argc, char* argv[])
{
    // The dialog remembers its places in the settings of the home folder: a private one.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QApplication application(argc, argv);
    TestDialogMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialog_memory.moc"
