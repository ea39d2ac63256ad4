#include "crash_analysis/symbols/symbol_file_reader.h"

#include <QBuffer>
#include <QTest>

using namespace CrashAnalysis;

namespace {

// Each record as one line of text, to compare with what the file says.
class Recorder : public SymbolFileHandler
{
public:
    QStringList records;

    bool module(const SymbolModule& m) override
    {
        return add(QString("module %1 %2 %3 %4").arg(m.os, m.cpu, m.debugId, m.debugFile));
    }
    bool sourceFile(qint64 number, const QString& name) override
    {
        return add(QString("file %1 %2").arg(number).arg(name));
    }
    bool function(quint64 address, quint64 size, const QString& name) override
    {
        return add(QString("func %1 %2 %3").arg(address, 0, 16).arg(size, 0, 16).arg(name));
    }
    bool line(quint64 address, quint64 size, qint64 line, qint64 file) override
    {
        return add(QString("line %1 %2 %3 %4").arg(address, 0, 16).arg(size, 0, 16).arg(line).arg(file));
    }
    bool publicSymbol(quint64 address, const QString& name) override
    {
        return add(QString("public %1 %2").arg(address, 0, 16).arg(name));
    }
    bool callFrameRules(quint64 address, quint64 size, const QString& rules) override
    {
        return add(QString("cfi %1 %2 %3").arg(address, 0, 16).arg(size, 0, 16).arg(rules));
    }

private:
    bool add(const QString& record)
    {
        records << record;
        return true;
    }
};

constexpr char Module[] = "MODULE windows x86_64 5c50ebf986fe20f3233d0533694ed5c61 q5 controller.pdb\n";

} // namespace

// Symbol files as crash tools write them, and what is not one.
class TestSymbolFileReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("problem");

        QTest::newRow("every kind of record")
            << QByteArray(Module) +
                   "INFO CODE_ID 6571C3A21200000 q5controller.exe\r\n"
                   "FILE 0 D:\\src\\lamp driver.cpp\n"
                   "FUNC m 1a200 200 8 LampDriver::update(int, bool)\n"
                   "1a200 80 40 0\n"
                   "INLINE 0 41 0 1 1a210 10\n"
                   "1a280 40 42 0\n"
                   "PUBLIC m 4e000 0 main\n"
                   "STACK WIN 4 1a200 200 4 0 8 0 0 0 1 $T0 .raSearch =\n"
                   "STACK CFI INIT 1a200 200 .cfa: $rsp 8 + .ra: .cfa -8 + ^\n"
                   "STACK CFI 1a204 .cfa: $rsp 16 + $rbp: .cfa -16 + ^\n"
                   "STACK CFI 1b000 .cfa: $rsp 99 +\n"
                   "\n"
            << QStringList{"module windows x86_64 5C50EBF986FE20F3233D0533694ED5C61 q5 "
                           "controller.pdb",
                           "file 0 D:\\src\\lamp driver.cpp",
                           "func 1a200 200 LampDriver::update(int, bool)",
                           "line 1a200 80 40 0",
                           "line 1a280 40 42 0",
                           "public 4e000 main",
                           "cfi 1a200 200 1a200 .cfa: $rsp 8 + .ra: .cfa -8 + ^\n"
                           "1a204 .cfa: $rsp 16 + $rbp: .cfa -16 + ^"}
            << "";
        QTest::newRow("empty") << QByteArray() << QStringList{} << "it is empty";
        QTest::newRow("no MODULE line")
            << QByteArray("FUNC 1 2 0 f\n") << QStringList{}
            << "it is no symbol file: its first line is no MODULE line";
        QTest::newRow("MODULE without a name")
            << QByteArray("MODULE Linux x86_64 ABCDEF0123\n") << QStringList{}
            << "line 1: a MODULE line needs a system, a CPU, an identifier and a name";
        QTest::newRow("identifier that is no identifier")
            << QByteArray("MODULE Linux x86_64 not-hex libq5.so\n") << QStringList{}
            << "line 1: the MODULE line's identifier is not a debug identifier";
        QTest::newRow("FUNC in decimal with 0x")
            << QByteArray(Module) + "FUNC 0x10 20 0 f\n" << QStringList{}
            << "line 2: a FUNC record needs an address, a size, a parameter size and a name";
        QTest::newRow("a line before any FUNC")
            << QByteArray(Module) + "FILE 0 a.cpp\n10 4 7 0\n" << QStringList{}
            << "line 3: a line record comes before any FUNC record";
        QTest::newRow("an unknown record")
            << QByteArray(Module) + "WHATEVER 1 2\n" << QStringList{}
            << "line 2: it is no record a symbol file holds";
        QTest::newRow("a line longer than any")
            << QByteArray(Module) + "PUBLIC 10 0 " + QByteArray(1100 * 1024, 'n') + "\n"
            << QStringList{} << "line 2: it is longer than any symbol file's line";
        QTest::newRow("an address beyond 63 bits")
            << QByteArray(Module) + "PUBLIC ffffffffffffffff 0 f\n" << QStringList{}
            << "line 2: a PUBLIC record needs an address, a parameter size and a name";
    }

    void reading()
    {
        QFETCH(QByteArray, text);
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        Recorder recorder;
        QTEST(readSymbolFile(buffer, recorder), "problem");
        QFETCH(QString, problem);
        if (problem.isEmpty())
            QTEST(recorder.records, "records");
    }
};

QTEST_GUILESS_MAIN(TestSymbolFileReader)
#include "tst_symbol_file_reader.moc"
