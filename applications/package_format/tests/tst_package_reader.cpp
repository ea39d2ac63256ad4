#include "package_builder.h"
#include "package_format/package_reader.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {

qint64 peakMemoryKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestPackageReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

private Q_SLOTS:
    // A package from outside is a sound package or a sentence why not; links, devices and odd
    // names are only listed, never followed.
    void packages_data()
    {
        QTest::addColumn<QString>("program");     // sets `out`
        QTest::addColumn<QString>("problem");     // empty: read; the start of the sentence else
        QTest::addColumn<QStringList>("entries"); // name:kind of each, when read
        const QStringList good{"c.dmp:0", "report.xml:0"};
        QTest::newRow("sound") << "out = gzip.compress(GOOD)"
                               << "" << good;
        QTest::newRow("gzip members one after another")
            << "out = gzip.compress(GOOD[:5000]) + gzip.compress(GOOD[5000:])"
            << "" << good;
        // As gzip and tar do, bytes after the archive are passed over.
        QTest::newRow("trailing garbage")
            << "out = gzip.compress(GOOD) + b'garbage after the end' * 10"
            << "" << good;
        QTest::newRow("not gzip") << "out = GOOD"
                                  << "it is not a gzip-compressed file" << QStringList();
        QTest::newRow("not tar") << "out = gzip.compress(b'just some text ' * 100)"
                                 << "it is not a tar archive" << QStringList();
        QTest::newRow("empty gzip") << "out = gzip.compress(b'')"
                                    << "it is" << QStringList();
        for (const int cut : {10, 700, 15000, -30})
            QTest::addRow("cut short at %d", cut)
                << QString("out = gzip.compress(GOOD)[:%1]").arg(cut)
                << "it ends early: the file is cut short" << QStringList();
        QTest::newRow("size running past the end")
            << "raw = tar([file('c.dmp', b'x' * 9000), file('report.xml', REPORT)])\n"
               "out = gzip.compress(raw[:4096])"
            << "it ends early" << QStringList();
        QTest::newRow("cut in the gzip trailer") << "out = package()[:-4]"
                                                 << "it ends early" << QStringList();
        // Gzip inside gzip would let a few kilobytes unpack into terabytes.
        QTest::newRow("compressed twice") << "out = gzip.compress(gzip.compress(GOOD))"
                                          << "it is compressed more than once" << QStringList();
        QTest::newRow("name not UTF-8")
            << "out = gzip.compress(tar([file('bad\\udcff'), file('report.xml', REPORT)]))"
            << "it has an entry whose name is not UTF-8" << QStringList();
        QTest::newRow("a folder named like a file")
            << "out = gzip.compress(tar([('c.dmp', b'', tarfile.DIRTYPE, ''), file('c.dmp'), "
               "file('report.xml', REPORT)]))"
            << "it has two entries named c.dmp" << QStringList();
        QTest::newRow("a FIFO, never waited for")
            << "import os\nos.mkfifo(sys.argv[1])\nos._exit(0)"
            << "it is not a regular file" << QStringList();
        QTest::newRow("a hundred entries")
            << "out = gzip.compress(tar([file('e%d' % n) for n in range(100)] + "
               "[file('report.xml', REPORT)]))"
            << "it holds more entries, or longer names, than any crash package does"
            << QStringList();
        QTest::newRow("no report") << "out = gzip.compress(tar([file('c.dmp')]))"
                                   << "it has no report.xml" << QStringList();
        QTest::newRow("two reports")
            << "out = gzip.compress(tar([file('report.xml', REPORT), file('report.xml', REPORT)]))"
            << "it has more than one report.xml" << QStringList();
        QTest::newRow("report over 1 MiB")
            << "out = gzip.compress(tar([file('report.xml', REPORT + b' ' * 1048576)]))"
            << "its report.xml is larger than 1 MiB" << QStringList();
        QTest::newRow("report a link")
            << "out = gzip.compress(tar([('report.xml', b'', tarfile.SYMTYPE, '/etc/passwd')]))"
            << "its report.xml is not a regular file" << QStringList();
        QTest::newRow("report with a document type")
            << "out = gzip.compress(tar([file('report.xml', b'<!DOCTYPE r>' + REPORT)]))"
            << "its report.xml declares a document type" << QStringList();
        QTest::newRow("hostile names and kinds")
            << "out = gzip.compress(tar([file('/etc/cron.d/x'), file('../../escape'), "
               "file('n' * 300), ('link', b'', tarfile.SYMTYPE, '/etc'), "
               "('hard', b'', tarfile.LNKTYPE, 'report.xml'), ('dev', b'', tarfile.CHRTYPE, ''), "
               "('fifo', b'', tarfile.FIFOTYPE, ''), ('folder', b'', tarfile.DIRTYPE, ''), "
               "file('report.xml', REPORT)]))"
            << "" << QStringList{"/etc/cron.d/x:0", "../../escape:0", QString(300, 'n') + ":0",
                                 "link:2",          "hard:3",         "dev:4",
                                 "fifo:4",          "folder/:1",      "report.xml:0"};
    }

    void packages()
    {
        QFETCH(QString, program);
        QFETCH(QString, problem);
        QFETCH(QStringList, entries);
        const QString path = m_folder.filePath(QString(QTest::currentDataTag()) + ".cdp");
        QCOMPARE(buildWithPython(program + "\nopen(sys.argv[1], 'wb').write(out)\n", path),
                 QByteArray());
        const PackageReading reading = readPackage(path);
        QVERIFY2(reading.problem.left(problem.size()) == problem, qPrintable(reading.problem));
        QCOMPARE(reading.package.has_value(), problem.isEmpty());
        if (!reading.package)
            return;
        QStringList found;
        for (const PackageEntry& entry : reading.package->entries)
            found << entry.name + ":" + QString::number(int(entry.kind));
        QCOMPARE(found, entries);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(reading.package->sha256,
                 QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        const ReportDocument& report = reading.package->report;
        QCOMPARE(report.date, QDate(2026, 12, 5));
        QCOMPARE(report.application->serial, QString("SN-1"));
        QCOMPARE(report.outputLog, QStringList{"DMX lost"});
        QCOMPARE(report.comments, QString("ok"));
    }

    // A small file that inflates to a gigabyte is read through with flat memory.
    void compressionBombKeepsMemoryFlat()
    {
        const QString path = m_folder.filePath("bomb.cdp");
        QCOMPARE(
            buildWithPython("stream = io.BytesIO()\n"
                            "with gzip.GzipFile(fileobj=stream, mode='wb', compresslevel=9) as z:\n"
                            "    z.write(tar([file('report.xml', REPORT)])[:1024])\n"
                            "    info = tarfile.TarInfo('c.dmp'); info.size = 1 << 30\n"
                            "    z.write(info.tobuf(format=tarfile.GNU_FORMAT))\n"
                            "    chunk = bytes(1 << 20)\n"
                            "    for _ in range(1024): z.write(chunk)\n"
                            "    z.write(bytes(1024))\n"
                            "out = stream.getvalue()\n"
                            "open(sys.argv[1], 'wb').write(out)\n",
                            path),
            QByteArray());
        QVERIFY(QFileInfo(path).size() < 8 * 1024 * 1024);
        const qint64 before = peakMemoryKiB();
        const PackageReading reading = readPackage(path);
        QVERIFY2(reading.package, qPrintable(reading.problem));
        QCOMPARE(reading.package->entries.last().size, qint64(1) << 30);
        QVERIFY2(peakMemoryKiB() - before < 64 * 1024,
                 qPrintable(QString("%1 KiB more").arg(peakMemoryKiB() - before)));
    }
};

QTEST_GUILESS_MAIN(TestPackageReader)
#include "tst_package_reader.moc"
