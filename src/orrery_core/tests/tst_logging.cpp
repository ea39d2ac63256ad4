#include "orrery_core/diagnostics/debug_print.h"
#include "orrery_core/diagnostics/log.h"
#include "orrery_core/diagnostics/version.h"
#include "process_capture.h"

#include <QTest>

#include <csignal>
#include <ctime>

namespace {

QStringList deliveries;

void sinkA(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    const bool now = qAbs(time - std::time(nullptr)) <= 1;
    deliveries
        << QString("%1 %2 %3 %4").arg(*static_cast<char*>(context)).arg(code).arg(now).arg(text);
}

void sinkB(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    sinkA(code, time, text, context);
}

char sinkNames[] = "AB";

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        deliveries.clear();
        Orrery::addLogSink(sinkA, &sinkNames[0]);
    }

    void cleanup() { Orrery::removeLogSink(sinkA); }

    void logDeliversToEverySinkInKeyOrder()
    {
        Orrery::addLogSink(sinkB, &sinkNames[1]);
        Orrery::log(3, "Restarting %s\n", "Q5");
        Orrery::log(0, nullptr);
        Orrery::removeLogSink(sinkB);
        Orrery::logLine(131, "code %d", 131);
        const bool aFirst = std::less<>()(Orrery::LogSink(sinkA), Orrery::LogSink(sinkB));
        QCOMPARE(deliveries,
                 QStringList({aFirst ? "A 107 1 Restarting Q5\n" : "B 107 1 Restarting Q5\n",
                              aFirst ? "B 107 1 Restarting Q5\n" : "A 107 1 Restarting Q5\n",
                              "A 131 1 code 131\n"}));
    }

    void cutsAndLineEnds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("logLine");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("no line end")
            << QByteArray("abc") << QByteArray("abc\n") << QByteArray("abc");
        QTest::newRow("empty stays empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("exactly 511") << QByteArray(511, 'b') << QByteArray(510, 'b') + '\n'
                                     << QByteArray(511, 'b');
        QTest::newRow("600") << QByteArray(600, 'c') << QByteArray(510, 'c') + '\n'
                             << QByteArray(511, 'c');
    }

    void cutsAndLineEnds()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, logLine);
        QFETCH(QByteArray, log);
        Orrery::logLine(131, "%s", text.constData());
        Orrery::log(0, "%s", text.constData());
        QCOMPARE(deliveries, QStringList({"A 131 1 " + logLine, "A 104 1 " + log}));
        QCOMPARE(captureStandardError([&] { Orrery::debugPrint("%s", text.constData()); }), log);
    }

    void assertionPrintsAndAborts()
    {
        const auto [status, output] = runInChild([] {
            const int value = 3;
            ORRERY_ASSERT(value == 4);
        });
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
        QVERIFY2(output.startsWith("Error Assert: 'value == 4' is FALSE at line "), output);
        // Qt Test's own crash handler may add lines after ours.
        QVERIFY2(output.contains(QByteArray(" in file ") + __FILE__ + '\n'), output);
    }

    void versionText_data()
    {
        QTest::addColumn<int>("patch");
        QTest::addColumn<int>("build");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("expected");
        QTest::newRow("release full") << 0 << 0x00 << true << "6.4.0";
        QTest::newRow("release short") << 0 << 0x00 << false << "6.4";
        QTest::newRow("beta full") << 1 << 0x82 << true << "6.4.1.BETA2";
        QTest::newRow("rc short") << 0 << 0x43 << false << "6.4 RC3";
        QTest::newRow("debug 63, patch kept short") << 1 << 0xFF << false << "6.4.1 DEBUG63";
    }

    void versionText()
    {
        QFETCH(int, patch);
        QFETCH(int, build);
        QFETCH(bool, full);
        QFETCH(QString, expected);
        const Orrery::Version version{6, 4, std::uint8_t(patch), std::uint8_t(build)};
        QCOMPARE(QString::fromStdString(Orrery::versionString(version, full)), expected);
        QCOMPARE(Orrery::versionString<QString>(version, full), expected);
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
