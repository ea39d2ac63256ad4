#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString binary(const char* name)
{
    return qEnvironmentVariable("Q5_BIN_DIR") + '/' + name;
}

struct Run {
    int exitCode = -1;
    QByteArray output;
};

Run runSimulator(const QStringList& arguments)
{
    QProcess simulator;
    simulator.start(binary("q5-controller-sim"), arguments);
    simulator.waitForFinished(30000);
    return {simulator.exitCode(), simulator.readAllStandardOutput()};
}

} // namespace

class TestControllerSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripThroughTheReporter()
    {
        QTemporaryDir folder;
        const Run run = runSimulator({"--instance", "17", "--timeout", "20", "--data-file",
                                      folder.filePath("crash.dat"), "--serial", "SIM-1"});
        QVERIFY2(run.output.contains("reporter said \"connected\""), run.output);
        QVERIFY(run.output.contains("record written to block \"VarnelQ5SM_17\""));
        QCOMPARE(run.exitCode, 0);
    }

    void reporterThatDoesNotConnectFails()
    {
        const Run run = runSimulator({"--reporter", "/bin/echo", "--reporter-argument", "hello",
                                      "--timeout", "20", "--skip-data-file"});
        QVERIFY2(run.output.contains("not \"connected\""), run.output);
        QCOMPARE(run.exitCode, 4);
    }

    void missingReporterFails()
    {
        const Run run = runSimulator({"--reporter", "/nonexistent/reporter", "--skip-data-file"});
        QCOMPARE(run.exitCode, 4);
    }

    void badArgumentsAreUsageErrors()
    {
        QCOMPARE(runSimulator({"--controller-version", "6.4", "--skip-data-file"}).exitCode, 2);
        QCOMPARE(runSimulator({"--instance", "x", "--skip-data-file"}).exitCode, 2);
    }

    void writesTheDumpFileOfTheGivenSize()
    {
        QTemporaryDir folder;
        const QString dump = folder.filePath("c.dmp");
        const Run run = runSimulator({"--dump", dump, "--dump-size", "200000", "--timeout", "20",
                                      "--data-file", folder.filePath("crash.dat")});
        QCOMPARE(run.exitCode, 0);
        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), 200000);
        QCOMPARE(file.read(4), QByteArray("MDMP"));
    }
};

QTEST_GUILESS_MAIN(TestControllerSim)
#include "tst_controller_sim.moc"
