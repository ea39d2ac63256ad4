#include "crash_analysis/minidump/minidump_scanner.h"
#include "minidump_builder.h"

#include <QProcess>
#include <QTest>

using namespace CrashAnalysis;

namespace {

// The bytes of Python's `out`, after the prelude.
QByteArray built(const QString& program)
{
    QProcess python;
    python.start("python3", {"-c", QString::fromLatin1(MinidumpPrelude) + "import sys\n" + program +
                                       "\nsys.stdout.buffer.write(out)\n"});
    python.waitForFinished(60000);
    if (python.exitCode() != 0)
        qWarning("%s", python.readAllStandardError().constData());
    return python.readAllStandardOutput();
}

// Fed in chunks of an odd size, so that chunks and the scanner's blocks never line up.
MinidumpParse scan(const QByteArray& dump, quint64 startBytes)
{
    MinidumpScanner scanner(startBytes);
    for (qsizetype at = 0; at < dump.size(); at += 4093)
        scanner.feed(QByteArrayView(dump).sliced(at, std::min<qsizetype>(4093, dump.size() - at)));
    return scanner.finish();
}

QString hex(const std::optional<quint64>& value)
{
    return value ? "0x" + QString::number(*value, 16) : QString();
}

constexpr quint64 SmallStart = 64 * 1024;

} // namespace

