#include "package_format/report_reader.h"
#include "package_format/report_writer.h"

#include <QBuffer>
#include <QProcess>
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

QByteArray writeDocument(const ReportDocument& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeReportDocument(*makeReportWriter(), &buffer, report);
    return buffer.data();
}

ReportDocument::Application application(std::optional<QString> device)
{
    return {device, "Q5PC-000123", "6.4.1.BETA2", "Debian GNU/Linux 12 (bookworm)"};
}

} // namespace

Q_DECLARE_METATYPE(ReportDocument)

class TestReportDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the writer writes, as Python's ElementTree reads it; what our reader reads back.
    void roundTrips_data()
    {
        QTest::addColumn<ReportDocument>("document");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<ReportDocument>("readBack");

        ReportDocument base;
        base.date = QDate(2026, 12, 5);
        base.time = QTime(20, 53, 47);
        const QStringList head = {"{q5.varnel.example}CrashReport", "Date=05/12/2026",
                                  "Time=20:53:47"};
        const QStringList info = {"ApplicationInfo/Serial=Q5PC-000123",
                                  "ApplicationInfo/Version=6.4.1.BETA2",
                                  "ApplicationInfo/Platform=Debian GNU/Linux 12 (bookworm)"};
        ReportDocument plain = base;
        plain.outputLog = {"one"};
        plain.comments = "fine";
        QTest::newRow("no application")
            << plain << head + QStringList{"OutputLog", "OutputLog/Entry=one", "Comments=fine"}
            << plain;
        ReportDocument model = base;
        model.application = application("Q5-PC");
        model.outputLog = {"x"};
        QTest::newRow("device") << model
                                << head +
                                       QStringList{"ApplicationInfo",
                                                   "ApplicationInfo/Device=Q5-PC"} +
                                       info +
                                       QStringList{"OutputLog", "OutputLog/Entry=x", "Comments="}
                                << model;
        ReportDocument empty;
        empty.application = application(QString());
        QTest::newRow("empty device, empty log, no date")
            << empty
            << QStringList{head[0], "Date=", "Time=", "ApplicationInfo",
                           "ApplicationInfo/Device="} +
                   info + QStringList{"OutputLog=", "Comments="}
            << empty;
        // Control characters that XML cannot carry come back as their pictures (U+2400 + code),
        // a non-character and a lone surrogate as U+FFFD.
        ReportDocument hostile = base;
        hostile.outputLog = {"\x1b[31mred a < b && c > d", QString("nul") + QChar(0) + "bell\a",
                             "tab\tcr\r", "unit\x1fseparator", QString::fromUtf8("Ошибка 🎭")};
        hostile.comments = QString("<b>bold</b> & \"q\"\nform\f") + QChar(0xFFFF) + QChar(0xD800);
        ReportDocument hostileRead = hostile;
        hostileRead.outputLog = {QString::fromUtf8("\u241B[31mred a < b && c > d"),
                                 QString::fromUtf8("nul\u2400bell\u2407"), "tab\tcr\r",
                                 QString::fromUtf8("unit\u241Fseparator"),
                                 QString::fromUtf8("Ошибка 🎭")};
        hostileRead.comments = QString::fromUtf8("<b>bold</b> & \"q\"\nform\u240C\uFFFD\uFFFD");
        QTest::newRow("hostile text")
            << hostile
            << head + QStringList{"OutputLog",
                                  QString::fromUtf8("OutputLog/Entry=␛[31mred a < b && c > d"),
                                  QString::fromUtf8("OutputLog/Entry=nul␀bell␇"),
                                  "OutputLog/Entry=tab\tcr\\r",
                                  QString::fromUtf8("OutputLog/Entry=unit␟separator"),
                                  QString::fromUtf8("OutputLog/Entry=Ошибка 🎭"),
                                  QString::fromUtf8(
                                      "Comments=<b>bold</b> & \"q\"\\nform␌\uFFFD\uFFFD")}
            << hostileRead;
    }

    void roundTrips()
    {
        QFETCH(ReportDocument, document);
        QFETCH(QStringList, expected);
        QFETCH(ReportDocument, readBack);
        const QByteArray written = writeDocument(document);
        QVERIFY(wellFormedForQt(written));
        QCOMPARE(outlineWithPython(written), expected);
        const ReportReading reading = readReportDocument(written);
        QVERIFY2(reading.problem.isEmpty(), qPrintable(reading.problem));
        QVERIFY(reading.document == readBack);
    }

    void layoutOfTheText()
    {
        ReportDocument document;
        document.date = QDate(2026, 12, 5);
        document.time = QTime(20, 53, 47);
        document.application = application(QString());
        document.comments = "<&";
        const QByteArray written = writeDocument(document);
        const QList<QByteArray> lines = written.split('\n');
        QCOMPARE(lines.value(0), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lines.value(1), QByteArray("<n1:CrashReport xmlns:n1=\"q5.varnel.example\">"));
        QCOMPARE(lines.value(2), QByteArray("    <Date>05/12/2026</Date>"));
        QVERIFY(written.contains("\n        <Device></Device>\n"));
        QVERIFY(written.contains("\n    <OutputLog/>\n"));
        QVERIFY(written.contains("<Comments>&lt;&amp;</Comments>"));
    }

    // Reports from outside: what is not a report is named; what a report may carry besides
    // ours (unknown elements, other namespaces) is passed over.
    void hostileReports_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("problem"); // empty: read, with the comments "ok"
        const QByteArray root = "<r:CrashReport xmlns:r=\"q5.varnel.example\">";
        QTest::newRow("not well-formed") << root + "<Comments>ok</Comment></r:CrashReport>"
                                         << "its report.xml is not well-formed XML";
        QTest::newRow("empty") << QByteArray() << "its report.xml is not well-formed XML";
        QTest::newRow("entity expansion")
            << "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>" + root +
                   "<Comments>&b;</Comments></r:CrashReport>"
            << "its report.xml declares a document type";
        QTest::newRow("external entity")
            << "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + root +
                   "<Comments>&x;</Comments></r:CrashReport>"
            << "its report.xml declares a document type";
        QTest::newRow("foreign namespace")
            << QByteArray("<r:CrashReport xmlns:r=\"urn:other\"><Comments>ok</Comments>"
                          "</r:CrashReport>")
            << "its report.xml is not a Q5 crash report";
        QTest::newRow("unknown and foreign elements skipped")
            << root + "<Extra><Comments>no</Comments></Extra><x:Comments xmlns:x=\"urn:x\">no"
                      "</x:Comments><Comments>ok<b>!</b></Comments></r:CrashReport>"
            << "";
        QTest::newRow("garbage after the root")
            << root + "<Comments>ok</Comments></r:CrashReport><more/>"
            << "its report.xml is not well-formed XML";
        QTest::newRow("the report's namespace as the default")
            << QByteArray("<CrashReport xmlns=\"q5.varnel.example\"><Comments>ok</Comments>"
                          "</CrashReport>")
            << "";
        QTest::newRow("two ApplicationInfo elements")
            << root + "<ApplicationInfo><Serial>A</Serial></ApplicationInfo><ApplicationInfo>"
                      "<Serial>B</Serial></ApplicationInfo></r:CrashReport>"
            << "its report.xml has more than one ApplicationInfo element";
        QTest::newRow("two Serial elements")
            << root + "<ApplicationInfo><Serial>A</Serial><Serial>B</Serial></ApplicationInfo>"
                      "</r:CrashReport>"
            << "its report.xml has more than one Serial element";
        // Qt's reader takes time that grows with the square of a tag's attributes.
        QByteArray attributes;
        for (int n = 0; n < 140000; ++n)
            attributes += " a" + QByteArray::number(n) + "='>'";
        QTest::newRow("140,000 attributes")
            << "<r:CrashReport xmlns:r=\"q5.varnel.example\"" + attributes +
                   "><Comments>ok</Comments></r:CrashReport>"
            << "its report.xml has an element with more attributes than any crash report has";
    }

    void hostileReports()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, problem);
        const ReportReading reading = readReportDocument(xml);
        QVERIFY2(reading.problem.left(problem.size()) == problem, qPrintable(reading.problem));
        QCOMPARE(reading.document.has_value(), problem.isEmpty());
        if (reading.document)
            QCOMPARE(reading.document->comments, QString("ok"));
    }
};

QTEST_GUILESS_MAIN(TestReportDocument)
#include "tst_report_document.moc"
