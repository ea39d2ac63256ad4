#include "orrery_core/io/archive_writer.h"
#include "orrery_core/io/parallel_gzip_device.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using Orrery::ParallelGzipDevice;

namespace {

// Half random, half repetitive: something to compress.
QByteArray dumpLike(qsizetype size)
{
    QByteArray bytes(size, 0);
    QRandomGenerator generator{quint32(size)};
    for (qsizetype index = 0; index < size; ++index)
        bytes[index] = char(index % 1024 < 512 ? generator.bounded(256) : index % 7);
    return bytes;
}

QByteArray compress(const QByteArray& input, qint64 blockSize, int threads,
                    bool* finished = nullptr)
{
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    ParallelGzipDevice gzip(&output, 6, threads, blockSize);
    for (qsizetype at = 0; at < input.size(); at += 777) // writes of an odd size
        gzip.write(input.mid(at, 777));
    const bool done = gzip.finish();
    if (finished)
        *finished = done;
    return output.data();
}

// Python's zlib: the whole stream is one gzip member with nothing after it.
QByteArray inflateOneMember(const QByteArray& stream)
{
    QProcess python;
    python.start("python3", {"-c", "import sys, zlib\n"
                                   "d = zlib.decompressobj(31)\n"
                                   "out = d.decompress(sys.stdin.buffer.read())\n"
                                   "assert d.eof and d.unused_data == b'', 'not one member'\n"
                                   "sys.stdout.buffer.write(out)"});
    python.write(stream);
    python.closeWriteChannel();
    python.waitForFinished(60000);
    return python.exitCode() == 0 ? python.readAllStandardOutput()
                                  : "PYTHON FAILED " + python.readAllStandardError();
}

QByteArray gunzip(const QByteArray& stream)
{
    QProcess gzip;
    gzip.start("gzip", {"-dc"});
    gzip.write(stream);
    gzip.closeWriteChannel();
    gzip.waitForFinished(60000);
    return gzip.exitCode() == 0 ? gzip.readAllStandardOutput() : "GZIP FAILED";
}

} // namespace

class TestParallelGzip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrips_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<qint64>("blockSize");
        QTest::newRow("empty") << qsizetype(0) << qint64(4096);
        QTest::newRow("smaller than a block") << qsizetype(1000) << qint64(4096);
        QTest::newRow("exactly one block") << qsizetype(4096) << qint64(4096);
        QTest::newRow("many blocks and a rest") << qsizetype(4096 * 37 + 17) << qint64(4096);
        QTest::newRow("default blocks")
            << qsizetype(3 * 1024 * 1024 + 5) << ParallelGzipDevice::DefaultBlockSize;
    }

    void roundTrips()
    {
        QFETCH(qsizetype, size);
        QFETCH(qint64, blockSize);
        const QByteArray input = dumpLike(size);
        bool finished = false;
        const QByteArray stream = compress(input, blockSize, 3, &finished);
        QVERIFY(finished);
        QCOMPARE(inflateOneMember(stream), input);
        QCOMPARE(gunzip(stream), input);
    }

    // Within 0.5% of single-threaded gzip at the same level, on input that compresses well
    // and repeats across blocks: a block that lost its dictionary would show.
    void sizeAsForOneStream()
    {
        QByteArray input;
        QRandomGenerator generator(7);
        for (int record = 0; input.size() < 4 * 1024 * 1024; ++record)
            input += QByteArray("frame ") + QByteArray::number(record) + " channel " +
                     QByteArray::number(generator.bounded(512)) + " level " +
                     QByteArray::number(generator.bounded(4) * 64) + " state OK\n";
        QProcess gzip;
        gzip.start("gzip", {"-6", "-c"});
        gzip.write(input);
        gzip.closeWriteChannel();
        gzip.waitForFinished(60000);
        const qsizetype single = gzip.readAllStandardOutput().size();
        const qsizetype parallel = compress(input, ParallelGzipDevice::DefaultBlockSize, 2).size();
        QVERIFY2(qAbs(parallel - single) <= single / 200,
                 qPrintable(QString("%1 against %2").arg(parallel).arg(single)));
    }

    // A package of more than one block goes through the parallel compressor wherever there is
    // more than one core: its blocks end with sync-flush markers that one stream never has.
    void packagesUseEveryCore()
    {
        if (QThread::idealThreadCount() < 2)
            QSKIP("one core: libarchive's own gzip is used");
        QTemporaryDir folder;
        QFile source(folder.filePath("dump.bin"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write(dumpLike(2 * 1024 * 1024));
        source.close();
        QVERIFY(source.open(QIODevice::ReadOnly));
        QBuffer package;
        package.open(QIODevice::WriteOnly);
        Orrery::ArchiveWriter archive;
        QVERIFY(archive.open(&package));
        QVERIFY(archive.addFile(source, source.size(), "dump.bin") && archive.close());
        QVERIFY(package.data().count(QByteArray("\x00\x00\xff\xff", 4)) >= 7);
    }

    // A target that refuses midway is never success; every worker has ended when it returns.
    void failingTarget()
    {
        QFile full("/dev/full");
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        ParallelGzipDevice gzip(&full, 6, 4, 4096);
        qint64 accepted = 0;
        for (int round = 0; round < 100; ++round)
            accepted += std::max<qint64>(0, gzip.write(dumpLike(4096)));
        QVERIFY(accepted < 100 * 4096);
        QVERIFY(!gzip.finish());
    }
};

QTEST_GUILESS_MAIN(TestParallelGzip)
#include "tst_parallel_gzip.moc"
