#include "report/crash_report.h"

#include <QBuffer>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// Whether Qt's own reader takes the document without an error.
bool wellFormedForQt(const QByteArray& document)
{
    QXmlStreamReader reader(document);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// One line per element in document order: "path" for an element with children, "path=text"
// for a leaf; line ends in texts shown as \n and \r.
QStringList outlineWithPython(const QByteArray& document)
{
    QProcess python;
    python.start("python3", {"-c", "import sys, xml.etree.ElementTree as ET\n"
                                   "root = ET.fromstring(sys.stdin.buffer.read())\n"
                                   "out = [root.tag]\n"
                                   "def walk(e, prefix):\n"
                                   "    for c in e:\n"
                                   "        p = prefix + c.tag\n"
                                   "        if len(c): out.append(p); walk(c, p + '/')\n"
                                   "        else: out.append(p + '=' + (c.text or '')"
                                   ".replace('\\n', '\\\\n').replace('\\r', '\\\\r'))\n"
                                   "walk(root, '')\n"
                                   "sys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n"});
    python.write(document);
    python.closeWriteChannel();
    python.waitForFinished(30000);
    if (python.exitCode() != 0)
        return {"PYTHON FAILED " + QString::fromUtf8(python.readAllStandardError())};
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n');
}

QByteArray writeDocument(const CrashReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeCrashReport(*makeReportWriter(), &buffer, report);
    return buffer.data();
}

std::optional<CrashRecord> record(std::optional<std::uint8_t> model)
{
    CrashRecord record;
    record.version = {6, 4, 1, 0x82};
    record.productModel = model;
    record.serialNumber = "Q5PC-000123";
    return record;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<CrashRecord>)

class TestCrashReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documents_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<std::optional<CrashRecord>>("record");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QStringList>("expected");

        const QDateTime time(QDate(2026, 12, 5), QTime(20, 53, 47));
        const QStringList head = {"{q5.varnel.example}CrashReport", "Date=05/12/2026",
                                  "Time=20:53:47"};
        const QStringList info = {"ApplicationInfo/Serial=Q5PC-000123",
                                  "ApplicationInfo/Version=6.4.1.BETA2",
                                  "ApplicationInfo/Platform=" + QSysInfo::prettyProductName()};
        QTest::newRow("no record")
            << time << std::optional<CrashRecord>{} << QStringList{"one"} << "fine"
            << head + QStringList{"OutputLog", "OutputLog/Entry=one", "Comments=fine"};
        QTest::newRow("model 0") << time << record(0) << QStringList{"x"} << ""
                                 << head +
                                        QStringList{"ApplicationInfo",
                                                    "ApplicationInfo/Device=Q5-PC"} +
                                        info +
                                        QStringList{"OutputLog", "OutputLog/Entry=x", "Comments="};
        QTest::newRow("model 7, empty log, null time")
            << QDateTime() << record(7) << QStringList{} << ""
            << QStringList{head[0], "Date=", "Time=", "ApplicationInfo",
                           "ApplicationInfo/Device="} +
                   info + QStringList{"OutputLog=", "Comments="};
        QTest::newRow("hostile text")
            << time << std::optional<CrashRecord>{}
            << QStringList{"\x1b[31mred a < b && c > d", QString("nul") + QChar(0) + "bell\a",
                           "tab\tcr\r", QString::fromUtf8("Ошибка 🎭")}
            << QString("<b>bold</b> & \"q\"\nform\f") + QChar(0xFFFF) + QChar(0xD800)
            << head + QStringList{
                          "OutputLog",
                          QString::fromUtf8("OutputLog/Entry=␛[31mred a < b && c > d"),
                          QString::fromUtf8("OutputLog/Entry=nul␀bell␇"),
                          "OutputLog/Entry=tab\tcr\\r",
                          QString::fromUtf8("OutputLog/Entry=Ошибка 🎭"),
                          QString::fromUtf8("Comments=<b>bold</b> & \"q\"\\nform␌\uFFFD\uFFFD")};
    }

    void documents()
    {
        QFETCH(QDateTime, time);
        QFETCH(std::optional<CrashRecord>, record);
        QFETCH(QStringList, log);
        QFETCH(QString, comments);
        QFETCH(QStringList, expected);
        const QByteArray document = writeDocument({time, record, log, comments});
        QVERIFY(wellFormedForQt(document));
        QCOMPARE(outlineWithPython(document), expected);
    }

    void layoutOfTheText()
    {
        const QStringList log;
        const QByteArray document =
            writeDocument({QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47)), record(7), log, "<&"});
        const QList<QByteArray> lines = document.split('\n');
        QCOMPARE(lines.value(0), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lines.value(1), QByteArray("<n1:CrashReport xmlns:n1=\"q5.varnel.example\">"));
        QCOMPARE(lines.value(2), QByteArray("    <Date>05/12/2026</Date>"));
        QVERIFY(document.contains("\n        <Device></Device>\n"));
        QVERIFY(document.contains("\n    <OutputLog/>\n"));
        QVERIFY(document.contains("<Comments>&lt;&amp;</Comments>"));
    }
};

QTEST_GUILESS_MAIN(TestCrashReport)
#include "tst_crash_report.moc"
