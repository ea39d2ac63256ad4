#include "child_process.h"
#include "io/file_archive.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <map>

using Orrery::FileArchive;
using Format = FileArchive::Format;
using Compression = FileArchive::CompressionMode;

Q_DECLARE_METATYPE(FileArchive::Format)
Q_DECLARE_METATYPE(FileArchive::CompressionMode)

namespace {

struct ExpectedEntry {
    bool directory = false;
    QByteArray content;
};
using ExpectedTree = std::map<QString, ExpectedEntry>;

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

// Builds a tree under root and returns what an archive of it, added as "bundle", must hold.
ExpectedTree makeSourceTree(const QString& root)
{
    const QString longName = QString(120, 'n') + ".dat";
    const QString unicodeName = QString::fromUtf8("Ünïcödé файл.bin");
    QDir(root).mkpath("top/empty");
    QDir(root).mkpath("top/nested/deeper");
    writeFile(root + "/top/plain.txt", "hello\n");
    writeFile(root + "/top/.hidden", "secret");
    writeFile(root + "/top/" + unicodeName, randomBytes(20000, 1));
    writeFile(root + "/top/nested/deeper/" + longName, randomBytes(8192 * 3 + 17, 2));
    writeFile(root + "/top/nested/zero.bin", QByteArray());

    ExpectedTree tree;
    tree["bundle"] = {true, {}};
    tree["bundle/empty"] = {true, {}};
    tree["bundle/nested"] = {true, {}};
    tree["bundle/nested/deeper"] = {true, {}};
    tree["bundle/plain.txt"] = {false, "hello\n"};
    tree["bundle/.hidden"] = {false, "secret"};
    tree["bundle/" + unicodeName] = {false, randomBytes(20000, 1)};
    tree["bundle/nested/deeper/" + longName] = {false, randomBytes(8192 * 3 + 17, 2)};
    tree["bundle/nested/zero.bin"] = {false, {}};
    return tree;
}

QString archiveSuffix(Format format)
{
    switch (format) {
    case Format::TarGz:
        return ".tar.gz";
    case Format::Tar:
        return ".tar";
    case Format::Zip:
        return ".zip";
    case Format::SevenZip:
        return ".7z";
    }
    return {};
}

// Runs a tool and returns its standard output; fails the test on a non-zero status.
QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << program << arguments << process.readAllStandardError();
        return "TOOL FAILED";
    }
    return process.readAllStandardOutput();
}

// Everything below folder, as archive-relative paths.
ExpectedTree readExtractedTree(const QString& folder)
{
    ExpectedTree tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            tree[relative] = {true, {}};
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            tree[relative] = {false, file.readAll()};
        }
    }
    return tree;
}

void compareTrees(const ExpectedTree& actual, const ExpectedTree& expected)
{
    QStringList actualNames, expectedNames;
    for (const auto& [name, entry] : actual)
        actualNames << name;
    for (const auto& [name, entry] : expected)
        expectedNames << name;
    QCOMPARE(actualNames, expectedNames);
    for (const auto& [name, entry] : expected) {
        QVERIFY2(actual.at(name).directory == entry.directory, qPrintable(name));
        QVERIFY2(actual.at(name).content == entry.content, qPrintable(name));
    }
}

bool writeArchive(const QString& path, Format format, Compression compression,
                  const QList<QPair<QString, QString>>& items)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    FileArchive archive;
    if (!archive.open(FileArchive::Mode::Write, &file, format, compression))
        return false;
    bool added = true;
    for (const auto& [source, name] : items)
        added = archive.add(source, name) && added;
    const bool closed = archive.close();
    file.close();
    return added && closed && file.error() == QFileDevice::NoError;
}

