#include "orrery_core/io/file_archive.h"
#include "process_capture.h"

#include <QBuffer>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <map>

using Orrery::FileArchive;
using Format = FileArchive::Format;
using Compression = FileArchive::CompressionMode;

namespace {

// Path in the archive -> content; directories hold "<dir>".
using Tree = std::map<QString, QByteArray>;

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : "TOOL FAILED";
}

Tree readFolder(const QString& folder)
{
    Tree tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        tree[QDir(folder).relativeFilePath(file.fileName())] =
            it.fileInfo().isDir() ? "<dir>" : file.readAll();
    }
    return tree;
}

Tree readWithFileArchive(const QByteArray& bytes, Format format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    FileArchive reader;
    Tree tree;
    FileArchive::Entry entry;
    reader.open(FileArchive::Mode::Read, &buffer, format);
    while (reader.nextEntry(entry)) {
        QByteArray data;
        const bool directory = entry.type == FileArchive::EntryType::Directory;
        if (!reader.readEntryData(data) || entry.permissions != (directory ? 0755 : 0644))
            data = "BAD ENTRY";
        tree[entry.name.endsWith('/') ? entry.name.chopped(1) : entry.name] =
            directory ? "<dir>" : data;
    }
    return tree;
}

bool writeArchive(QIODevice* device, Format format, const QList<QPair<QString, QString>>& items,
                  Compression compression = Compression::Default)
{
    FileArchive archive;
    if (!archive.open(FileArchive::Mode::Write, device, format, compression))
        return false;
    bool added = true;
    for (const auto& [source, name] : items)
        added = archive.add(source, name) && added;
    return archive.close() && added;
}

// Incompressible content, so that compressed archives stay large.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, 0);
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Accepts the first limit bytes, then refuses.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit)
        : m_limit(limit)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        m_limit -= length;
        return m_limit < 0 ? -1 : length;
    }

private:
    qint64 m_limit;
};

} // namespace

class TestFileArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    Tree m_tree = {
        {"bundle", "<dir>"},           {"bundle/empty", "<dir>"},
        {"bundle/.hidden", "secret"},  {QString::fromUtf8("bundle/Ünïcödé файл.bin"), noise(20000)},
        {"bundle/deeper", "<dir>"},    {"bundle/deeper/" + QString(120, 'n'), noise(8192 * 3 + 17)},
        {"bundle/deeper/zero.bin", {}}};

