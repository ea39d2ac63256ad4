#include "child_process.h"
#include "io/file_archive.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
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

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

// Builds a tree under root and returns what an archive of it, added as "bundle", must hold.
Tree makeSourceTree(const QString& root)
{
    const std::map<QString, QByteArray> files = {
        {"plain.txt", "hello\n"},
        {".hidden", "secret"},
        {QString::fromUtf8("Ünïcödé файл.bin"), randomBytes(20000, 1)},
        {"nested/deeper/" + QString(120, 'n') + ".dat", randomBytes(8192 * 3 + 17, 2)},
        {"nested/zero.bin", {}}};
    Tree tree = {{"bundle", "<dir>"},
                 {"bundle/empty", "<dir>"},
                 {"bundle/nested", "<dir>"},
                 {"bundle/nested/deeper", "<dir>"}};
    QDir(root).mkpath("top/empty");
    QDir(root).mkpath("top/nested/deeper");
    for (const auto& [name, content] : files) {
        QFile file(root + "/top/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        tree["bundle/" + name] = content;
    }
    return tree;
}

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return "TOOL FAILED " + process.readAllStandardError();
    return process.readAllStandardOutput();
}

Tree readExtractedTree(const QString& folder)
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

Tree readWithFileArchive(const QString& path, Format format)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    FileArchive reader;
    Tree tree;
    FileArchive::Entry entry;
    if (!reader.open(FileArchive::Mode::Read, &file, format))
        return {{"OPEN FAILED", {}}};
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
        if (m_written + length > m_limit)
            return -1;
        m_written += length;
        return length;
    }

private:
    qint64 m_limit;
    qint64 m_written = 0;
};

} // namespace

class TestFileArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    Tree m_tree;