// Accepts the first limit bytes, then refuses.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit)
        : m_limit(limit)
    {}

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
    ExpectedTree m_tree;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_tree = makeSourceTree(m_folder.path());
    }

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
        const QString archivePath = m_folder.filePath(
            QString("out-%1%2").arg(QTest::currentDataTag(), archiveSuffix(format)));
        QVERIFY(writeArchive(archivePath, format, compression,
                             {{m_folder.filePath("top"), "bundle"},
                              {m_folder.filePath("top/plain.txt"), "report.xml"}}));
        ExpectedTree expected = m_tree;
        expected["report.xml"] = {false, "hello\n"};

        // bsdtar reads every format.
        const QString bsdtarOut =
            m_folder.filePath(QString("bsdtar-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(bsdtarOut);
        QCOMPARE(runTool("bsdtar", {"-xf", archivePath, "-C", bsdtarOut}), QByteArray());
        compareTrees(readExtractedTree(bsdtarOut), expected);

        // Our own reader sees the same entries.
        QFile file(archivePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        FileArchive reader;
        QVERIFY(reader.open(FileArchive::Mode::Read, &file, format));
        ExpectedTree readBack;
        FileArchive::Entry entry;
        while (reader.nextEntry(entry)) {
            QByteArray data;
            QVERIFY(reader.readEntryData(data));
            const bool directory = entry.type == FileArchive::EntryType::Directory;
            QCOMPARE(entry.permissions, directory ? 0755 : 0644);
            if (!directory)
                QCOMPARE(entry.size, data.size());
            readBack[entry.name.endsWith('/') ? entry.name.chopped(1) : entry.name] = {directory,
                                                                                       data};
        }
        compareTrees(readBack, expected);
    }

    void tarFormatsReadByGnuTarAndPython_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<Compression>("compression");
        QTest::newRow("tar.gz") << Format::TarGz << Compression::Default;
        QTest::newRow("tar.gz stored") << Format::TarGz << Compression::None;
        QTest::newRow("tar") << Format::Tar << Compression::Default;
    }

    void tarFormatsReadByGnuTarAndPython()
    {
        QFETCH(Format, format);
        QFETCH(Compression, compression);
        const QString archivePath = m_folder.filePath(
            QString("gnu-%1%2").arg(QTest::currentDataTag(), archiveSuffix(format)));
        QVERIFY(
            writeArchive(archivePath, format, compression, {{m_folder.filePath("top"), "bundle"}}));

        const QString out = m_folder.filePath(QString("gnu-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(out);
        QCOMPARE(runTool("tar", {"-xf", archivePath, "-C", out}), QByteArray());
        compareTrees(readExtractedTree(out), m_tree);

        // Python's tarfile: names, types, permissions and sizes, one line each.
        const QByteArray listing =
            runTool("python3",
                    {"-c",
                     "import sys, tarfile\n"
                     "for m in tarfile.open(sys.argv[1]):\n"
                     "    print(m.name, 'd' if m.isdir() else 'f', oct(m.mode), m.size, sep='|')",
                     archivePath});
        QStringList lines = QString::fromUtf8(listing).split('\n', Qt::SkipEmptyParts);
        lines.sort();
        QStringList expectedLines;
        for (const auto& [name, entry] : m_tree)
            expectedLines << QString("%1|%2|%3|%4")
                                 .arg(name, entry.directory ? "d" : "f",
                                      entry.directory ? "0o755" : "0o644")
                                 .arg(entry.content.size());
        expectedLines.sort();
        QCOMPARE(lines, expectedLines);
    }

    void gzipStreams_data()
    {
        QTest::addColumn<Compression>("compression");
        QTest::addColumn<bool>("stored");
        QTest::newRow("default") << Compression::Default << false;
        QTest::newRow("none") << Compression::None << true;
    }

    void gzipStreams()
    {
        QFETCH(Compression, compression);
        QFETCH(bool, stored);
        const QString archivePath =
            m_folder.filePath(QString("gz-%1.tar.gz").arg(QTest::currentDataTag()));
        QVERIFY(writeArchive(archivePath, Format::TarGz, compression,
                             {{m_folder.filePath("top"), "bundle"}}));
        QCOMPARE(runTool("gzip", {"-t", archivePath}), QByteArray());

        // Every deflate block of a level-0 stream is a stored block (BTYPE 00).
        const QByteArray blockTypes =
            runTool("python3", {"-c",
                                "import sys, zlib\n"
                                "raw = open(sys.argv[1], 'rb').read()\n"
                                "flags = raw[3]; pos = 10\n"
                                "if flags & 4: pos += 2 + raw[pos] + 256 * raw[pos + 1]\n"
                                "for bit in (8, 16):\n"
                                "    if flags & bit: pos = raw.index(0, pos) + 1\n"
                                "if flags & 2: pos += 2\n"
                                "print((raw[pos] >> 1) & 3)",
                                archivePath});
        QCOMPARE(blockTypes.trimmed() == "0", stored);
    }

    void openTwiceKeepsFirstArchive()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(archive.isOpen());
        QVERIFY(archive.add(m_folder.filePath("top/plain.txt")));
        QVERIFY(archive.close());
        QVERIFY(buffer.size() > 0);
    }

    void deviceNotOpen()
    {
        QBuffer buffer;
        FileArchive archive;
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, Format::TarGz));
        QCOMPARE(FileArchive::lastError(), 9);
        QVERIFY(!archive.isOpen());
        QVERIFY(!archive.open(FileArchive::Mode::Read, &buffer, Format::TarGz));
        QCOMPARE(FileArchive::lastError(), 9);
    }

    void unknownFormatAndMode()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        FileArchive archive;
        QVERIFY(!archive.open(FileArchive::Mode::Write, &buffer, static_cast<Format>(4)));
        QCOMPARE(FileArchive::lastError(), FileArchive::UnsupportedFormat);
        QVERIFY(!archive.isOpen());
        QVERIFY(!archive.open(FileArchive::Mode::Read, &buffer, static_cast<Format>(4)));
        QCOMPARE(FileArchive::lastError(), FileArchive::UnsupportedFormat);
        QVERIFY(!archive.open(static_cast<FileArchive::Mode>(2), &buffer, Format::Tar));
        QCOMPARE(FileArchive::lastError(), FileArchive::UnsupportedFormat);
        QVERIFY(!archive.isOpen());
    }

    void addFailures()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(!archive.add(m_folder.filePath("top/plain.txt")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(!archive.add(m_folder.filePath("absent")));
        QCOMPARE(FileArchive::lastError(), FileArchive::FileNotFound);
        QVERIFY(!archive.add("/dev/null"));
        QCOMPARE(FileArchive::lastError(), FileArchive::FileNotFound);
        QVERIFY(archive.close());

        QBuffer input;
        input.setData(buffer.data());
        input.open(QIODevice::ReadOnly);
        QVERIFY(archive.open(FileArchive::Mode::Read, &input, Format::Tar));
        QVERIFY(!archive.add(m_folder.filePath("top/plain.txt")));
        QCOMPARE(FileArchive::lastError(), FileArchive::InvalidState);
    }

    void closeWithoutOpenAndTwice()
    {
        FileArchive archive;
        QVERIFY(archive.close());
        QVERIFY(archive.close());
    }

    void constructorResetsErrorCode()
    {
        FileArchive::setLastError(FileArchive::InvalidState);
        const FileArchive archive;
        QCOMPARE(FileArchive::lastError(), FileArchive::NoError);
    }

    void emptyDirectoryIsOneEntry()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(archive.add(m_folder.filePath("top/empty"), "nothing"));
        QVERIFY(archive.close());

        QBuffer input(&buffer.buffer());
        input.open(QIODevice::ReadOnly);
        QVERIFY(archive.open(FileArchive::Mode::Read, &input, Format::Tar));
        FileArchive::Entry entry;
        QVERIFY(archive.nextEntry(entry));
        QCOMPARE(entry.type, FileArchive::EntryType::Directory);
        QVERIFY(entry.name == "nothing" || entry.name == "nothing/");
        QVERIFY(!archive.nextEntry(entry));
    }

    void symbolicLinkCycleEnds()
    {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath("loop/inner");
        writeFile(folder.filePath("loop/inner/file.txt"), "x");
        QVERIFY(QFile::link(folder.filePath("loop"), folder.filePath("loop/inner/back")));

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(archive.add(folder.filePath("loop")));
        QCOMPARE(FileArchive::lastError(), FileArchive::SymbolicLinkCycle);
        QVERIFY(archive.close());

        QBuffer input(&buffer.buffer());
        input.open(QIODevice::ReadOnly);
        QVERIFY(archive.open(FileArchive::Mode::Read, &input, Format::Tar));
        QStringList names;
        FileArchive::Entry entry;
        while (archive.nextEntry(entry))
            names << entry.name;
        names.sort();
        QCOMPARE(names, QStringList({"loop/", "loop/inner/", "loop/inner/file.txt"}));
    }

    void unreadableSourceFails()
    {
        // Reading /proc/self/mem at offset 0 fails with EIO.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &buffer, Format::Tar));
        QVERIFY(!archive.add("/proc/self/mem", "mem"));
        QVERIFY(FileArchive::lastError() != FileArchive::NoError);
    }

    void failingDeviceIsNeverSuccess_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("tar.gz, nothing accepted") << Format::TarGz << qint64(0);
        QTest::newRow("tar.gz, 5000 bytes") << Format::TarGz << qint64(5000);
        QTest::newRow("tar, 20000 bytes") << Format::Tar << qint64(20000);
        QTest::newRow("tar, all but the last byte") << Format::Tar << qint64(-1);
        QTest::newRow("zip, 10000 bytes") << Format::Zip << qint64(10000);
    }

    void failingDeviceIsNeverSuccess()
    {
        QFETCH(Format, format);
        QFETCH(qint64, limit);
        if (limit < 0) {
            QBuffer whole;
            whole.open(QIODevice::WriteOnly);
            FileArchive archive;
            QVERIFY(archive.open(FileArchive::Mode::Write, &whole, format));
            QVERIFY(archive.add(m_folder.filePath("top"), "bundle"));
            QVERIFY(archive.close());
            limit = whole.size() - 1;
        }
        FailingDevice device(limit);
        device.open(QIODevice::WriteOnly);
        FileArchive archive;
        QVERIFY(archive.open(FileArchive::Mode::Write, &device, format));
        const bool added = archive.add(m_folder.filePath("top"), "bundle");
        const bool closed = archive.close();
        QVERIFY(!(added && closed));
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
        QVERIFY(output.contains("file_archive.cpp\n"));
    }

    void compressionSupport_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<Compression>("compression");
        QTest::addColumn<bool>("supported");
        for (Format format : {Format::TarGz, Format::Tar, Format::Zip, Format::SevenZip}) {
            const QByteArray name = archiveSuffix(format).toLatin1();
            QTest::newRow(name + " default") << format << Compression::Default << true;
            QTest::newRow(name + " none")
                << format << Compression::None << (format == Format::TarGz);
        }
    }

    void compressionSupport()
    {
        QFETCH(Format, format);
        QFETCH(Compression, compression);
        QFETCH(bool, supported);
        QCOMPARE(Orrery::formatSupportsCompressionMode(format, compression), supported);
    }
};

QTEST_GUILESS_MAIN(TestFileArchive)
#include "tst_file_archive.moc"