private Q_SLOTS:
    void initTestCase()
    {
        for (const auto& [name, content] : m_tree) {
            const QString path = m_folder.filePath("top" + name.mid(6));
            QFile file(path);
            QVERIFY(content == "<dir>"
                        ? QDir().mkpath(path)
                        : file.open(QIODevice::WriteOnly) && file.write(content) >= 0);
        }
    }

    // Every archive is read back by bsdtar and by our own reader; the tar formats also by GNU
    // tar, gzip and Python's tarfile (names, types, permissions and sizes).
    void formats_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<Compression>("compression");
        QTest::newRow("tar.gz") << Format::TarGz << Compression::Default;
        QTest::newRow("tar.gz stored") << Format::TarGz << Compression::None;
        QTest::newRow("tar") << Format::Tar << Compression::Default;
        QTest::newRow("zip") << Format::Zip << Compression::Default;
        QTest::newRow("7z") << Format::SevenZip << Compression::Default;
    }

    void formats()
    {
        QFETCH(Format, format);
        QFETCH(Compression, compression);
        const QString path = m_folder.filePath(QString("out-") + QTest::currentDataTag());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeArchive(&file, format, {{m_folder.filePath("top"), "bundle"}}, compression));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(readWithFileArchive(file.readAll(), format), m_tree);
        const QString out = path + "-extracted";
        QDir().mkpath(out);
        QCOMPARE(runTool("bsdtar", {"-xf", path, "-C", out}), QByteArray());
        QCOMPARE(readFolder(out), m_tree);
        if (format != Format::Tar && format != Format::TarGz)
            return;
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QCOMPARE(runTool("tar", {"-xf", path, "-C", out}), QByteArray());
        QCOMPARE(readFolder(out), m_tree);
        QStringList listing = QString::fromUtf8(runTool("python3", {"-c", R"(import sys, tarfile
for m in tarfile.open(sys.argv[1]): print(m.name, oct(m.mode), m.size, sep='|'))",
                                                                    path}))
                                  .split('\n', Qt::SkipEmptyParts),
                    wanted;
        for (const auto& [name, content] : m_tree)
            wanted << (content == "<dir>" ? name + "|0o755|0"
                                          : QString("%1|0o644|%2").arg(name).arg(content.size()));
        listing.sort();
        wanted.sort();
        QCOMPARE(listing, wanted);
        // A level-0 stream holds only stored deflate blocks (BTYPE 00) after the 10-byte header.
        if (format == Format::TarGz)
            QCOMPARE(runTool("python3", {"-c",
                                         "import sys; raw = open(sys.argv[1], 'rb').read(); "
                                         "print((raw[10] >> 1) & 3 == 0)",
                                         path}),
                     QByteArray(compression == Compression::None ? "True\n" : "False\n"));
    }

    void refusals()
    {
        QBuffer notOpen, buffer;
        buffer.open(QIODevice::ReadWrite);
        FileArchive archive;
        QVERIFY(!archive.open(FileArchive::Mode::Write, &notOpen, Format::TarGz));
        QCOMPARE(FileArchive::lastError(), 9); // "IO device isn't open"
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, static_cast<Format>(4)));
        QCOMPARE(FileArchive::lastError(), FileArchive::UnsupportedFormat);
        QVERIFY(!archive.add(m_folder.filePath("top/.hidden")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(!archive.add(m_folder.filePath("absent")));
        QCOMPARE(FileArchive::lastError(), FileArchive::FileNotFound);
        QVERIFY(archive.add(m_folder.filePath("top/empty"), "nothing"));
        QVERIFY(archive.close() && archive.close());
        buffer.seek(0);
        QVERIFY(archive.open(FileArchive::Mode::Read, &buffer, Format::Tar));
        QVERIFY(!archive.add(m_folder.filePath("top/.hidden")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        FileArchive::Entry entry;
        QVERIFY(archive.nextEntry(entry));
        char byte;
        QCOMPARE(archive.readEntryData(&byte, -1), -1);
        QCOMPARE(FileArchive::lastError(), EINVAL);
    }

    void symbolicLinkCycleEnds()
    {
        QDir(m_folder.path()).mkpath("loop/inner");
        QVERIFY(QFile::link(m_folder.filePath("loop"), m_folder.filePath("loop/inner/back")));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeArchive(&buffer, Format::Tar, {{m_folder.filePath("loop"), "loop"}}));
        QCOMPARE(FileArchive::lastError(), FileArchive::SymbolicLinkCycle);
        QCOMPARE(readWithFileArchive(buffer.data(), Format::Tar),
                 Tree({{"loop", "<dir>"}, {"loop/inner", "<dir>"}}));
    }

    // An entry holds exactly the size in its header; a source that cannot be opened leaves no
    // entry at all.
    void sourcesThatDisagreeWithTheirSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("longer than its size (procfs)")
            << "/proc/self/status" << 0 << QStringList{"source", "after"};
        QTest::newRow("shorter than its size (sysfs)")
            << "/sys/kernel/mm/transparent_hugepage/enabled" << int(FileArchive::SourceIncomplete)
            << QStringList{"source", "after"};
        QTest::newRow("a FIFO") << "fifo" << int(FileArchive::FileNotFound) << QStringList{"after"};
    }

    void sourcesThatDisagreeWithTheirSize()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        QFETCH(QStringList, entries);
        if (path == "fifo")
            ::mkfifo(qPrintable(path = m_folder.filePath(path)), 0600);
        if (!QFileInfo::exists(path))
            QSKIP("source not present on this machine");
        const QString archivePath = m_folder.filePath("sources.tar");
        QFile file(archivePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        FileArchive::setLastError(0);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &file, Format::Tar));
        QCOMPARE(archive.add(path, "source"), error == 0);
        QCOMPARE(FileArchive::lastError(), error);
        QVERIFY(archive.add(m_folder.filePath("top/.hidden"), "after") && archive.close());
        file.close();
        QCOMPARE(QString(runTool("tar", {"-tf", archivePath})).split('\n', Qt::SkipEmptyParts),
                 entries);
        QCOMPARE(runTool("tar", {"-xOf", archivePath, "after"}), QByteArray("secret"));
        if (entries.size() == 2)
            QCOMPARE(runTool("tar", {"-xOf", archivePath, "source"}).size(),
                     QFileInfo(path).size());
    }

    void failingDeviceIsNeverSuccess_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("tar.gz, nothing accepted") << Format::TarGz << qint64(0);
        QTest::newRow("tar.gz, 5000 bytes") << Format::TarGz << qint64(5000);
        QTest::newRow("tar, all but the last byte") << Format::Tar << qint64(-1);
        QTest::newRow("zip, 10000 bytes") << Format::Zip << qint64(10000);
    }

    void failingDeviceIsNeverSuccess()
    {
        QFETCH(Format, format);
        QFETCH(qint64, limit);
        const QList<QPair<QString, QString>> items = {{m_folder.filePath("top"), "bundle"}};
        if (limit < 0) {
            QBuffer whole;
            whole.open(QIODevice::WriteOnly);
            QVERIFY(writeArchive(&whole, format, items));
            limit = whole.size() - 1;
        }
        FileArchive::setLastError(FileArchive::NoError);
        FailingDevice device(limit);
        QVERIFY(!writeArchive(&device, format, items));
        QVERIFY(FileArchive::lastError() != FileArchive::NoError);
    }

    void zipWithoutCompressionIsAProgrammingError()
    {
        const auto [status, output] = runInChild([] {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            FileArchive().open(FileArchive::Mode::Write, &buffer, Format::Zip, Compression::None);
        });
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
        QVERIFY2(output.startsWith("Error Assert: 'formatSupportsCompressionMode(format, "
                                   "compression)' is FALSE at line "),
                 output);
    }
};

QTEST_GUILESS_MAIN(TestFileArchive)
#include "tst_file_archive.moc"
