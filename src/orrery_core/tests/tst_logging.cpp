#include "child_process.h"
#include "diagnostics/debug_print.h"
#include "diagnostics/log.h"
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

void recordingSink(int sink, std::int32_t code, std::int64_t time, const char* text)
{
    deliveries.push_back({sink, code, time, text});
}

void sinkA(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    recordingSink(*static_cast<int*>(context), code, time, text);
}

void sinkB(std::int32_t code, std::int64_t time, const char* text, void* context)
{
    recordingSink(*static_cast<int*>(context), code, time, text);
}

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        deliveries.clear();
        Orrery::removeLogSink(sinkA);
        Orrery::removeLogSink(sinkB);
    }

    void logDeliversToEverySinkInKeyOrder()
    {
        int first = 1;
        int second = 2;
        Orrery::addLogSink(sinkA, &first);
        Orrery::addLogSink(sinkB, &second);
        const std::int64_t before = std::time(nullptr);
        Orrery::log(0, "Restarting Q5\n");
        Orrery::logLine(131, "code %d", 131);
        const std::int64_t after = std::time(nullptr);

        QCOMPARE(deliveries.size(), 4u);
        const int lowFirst = std::less<>()(Orrery::LogSink(sinkA), Orrery::LogSink(sinkB)) ? 1 : 2;
        QCOMPARE(deliveries[0].sink, lowFirst);
        QCOMPARE(deliveries[1].sink, 3 - lowFirst);
        QCOMPARE(deliveries[0].code, 104);
        QCOMPARE(deliveries[0].text, std::string("Restarting Q5\n"));
        QCOMPARE(deliveries[2].code, 131);
        QCOMPARE(deliveries[2].text, std::string("code 131\n"));
        QVERIFY(deliveries[0].time >= before && deliveries[0].time <= after);
    }

    void levelAddsToBaseCode()
    {
        int context = 7;
        Orrery::addLogSink(sinkA, &context);
        Orrery::log(3, "x");
        QCOMPARE(deliveries.size(), 1u);
        QCOMPARE(deliveries[0].code, 107);
        QCOMPARE(deliveries[0].sink, 7);
    }

    void removedSinkIsNotCalled()
    {
        int context = 1;
        Orrery::addLogSink(sinkA, &context);
        Orrery::removeLogSink(sinkA);
        Orrery::log(0, "gone\n");
        QVERIFY(deliveries.empty());
    }

    void nullFormatTouchesNothing()
    {
        int context = 1;
        Orrery::addLogSink(sinkA, &context);
        Orrery::log(0, nullptr);
        Orrery::logLine(131, nullptr);
        QVERIFY(deliveries.empty());
    }

    void logLineEnds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("no line end") << QByteArray("abc") << QByteArray("abc\n");
        QTest::newRow("line end kept") << QByteArray("abc\n") << QByteArray("abc\n");
        QTest::newRow("empty stays empty") << QByteArray("") << QByteArray("");
        QTest::newRow("510 characters") << QByteArray(510, 'a') << QByteArray(510, 'a') + '\n';
        QTest::newRow("exactly 511") << QByteArray(511, 'b') << QByteArray(510, 'b') + '\n';
        QTest::newRow("600 cut then ended") << QByteArray(600, 'c') << QByteArray(510, 'c') + '\n';
        QTest::newRow("511 with line end") << QByteArray(510, 'd') + '\n'
                                           << QByteArray(510, 'd') + '\n';
    }

    void logLineEnds()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        int context = 1;
        Orrery::addLogSink(sinkA, &context);
        Orrery::logLine(131, "%s", text.constData());
        QCOMPARE(deliveries.size(), 1u);
        QCOMPARE(QByteArray::fromStdString(deliveries[0].text), expected);
        QVERIFY(deliveries[0].text.size() <= 511);
    }

    void longMessageIsCutTo511()
    {
        int context = 1;
        Orrery::addLogSink(sinkA, &context);
        const QByteArray message(600, 'x');
        Orrery::log(0, "%s", message.constData());
        QCOMPARE(deliveries.size(), 1u);
        QCOMPARE(QByteArray::fromStdString(deliveries[0].text), message.left(511));

        StderrCapture capture;
        Orrery::debugPrint("%s", message.constData());
        QCOMPARE(capture.text(), message.left(511));
    }

    void debugPrintNeverWritesStandardOutput()
    {
        StderrCapture capture;
        Orrery::debugPrint("value %d\n", 42);
        QCOMPARE(capture.text(), QByteArray("value 42\n"));
    }

    void logicCheckReportsAndContinues()
    {
        StderrCapture capture;
        const double alpha = 1.5;
        const int checkLine = __LINE__ + 1;
        ORRERY_LOGIC_CHECK(Orrery::inRange(0.0, alpha, 1.0));
        const QByteArray expected =
            QByteArray("Error Logic error: 'Orrery::inRange(0.0, alpha, 1.0)' "
                       "is FALSE at line ") +
            QByteArray::number(checkLine) + " in file " + __FILE__ + '\n';
        QCOMPARE(capture.text(), expected);
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

    void passingAssertionDoesNothing()
    {
        const auto [status, output] = runInChild([] { ORRERY_ASSERT(1 + 1 == 2); });
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(output.isEmpty());
    }

    void inRangeIncludesBothEnds_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("inside");
        QTest::newRow("low end") << 0.0 << true;
        QTest::newRow("high end") << 1.0 << true;
        QTest::newRow("below") << -0.001 << false;
        QTest::newRow("above") << 1.5 << false;
    }

    void inRangeIncludesBothEnds()
    {
        QFETCH(double, value);
        QFETCH(bool, inside);
        QCOMPARE(Orrery::inRange(0.0, value, 1.0), inside);
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