// The facts of minidumps built from the published layout, read as they stream past.
class TestMinidumpScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void facts_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<quint64>("start");
        QTest::addColumn<QString>("os");
        QTest::addColumn<QString>("cpu");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("address");
        // The instruction pointer's module, the offset in it, its version and debug names.
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("debugFile");
        QTest::addColumn<QString>("debugId");

        const QString q5 = "q5controller.exe";
        const QString pdb = "q5controller.pdb";
        const QString q5Id = "123456789ABCDEF011223344556677882";
        QTest::newRow("read from a null pointer")
            << "out = minidump(regs=dict(rip=Q5 + 0x1a2b), modules=[QTCORE, q5()])"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << "EXCEPTION_ACCESS_VIOLATION_READ"
            << "0x10" << q5 << "0x1a2b"
            << "6.4.0.17" << pdb << q5Id;
        QTest::newRow("streams a long way in")
            << "out = minidump(regs=dict(rip=Q5 + 0x1a2b), modules=[QTCORE, q5()], gap=300000, "
               "tail=200000)"
            << SmallStart << "Windows NT 10.0.19045"
            << "amd64"
            << "EXCEPTION_ACCESS_VIOLATION_READ"
            << "0x10" << q5 << "0x1a2b"
            << "6.4.0.17" << pdb << q5Id;
        QTest::newRow("directory after its streams, a long way in")
            << "out = minidump(regs=dict(rip=Q5 + 0x1a2b), modules=[QTCORE, q5()], gap=300000, "
               "directory_last=True)"
            << SmallStart << "Windows NT 10.0.19045"
            << "amd64"
            << "EXCEPTION_ACCESS_VIOLATION_READ"
            << "0x10" << q5 << "0x1a2b"
            << "6.4.0.17" << pdb << q5Id;
        // A 32-bit writer's parameter sign-extended to 64 bits is still a 32-bit address.
        QTest::newRow("write on x86 with a service pack")
            << "out = minidump(cpu='x86', version=(6, 1, 7601), service_pack='Service Pack 1', "
               "params=(1, 0xffffffffdeadbeef), regs=dict(eip=0x401234), "
               "modules=[module('C:\\\\q5.exe', 0x400000, 0x100000, (6, 3, 2, 1))])"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 6.1.7601 Service Pack 1"
            << "x86"
            << "EXCEPTION_ACCESS_VIOLATION_WRITE"
            << "0xdeadbeef"
            << "q5.exe"
            << "0x1234"
            << "6.3.2.1"
            << ""
            << "";
        QTest::newRow("executing data")
            << "out = minidump(params=(8, 0x7ff6ffff0000), regs=dict(rip=0x7ff6ffff0000), "
               "modules=[q5()])"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << "EXCEPTION_ACCESS_VIOLATION_EXEC"
            << "0x7ff6ffff0000"
            << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("divide by zero: where it happened")
            << "out = minidump(code=0xc0000094, params=(), address=Q5 + 0x40, "
               "regs=dict(rip=Q5 + 0x40), modules=[q5(None)])"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << "EXCEPTION_INT_DIVIDE_BY_ZERO"
            << "0x7ff64a2c0040" << q5 << "0x40"
            << "" << pdb << q5Id;
        QTest::newRow("stack buffer overrun")
            << "out = minidump(code=0xc0000409, params=(2,), address=5, regs=dict(rip=5))"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << "STATUS_STACK_BUFFER_OVERRUN"
            << "0x5"
            << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("a C++ exception has no name")
            << "out = minidump(code=0xe06d7363, params=(), address=9, regs=dict(rip=9))"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << "0xe06d7363"
            << "0x9"
            << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("Linux arm64 with a build ID")
            << "out = minidump(cpu='arm64', system='linux', code=11, params=(), address=0x28, "
               "regs=dict(pc=0x5500001000, sp=0x7ff0000000), modules=[module('/opt/q5/libq5.so', "
               "0x5500000000, 0x10000, None, elf('0102030405060708090a0b0c0d0e0f1011121314'))])"
            << MinidumpScanner::DefaultStartBytes << "Linux"
            << "arm64"
            << "SIGSEGV"
            << "0x28"
            << "libq5.so"
            << "0x1000"
            << ""
            << "libq5.so"
            << "0403020106050807090A0B0C0D0E0F100";
        QTest::newRow("Linux abort")
            << "out = minidump(system='linux', code=6, params=(), address=0, regs=dict(rip=7))"
            << MinidumpScanner::DefaultStartBytes << "Linux"
            << "amd64"
            << "SIGABRT"
            << "0x0"
            << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("no exception")
            << "out = minidump(exception=False, regs=dict(rip=Q5 + 2), modules=[q5()])"
            << MinidumpScanner::DefaultStartBytes << "Windows NT 10.0.19045"
            << "amd64"
            << ""
            << "" << q5 << "0x2"
            << "6.4.0.17" << pdb << q5Id;
    }

    void facts()
    {
        QFETCH(QString, program);
        QFETCH(quint64, start);
        const MinidumpParse parse = scan(built(program), start);
        QVERIFY2(parse.facts, qPrintable(parse.problem));
        const DumpFacts& facts = *parse.facts;
        QTEST(facts.os, "os");
        QTEST(facts.cpu, "cpu");
        QTEST(facts.reason, "reason");
        QTEST(hex(facts.address), "address");
        const auto instruction = facts.instructionPointer();
        QVERIFY(instruction);
        const DumpModule* module = facts.moduleAt(*instruction);
        QTEST(module ? module->name() : QString(), "module");
        QTEST(module ? hex(*instruction - module->base) : QString(), "offset");
        QTEST(module ? module->version.value_or(QString()) : QString(), "version");
        QTEST(module ? module->debugFile : QString(), "debugFile");
        QTEST(module ? module->debugId : QString(), "debugId");
    }

    // What is no minidump, or too broken to read, says why; hostile counts and places are held
    // to what is there.
    void brokenAndHostile_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("modules");
        QTest::addColumn<QString>("reason");

        const QString dump = "out = bytearray(minidump(regs=dict(rip=Q5), modules=[q5()]))\n";
        QTest::newRow("empty") << "out = b''"
                               << "ends before a minidump's header does" << 0 << "";
        QTest::newRow("a zip file") << "out = b'PK\\x03\\x04' + bytes(4000)"
                                    << "is no minidump" << 0 << "";
        QTest::newRow("no streams")
            << "out = struct.pack('<4sIIIIIQ', b'MDMP', 0xa793, 0, 32, 0, 0, 0)"
            << "holds none of the streams that tell of a crash" << 0 << "";
        QTest::newRow("directory past the end")
            << dump + "struct.pack_into('<I', out, 12, 0x7fffff00)"
            << "has its stream directory beyond its end" << 0 << "";
        QTest::newRow("four billion streams") << dump + "struct.pack_into('<I', out, 8, 0xffffffff)"
                                              << "" << 1 << "EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("four billion modules")
            << dump + "size, rva = struct.unpack_from('<II', out, directory_entry(out, 4))\n"
                      "struct.pack_into('<I', out, rva, 0xffffffff)"
            << "" << 1 << "EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("exception stream past the end")
            << dump + "struct.pack_into('<I', out, directory_entry(out, 6) + 4, 0xfffffff0)"
            << "" << 1 << "";
        QTest::newRow("stream size past the end")
            << dump + "struct.pack_into('<I', out, directory_entry(out, 4), 0xffffffff)"
            << "" << 1 << "EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("module list over the thread list")
            << dump + "struct.pack_into('<II', out, directory_entry(out, 4), "
                      "*struct.unpack_from('<II', out, directory_entry(out, 3)))"
            << "" << 0 << "EXCEPTION_ACCESS_VIOLATION_READ";
        QTest::newRow("truncated in the middle") << dump + "out = out[:len(out) // 2]"
                                                 << "" << 0 << "";
    }

    void brokenAndHostile()
    {
        QFETCH(QString, program);
        QFETCH(QString, problem);
        for (const quint64 start : {MinidumpScanner::DefaultStartBytes, quint64(1)}) {
            const MinidumpParse parse = scan(built(program), start);
            QCOMPARE(parse.problem, problem);
            QCOMPARE(parse.facts.has_value(), problem.isEmpty());
            if (!parse.facts)
                continue;
            QTEST(int(parse.facts->modules.size()), "modules");
            QTEST(parse.facts->reason, "reason");
        }
    }

    // A dump that is no minidump is given up at once; one whose facts lie near its start needs
    // none of the rest.
    void stopsWhenNothingMoreIsWanted()
    {
        MinidumpScanner notADump;
        QVERIFY(!notADump.feed("PK\x03\x04 and much more"));
        const QByteArray dump = built("out = minidump(regs=dict(rip=Q5), modules=[q5()], "
                                      "tail=400000)");
        MinidumpScanner scanner(SmallStart);
        qsizetype fed = 0;
        while (fed < dump.size() && scanner.feed(QByteArrayView(dump).sliced(fed, 4096)))
            fed += 4096;
        QVERIFY2(fed < qsizetype(2 * SmallStart), qPrintable(QString::number(fed)));
        QVERIFY(scanner.finish().facts);
    }
};

QTEST_GUILESS_MAIN(TestMinidumpScanner)
#include "tst_minidump_scanner.moc"
