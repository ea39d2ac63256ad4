#include "report/crash_report.h"

#include <QBuffer>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QTest>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString Root = "{q5.varnel.example}CrashReport";

QString visible(QString text)
{
    return text.replace('\n', "\\n").replace('\r', "\\r");
}

// One line per element in document order: "path" for an element with children,
// "path=text" for a leaf.
QStringList outlineWithQt(const QByteArray& document)
{
    QXmlStreamReader reader(document);
    QStringList lines;
    QStringList path;
    QString text;
    bool hasChildren = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (!path.isEmpty() && !hasChildren && path.size() > 1)
                lines.last() = path.mid(1).join('/');
            const QString name =
                reader.namespaceUri().isEmpty()
                    ? reader.name().toString()
                    : "{" + reader.namespaceUri().toString() + "}" + reader.name().toString();
            path << name;
            lines << (path.size() == 1 ? name : path.mid(1).join('/') + "=");
            hasChildren = false;
            text.clear();
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            text += reader.text();
        } else if (reader.isCharacters()) {
            text += reader.text();
        } else if (reader.isEndElement()) {
            if (!hasChildren && path.size() > 1)
                lines.last() = path.mid(1).join('/') + "=" + visible(text);
            path.removeLast();
            hasChildren = true;
            text.clear();
        }
    }
    if (reader.hasError())
        lines << "ERROR " + reader.errorString();
    return lines;
}

QStringList outlineWithPython(const QByteArray& document)
{
    QTemporaryFile file;
    file.open();
    file.write(document);
    file.flush();
    QProcess python;
    python.start("python3", {"-c",
                             "import sys, xml.etree.ElementTree as ET\n"
                             "root = ET.parse(sys.argv[1]).getroot()\n"
                             "out = [root.tag]\n"
                             "def walk(e, prefix):\n"
                             "    for c in e:\n"
                             "        p = prefix + c.tag\n"
                             "        if len(c): out.append(p); walk(c, p + '/')\n"
                             "        else: out.append(p + '=' + (c.text or '').replace('\\n', "
                             "'\\\\n').replace('\\r', '\\\\r'))\n"
                             "walk(root, '')\n"
                             "sys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n",
                             file.fileName()});
    python.waitForFinished(30000);
    if (python.exitCode() != 0)
        return {"PYTHON FAILED " + QString::fromUtf8(python.readAllStandardError())};
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n');
}

QByteArray writeDocument(const CrashReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto writer = makeReportWriter();
    writeCrashReport(*writer, &buffer, report);
    return buffer.data();
}

CrashRecord makeRecord(std::optional<std::uint8_t> model)
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
        const QString platform = "ApplicationInfo/Platform=" + QSysInfo::prettyProductName();
        const QString info =
            "ApplicationInfo/Serial=Q5PC-000123|ApplicationInfo/Version=6.4.1.BETA2|" + platform;

        QTest::newRow("no record")
            << time << std::optional<CrashRecord>{} << QStringList{"one", "two"} << "fine"
            << QStringList{Root,           "Date=05/12/2026",     "Time=20:53:47",
                           "OutputLog",    "OutputLog/Entry=one", "OutputLog/Entry=two",
                           "Comments=fine"};
        QTest::newRow("model 0") << time << std::optional(makeRecord(0)) << QStringList{"x"} << ""
                                 << (QStringList{Root, "Date=05/12/2026", "Time=20:53:47",
                                                 "ApplicationInfo",
                                                 "ApplicationInfo/Device=Q5-PC"} +
                                     info.split('|') +
                                     QStringList{"OutputLog", "OutputLog/Entry=x", "Comments="});
        QTest::newRow("no model, empty log")
            << time << std::optional(makeRecord(std::nullopt)) << QStringList{} << ""
            << (QStringList{Root, "Date=05/12/2026", "Time=20:53:47", "ApplicationInfo"} +
                info.split('|') + QStringList{"OutputLog=", "Comments="});
        QTest::newRow("model 7 has an empty device")
            << time << std::optional(makeRecord(7)) << QStringList{} << ""
            << (QStringList{Root, "Date=05/12/2026", "Time=20:53:47", "ApplicationInfo",
                            "ApplicationInfo/Device="} +
                info.split('|') + QStringList{"OutputLog=", "Comments="});
        QTest::newRow("null time")
            << QDateTime() << std::optional<CrashRecord>{} << QStringList{} << ""
            << QStringList{Root, "Date=", "Time=", "OutputLog=", "Comments="};
        QTest::newRow("markup in comments")
            << time << std::optional<CrashRecord>{} << QStringList{"a < b && c > d"}
            << "<b>bold</b> & \"quoted\"\nsecond line"
            << QStringList{Root,
                           "Date=05/12/2026",
                           "Time=20:53:47",
                           "OutputLog",
                           "OutputLog/Entry=a < b && c > d",
                           "Comments=<b>bold</b> & \"quoted\"\\nsecond line"};
        QTest::newRow("terminal escapes and controls")
            << time << std::optional<CrashRecord>{}
            << QStringList{"\x1b[31mred\x1b[0m", QString("nul") + QChar(0) + "bell\a", "tab\tcr\r"}
            << QString("form\ffeed") + QChar(0xFFFF) + QChar(0xD800)
            << QStringList{Root,
                           "Date=05/12/2026",
                           "Time=20:53:47",
                           "OutputLog",
                           QString::fromUtf8("OutputLog/Entry=␛[31mred␛[0m"),
                           QString::fromUtf8("OutputLog/Entry=nul␀bell␇"),
                           "OutputLog/Entry=tab\tcr\\r",
                           QString::fromUtf8("Comments=form␌feed\uFFFD\uFFFD")};
        QTest::newRow("non-latin text and emoji")
            << time << std::optional<CrashRecord>{} << QStringList{QString::fromUtf8("Ошибка 🎭")}
            << QString::fromUtf8("日本語")
            << QStringList{Root,
                           "Date=05/12/2026",
                           "Time=20:53:47",
                           "OutputLog",
                           QString::fromUtf8("OutputLog/Entry=Ошибка 🎭"),
                           QString::fromUtf8("Comments=日本語")};
    }

    void documents()
    {
        QFETCH(QDateTime, time);
        QFETCH(std::optional<CrashRecord>, record);
        QFETCH(QStringList, log);
        QFETCH(QString, comments);
        QFETCH(QStringList, expected);

        const QByteArray document = writeDocument({time, record, log, comments});
        QCOMPARE(outlineWithQt(document), expected);
        QCOMPARE(outlineWithPython(document), expected);
    }

    void layoutOfTheText()
    {
        const QStringList log;
        CrashRecord record = makeRecord(7);
        const QByteArray document =
            writeDocument({QDateTime(QDate(2026, 12, 5), QTime(20, 53, 47)), record, log, "<&"});
        const QList<QByteArray> lines = document.split('\n');
        QCOMPARE(lines.value(0), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lines.value(1), QByteArray("<n1:CrashReport xmlns:n1=\"q5.varnel.example\">"));
        QCOMPARE(lines.value(2), QByteArray("    <Date>05/12/2026</Date>"));
        QVERIFY(document.contains("\n        <Device></Device>\n"));
        QVERIFY(document.contains("\n    <OutputLog/>\n"));
        QVERIFY(document.contains("<Comments>&lt;&amp;</Comments>"));
        QVERIFY(document.trimmed().endsWith("</n1:CrashReport>"));
    }
};

QTEST_GUILESS_MAIN(TestCrashReport)
#include "tst_crash_report.moc"
