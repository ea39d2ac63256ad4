#include "orrery_core/io/archive_reader.h"
#include "orrery_core/io/archive_writer.h"

#include <QBuffer>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <map>

using Orrery::ArchiveError;
using Orrery::ArchiveReader;
using Orrery::ArchiveWriter;
using Kind = ArchiveError::Kind;

namespace {

// Path in the archive -> content.
using Files = std::map<QString, QByteArray>;

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : "TOOL FAILED";
}

Files readFolder(const QString& folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(file.fileName())] = file.readAll();
    }
    return files;
}

Files readWithArchiveReader(QIODevice& device)
{
    ArchiveReader reader;
    Files files;
    ArchiveReader::Entry entry;
    if (!reader.open(&device))
        return {{"OPEN FAILED", reader.error().errorString().toUtf8()}};
    while (reader.nextEntry(entry)) {
        QByteArray data;
        if (!reader.readEntryData(data) || entry.permissions != 0644 ||
            entry.type != ArchiveReader::EntryType::File)
            data = "BAD ENTRY";
        files[entry.name] = data;
    }
    if (reader.error().isError())
        files["READ FAILED"] = reader.error().errorString().toUtf8();
    return files;
}

// Incompressible content, so that compressed archives stay large.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, 0);
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Accepts the first limit bytes, then refuses; reads refuse at once.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit, OpenMode mode)
        : m_limit(limit)
    {
        open(mode);
    }

protected:
    qint64 readData(char*, qint64) override
    {
        errno = EIO;
        return -1;
    }
    qint64 writeData(const char*, qint64 length) override
    {
        m_limit -= length;
        return m_limit < 0 ? -1 : length;
    }

private:
    qint64 m_limit;
};

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    const Files m_files = {{"report.xml", "<r/>"},
                           {".hidden", "secret"},
                           {QString::fromUtf8("Ünïcödé файл.bin"), noise(20000)},
                           {QString(120, 'n'), noise(8192 * 3 + 17)},
                           {"zero.bin", {}}};

    bool writeFiles(QIODevice& device, const Files& files)
    {
        ArchiveWriter archive;
        if (!archive.open(&device))
            return false;
        bool added = true;
        for (const auto& [name, content] : files) {
            // Half the entries come from a device, half from bytes in memory.
            QBuffer source;
            source.setData(content);
            source.open(QIODevice::ReadOnly);
            added = (content.size() % 2 ? archive.addData(content, name)
                                        : archive.addFile(source, content.size(), name)) &&
                    added;
        }
        return archive.close() && added;
    }

