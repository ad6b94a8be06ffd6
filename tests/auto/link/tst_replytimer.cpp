#include "replytimer.h"

#include <QTest>

using LinkProtocol::PacketType;

class tst_ReplyTimer : public QObject
{
    Q_OBJECT
private slots:
    void timeout_data();
    void timeout();
    void typesKeepTheirOwnEstimate();
};

void tst_ReplyTimer::timeout_data()
{
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<int>("resends");
    QTest::addColumn<int>("expected");
    using L = QList<int>;
    QTest::newRow("nothing measured") << L{} << 0 << 0;
    QTest::newRow("nothing measured, after resends") << L{} << 5 << 0;
    // First sample: variation half the sample, so three times the sample.
    QTest::newRow("one sample") << L{230} << 0 << 690;
    QTest::newRow("steady replies leave the margin") << L(40, 230) << 0 << 250;
    QTest::newRow("instant replies") << L(40, 0) << 0 << 20;
    QTest::newRow("backoff doubles") << L(40, 230) << 1 << 500;
    QTest::newRow("backoff stops at four times") << L(40, 230) << 9 << 1000;
    QTest::newRow("backoff stops at the watchdog") << L(40, 600) << 9 << 1500;
    QTest::newRow("an estimate above the watchdog stays") << L{1000} << 3 << 3000;
    QTest::newRow("jitter widens the margin") << L{200, 260, 200, 260, 200, 260} << 0 << 424;
}

void tst_ReplyTimer::timeout()
{
    QFETCH(QList<int>, samples);
    QFETCH(int, resends);
    QFETCH(int, expected);
    ReplyTimer timer;
    for (int sample : samples)
        timer.addSample(PacketType::MemoryWrite, sample);
    QCOMPARE(timer.isMeasured(PacketType::MemoryWrite), !samples.isEmpty());
    QCOMPARE(timer.timeoutMs(PacketType::MemoryWrite, resends), qint64(expected));
}

void tst_ReplyTimer::typesKeepTheirOwnEstimate()
{
    ReplyTimer timer;
    timer.addSample(PacketType::MemoryWrite, 230);
    QVERIFY(!timer.isMeasured(PacketType::MemoryRead));
    QCOMPARE(timer.timeoutMs(PacketType::MemoryRead), qint64(0));
    // Manual and step command packets are answered alike.
    timer.addSample(PacketType::ManualCommand, 100);
    QVERIFY(timer.isMeasured(PacketType::StepCommand));
    QCOMPARE(timer.timeoutMs(PacketType::StepCommand), qint64(300));
    QCOMPARE(timer.smoothedMs(PacketType::MemoryWrite), qint64(230));
    timer.reset();
    QVERIFY(!timer.isMeasured(PacketType::MemoryWrite));
}

QTEST_GUILESS_MAIN(tst_ReplyTimer)
#include "tst_replytimer.moc"