private Q_SLOTS:
    void initTestCase() { m_tree = makeSourceTree(m_folder.path()); }

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
        const QString tag = QTest::currentDataTag();
        const QString path = m_folder.filePath("out-" + tag);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeArchive(&file, format,
                             {{m_folder.filePath("top"), "bundle"},
                              {m_folder.filePath("top/plain.txt"), "report.xml"}},
                             compression));
        file.close();
        Tree expected = m_tree;
        expected["report.xml"] = "hello\n";
        QCOMPARE(readWithFileArchive(path, format), expected);
        const QString bsdtarOut = m_folder.filePath("bsdtar-" + tag);
        QDir().mkpath(bsdtarOut);
        QCOMPARE(runTool("bsdtar", {"-xf", path, "-C", bsdtarOut}), QByteArray());
        QCOMPARE(readExtractedTree(bsdtarOut), expected);
        if (format != Format::Tar && format != Format::TarGz)
            return;

        const QString gnuOut = m_folder.filePath("gnu-" + tag);
        QDir().mkpath(gnuOut);
        QCOMPARE(runTool("tar", {"-xf", path, "-C", gnuOut}), QByteArray());
        QCOMPARE(readExtractedTree(gnuOut), expected);
        const QByteArray listing =
            runTool("python3",
                    {"-c",
                     "import sys, tarfile\n"
                     "for m in tarfile.open(sys.argv[1]):\n"
                     "    print(m.name, 'd' if m.isdir() else 'f', oct(m.mode), m.size, sep='|')",
                     path});
        QStringList lines = QString::fromUtf8(listing).split('\n', Qt::SkipEmptyParts), wanted;
        for (const auto& [name, content] : expected)
            wanted << (content == "<dir>" ? name + "|d|0o755|0"
                                          : QString("%1|f|0o644|%2").arg(name).arg(content.size()));
        lines.sort();
        wanted.sort();
        QCOMPARE(lines, wanted);
        if (format == Format::Tar)
            return;
        QCOMPARE(runTool("gzip", {"-t", path}), QByteArray());
        // A level-0 stream holds only stored deflate blocks (BTYPE 00) after the 10-byte header.
        const QByteArray blockType =
            runTool("python3", {"-c",
                                "import sys; raw = open(sys.argv[1], 'rb').read(); "
                                "assert raw[3] == 0; print((raw[10] >> 1) & 3)",
                                path});
        QCOMPARE(blockType.trimmed() == "0", compression == Compression::None);
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
        QVERIFY(!archive.open(static_cast<FileArchive::Mode>(2), &buffer, Format::Tar));
        QCOMPARE(FileArchive::lastError(), FileArchive::UnsupportedFormat);
        QVERIFY(!archive.add(m_folder.filePath("top/plain.txt")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(archive.close());

        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(!archive.add(m_folder.filePath("absent")));
        QCOMPARE(FileArchive::lastError(), FileArchive::FileNotFound);
        QVERIFY(archive.add(m_folder.filePath("top/empty"), "nothing"));
        QVERIFY(archive.close());

        buffer.seek(0);
        QVERIFY(archive.open(FileArchive::Mode::Read, &buffer, Format::Tar));
        QVERIFY(!archive.add(m_folder.filePath("top/plain.txt")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        FileArchive::Entry entry;
        QVERIFY(archive.nextEntry(entry));
        QCOMPARE(entry.type, FileArchive::EntryType::Directory);
        char byte;
        QCOMPARE(archive.readEntryData(&byte, -1), -1);
        QCOMPARE(FileArchive::lastError(), EINVAL);
        QVERIFY(!archive.nextEntry(entry));
    }

    void symbolicLinkCycleEnds()
    {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath("loop/inner");
        QVERIFY(QFile::link(folder.filePath("loop"), folder.filePath("loop/inner/back")));
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(archive.add(folder.filePath("loop")));
        QCOMPARE(FileArchive::lastError(), FileArchive::SymbolicLinkCycle);
        QVERIFY(archive.close());
        const QString path = folder.filePath("loop.tar");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(buffer.data()) > 0);
        file.close();
        QCOMPARE(readWithFileArchive(path, Format::Tar),
                 Tree({{"loop", "<dir>"}, {"loop/inner", "<dir>"}}));
    }

    // The entry holds exactly the size in its header; a source that cannot be opened leaves
    // no entry at all.
    void sourcesThatDisagreeWithTheirSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("added");
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("longer than its size (proc)")
            << "/proc/self/status" << true << 0 << QStringList{"source", "after"};
        QTest::newRow("shorter than its size (sysfs)")
            << "/sys/kernel/mm/transparent_hugepage/enabled" << false << EIO
            << QStringList{"source", "after"};
        QTest::newRow("a FIFO") << m_folder.filePath("fifo") << false
                                << int(FileArchive::FileNotFound) << QStringList{"after"};
    }

    void sourcesThatDisagreeWithTheirSize()
    {
        QFETCH(QString, path);
        QFETCH(bool, added);
        QFETCH(int, error);
        QFETCH(QStringList, entries);
        if (path.endsWith("fifo"))
            ::mkfifo(qPrintable(path), 0600);
        if (!QFileInfo::exists(path))
            QSKIP("source not present on this machine");
        const QString archivePath = m_folder.filePath("sources.tar");
        QFile file(archivePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &file, Format::Tar));
        QCOMPARE(archive.add(path, "source"), added);
        QCOMPARE(FileArchive::lastError(), error);
        QVERIFY(archive.add(m_folder.filePath("top/plain.txt"), "after"));
        QVERIFY(archive.close());
        file.close();
        const QStringList listed =
            QString::fromUtf8(runTool("tar", {"-tf", archivePath})).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed, entries);
        QCOMPARE(runTool("tar", {"-xOf", archivePath, "after"}), QByteArray("hello\n"));
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
            FileArchive archive;
            archive.open(FileArchive::Mode::Write, &buffer, Format::Zip, Compression::None);
        });
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGABRT);
        QVERIFY2(output.startsWith("Error Assert: 'formatSupportsCompressionMode(format, "
                                   "compression)' is FALSE at line "),
                 output);
    }
};

QTEST_GUILESS_MAIN(TestFileArchive)
#include "tst_file_archive.moc"
