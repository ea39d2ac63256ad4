#include "child_process.h"
#include "diagnostics/debug_print.h"
#include "diagnostics/log.h"
#include "diagnostics/version.h"
#include "stderr_capture.h"

#include <QTest>

#include <csignal>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Delivery {
    int sink;
    std::int32_t code;
    std::int64_t time;
    std::string text;
};

std::vector<Delivery> deliveries;

void sinkA(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    deliveries.push_back({*static_cast<int*>(context), code, time, text});
}

void sinkB(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    sinkA(code, time, text, context);
}

int sinkContext[] = {1, 2};

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        deliveries.clear();
        Orrery::addLogSink(sinkA, &sinkContext[0]);
    }

    void cleanup()
    {
        Orrery::removeLogSink(sinkA);
        Orrery::removeLogSink(sinkB);
    }

    void logDeliversToEverySinkInKeyOrder()
    {
        Orrery::addLogSink(sinkB, &sinkContext[1]);
        const std::int64_t before = std::time(nullptr);
        Orrery::log(3, "Restarting Q5\n");
        Orrery::logLine(131, "code %d", 131);
        Orrery::log(0, nullptr);
        Orrery::removeLogSink(sinkB);
        Orrery::log(0, "only A\n");
        QCOMPARE(deliveries.size(), 5u);
        const int lowFirst = std::less<>()(Orrery::LogSink(sinkA), Orrery::LogSink(sinkB)) ? 1 : 2;
        QCOMPARE(deliveries[0].sink, lowFirst);
        QCOMPARE(deliveries[1].sink, 3 - lowFirst);
        QCOMPARE(deliveries[0].code, 107);
        QCOMPARE(deliveries[0].text, std::string("Restarting Q5\n"));
        QCOMPARE(deliveries[2].code, 131);
        QCOMPARE(deliveries[2].text, std::string("code 131\n"));
        QCOMPARE(deliveries[4].sink, 1);
        QVERIFY(deliveries[0].time >= before && deliveries[0].time <= std::time(nullptr));
    }

    void logLineEnds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no line end") << QByteArray("abc") << QByteArray("abc\n");
        QTest::newRow("line end kept") << QByteArray("abc\n") << QByteArray("abc\n");
        QTest::newRow("empty stays empty") << QByteArray("") << QByteArray("");
        QTest::newRow("exactly 511") << QByteArray(511, 'b') << QByteArray(510, 'b') + '\n';
        QTest::newRow("600 cut then ended") << QByteArray(600, 'c') << QByteArray(510, 'c') + '\n';
    }

    void logLineEnds()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        Orrery::logLine(131, "%s", text.constData());
        QCOMPARE(deliveries.size(), 1u);
        QCOMPARE(QByteArray::fromStdString(deliveries[0].text), expected);
    }

    void longMessagesAreCutTo511()
    {
        const QByteArray message(600, 'x');
        Orrery::log(0, "%s", message.constData());
        QCOMPARE(QByteArray::fromStdString(deliveries.at(0).text), message.left(511));
        StderrCapture capture;
        Orrery::debugPrint("%s", message.constData());
        QCOMPARE(capture.text(), message.left(511));
    }

    void logicCheckReportsAndContinues()
    {
        StderrCapture capture;
        const double alpha = 1.5;
        const int checkLine = __LINE__ + 1;
        ORRERY_LOGIC_CHECK(Orrery::inRange(0.0, alpha, 1.0));
        QCOMPARE(capture.text(), QByteArray("Error Logic error: 'Orrery::inRange(0.0, alpha, 1.0)' "
                                            "is FALSE at line ") +
                                     QByteArray::number(checkLine) + " in file " + __FILE__ + '\n');
    }

    void assertionPrintsAndAborts()
    {
        const auto [status, output] = runInChild([] {
            const int value = 3;
            ORRERY_ASSERT(value == 4);
        });
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGABRT);
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