private Q_SLOTS:
    // What is written is read back alike by bsdtar, GNU tar, gzip, Python's tarfile (names,
    // modes, sizes) and our own reader.
    void writtenArchiveReadsEverywhere()
    {
        const QString path = m_folder.filePath("out.tar.gz");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeFiles(file, m_files));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(readWithArchiveReader(file), m_files);
        QCOMPARE(runTool("gzip", {"-t", path}), QByteArray());
        for (const QString tool : {"bsdtar", "tar"}) {
            const QString out = m_folder.filePath("extracted-" + tool);
            QDir().mkpath(out);
            QCOMPARE(runTool(tool, {"-xf", path, "-C", out}), QByteArray());
            QCOMPARE(readFolder(out), m_files);
        }
        QStringList listing = QString::fromUtf8(runTool("python3", {"-c", R"(import sys, tarfile
for m in tarfile.open(sys.argv[1]): print(m.name, oct(m.mode), m.size, m.mtime, sep='|'))",
                                                                    path}))
                                  .split('\n', Qt::SkipEmptyParts),
                    wanted;
        for (const auto& [name, content] : m_files)
            wanted << QString("%1|0o644|%2|0").arg(name).arg(content.size());
        listing.sort();
        wanted.sort();
        QCOMPARE(listing, wanted);
    }

    // Each failure is told by its kind, whatever libarchive's words.
    void readingFailuresByKind_data()
    {
        QTest::addColumn<QString>("program"); // sets `out` from GOOD, a sound tar
        QTest::addColumn<Kind>("kind");
        QTest::newRow("sound") << "out = gzip.compress(GOOD)" << Kind::None;
        QTest::newRow("uncompressed") << "out = GOOD" << Kind::None;
        QTest::newRow("cut in the gzip header")
            << "out = gzip.compress(GOOD)[:20]" << Kind::EndsEarly;
        QTest::newRow("cut inside the second entry")
            << "out = gzip.compress(GOOD)[:-300]" << Kind::EndsEarly;
        QTest::newRow("cut in the gzip trailer")
            << "out = gzip.compress(GOOD)[:-4]" << Kind::EndsEarly;
        QTest::newRow("no tar inside")
            << "out = gzip.compress(b'just some text ' * 100)" << Kind::NotAnArchive;
        QTest::newRow("nothing inside") << "out = gzip.compress(b'')" << Kind::NotAnArchive;
        QTest::newRow("a broken header in the middle")
            << "raw = bytearray(GOOD); raw[30720 + 148] ^= 0xff\nout = bytes(raw) + b'\\0' * 40000"
            << Kind::Damaged;
    }

    void readingFailuresByKind()
    {
        QFETCH(QString, program);
        QFETCH(Kind, kind);
        const QString path = m_folder.filePath(QString(QTest::currentDataTag()) + ".tar");
        QProcess python;
        python.start("python3", {"-c",
                                 "import gzip, io, random, sys, tarfile\n"
                                 "buffer = io.BytesIO()\n"
                                 "with tarfile.open(fileobj=buffer, mode='w') as t:\n"
                                 "    for n, size in (('a', 30000), ('b', 9000)):\n"
                                 "        info = tarfile.TarInfo(n); info.size = size\n"
                                 "        t.addfile(info, io.BytesIO("
                                 "random.Random(1).randbytes(size)))\n"
                                 "GOOD = buffer.getvalue()\n" +
                                     program + "\nopen(sys.argv[1], 'wb').write(out)",
                                 path});
        QVERIFY(python.waitForFinished(30000) && python.exitCode() == 0);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        ArchiveReader reader;
        ArchiveReader::Entry entry;
        QByteArray data;
        if (reader.open(&file))
            while (reader.nextEntry(entry) && reader.readEntryData(data)) {
            }
        QCOMPARE(reader.error().kind(), kind);
        QCOMPARE(reader.error().errorString().isEmpty(), false);
    }

    // Misuse and devices that cannot be used are refused with their kind, and the system's
    // error number where there is one.
    void refusals()
    {
        QBuffer notOpen, buffer;
        ArchiveWriter writer;
        QVERIFY(!writer.open(&notOpen));
        QCOMPARE(writer.error().kind(), Kind::DeviceNotOpen);
        QCOMPARE(writer.error().systemError(), EBADF);
        QVERIFY(!writer.addData("x", "x"));
        QCOMPARE(writer.error().kind(), Kind::DeviceNotOpen);
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(writer.open(&buffer));
        QCOMPARE(writer.error().kind(), Kind::None);
        QVERIFY(!writer.open(&buffer));
        QCOMPARE(writer.error().kind(), Kind::InvalidState);
        QVERIFY(writer.close() && writer.close());

        ArchiveReader reader;
        QVERIFY(!reader.open(&notOpen));
        QCOMPARE(reader.error().kind(), Kind::DeviceNotOpen);
        ArchiveReader::Entry entry;
        QVERIFY(!reader.nextEntry(entry));
        FailingDevice unreadable(0, QIODevice::ReadOnly);
        QVERIFY(!reader.open(&unreadable));
        QCOMPARE(reader.error().kind(), Kind::DeviceFailed);
        QCOMPARE(reader.error().systemError(), EIO);
        buffer.seek(0);
        QVERIFY(reader.open(&buffer));
        QVERIFY(!reader.nextEntry(entry));
        QCOMPARE(reader.error().kind(), Kind::None);
        char byte;
        QCOMPARE(reader.readEntryData(&byte, -1), -1);
        QCOMPARE(reader.error().kind(), Kind::InvalidState);
    }

    // An entry holds exactly the size in its header: a source that grows is cut there, one
    // that ends early is reported and the next entry still follows it.
    void sourcesThatDisagreeWithTheirSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("longer than its size (procfs)") << "/proc/self/status" << Kind::None;
        QTest::newRow("shorter than its size (sysfs)")
            << "/sys/kernel/mm/transparent_hugepage/enabled" << Kind::SourceIncomplete;
    }

    void sourcesThatDisagreeWithTheirSize()
    {
        QFETCH(QString, path);
        QFETCH(Kind, kind);
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly))
            QSKIP("source not present on this machine");
        const QString archivePath = m_folder.filePath("sources.tar.gz");
        QFile file(archivePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        ArchiveWriter archive;
        QVERIFY(archive.open(&file));
        const qint64 size = QFileInfo(path).size();
        QCOMPARE(archive.addFile(source, size, "source"), kind == Kind::None);
        QCOMPARE(archive.error().kind(), kind);
        QVERIFY(archive.addData("secret", "after"));
        QVERIFY(archive.close());
        file.close();
        QCOMPARE(QString(runTool("tar", {"-tf", archivePath})).split('\n', Qt::SkipEmptyParts),
                 QStringList({"source", "after"}));
        QCOMPARE(runTool("tar", {"-xOf", archivePath, "after"}), QByteArray("secret"));
        QCOMPARE(runTool("tar", {"-xOf", archivePath, "source"}).size(), size);
    }

    void failingDeviceIsNeverSuccess_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::newRow("nothing accepted") << qint64(0);
        QTest::newRow("5000 bytes") << qint64(5000);
        QTest::newRow("all but the last byte") << qint64(-1);
    }

    void failingDeviceIsNeverSuccess()
    {
        QFETCH(qint64, limit);
        if (limit < 0) {
            QBuffer whole;
            whole.open(QIODevice::WriteOnly);
            QVERIFY(writeFiles(whole, m_files));
            limit = whole.size() - 1;
        }
        FailingDevice device(limit, QIODevice::WriteOnly);
        QVERIFY(!writeFiles(device, m_files));
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
