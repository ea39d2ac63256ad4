#include "diagnostics/version.h"

#include <QTest>

class TestVersion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("patch");
        QTest::addColumn<int>("build");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("expected");

        QTest::newRow("release full") << 6 << 4 << 0 << 0x00 << true << "6.4.0";
        QTest::newRow("release short") << 6 << 4 << 0 << 0x00 << false << "6.4";
        QTest::newRow("beta full") << 6 << 4 << 1 << 0x82 << true << "6.4.1.BETA2";
        QTest::newRow("rc short") << 6 << 4 << 0 << 0x43 << false << "6.4 RC3";
        QTest::newRow("debug zero build") << 1 << 0 << 0 << 0xC0 << true << "1.0.0.DEBUG0";
        QTest::newRow("patch kept short") << 2 << 10 << 7 << 0x00 << false << "2.10.7";
        QTest::newRow("largest bytes")
            << 255 << 255 << 255 << 0xFF << true << "255.255.255.DEBUG63";
    }

    void text()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, patch);
        QFETCH(int, build);
        QFETCH(bool, full);
        QFETCH(QString, expected);
        const Orrery::Version version{std::uint8_t(major), std::uint8_t(minor), std::uint8_t(patch),
                                      std::uint8_t(build)};
        QCOMPARE(QString::fromStdString(Orrery::versionString(version, full)), expected);
        QCOMPARE(Orrery::versionString<QString>(version, full), expected);
    }
};

QTEST_GUILESS_MAIN(TestVersion)
#include "tst_version.moc"
