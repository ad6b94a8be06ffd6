#include "deframer.h"
#include "packetframe.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

class tst_PacketFrame : public QObject
{
    Q_OBJECT
private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void crcCheckValue();
    void build_data();
    void build();
    void roundTripThroughDeframer_data();
    void roundTripThroughDeframer();
    void garbageBeforeStartByteIsSilent();
    void falseStartEndsInChecksumError();
    void falseStartEndsInTimeout();
    void twoFramesInOneBatch_data();
    void twoFramesInOneBatch();
    void flood_data();
    void flood();
    void batchesOfAHundred();
    void startByteInsidePayload();
};

void tst_PacketFrame::crcCheckValue()
{
    QCOMPARE(PacketFrame::crc8("123456789"), quint8(0xA1));
    QCOMPARE(PacketFrame::crc8(""), quint8(0));
}

void tst_PacketFrame::build_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("memory read request") << 0x11 << QByteArray::fromHex("000040")
                                         << QByteArray::fromHex("b50311000040"
                                                                "53");
    QTest::newRow("empty payload") << 0x81 << QByteArray() << QByteArray::fromHex("b500815b");
    QTest::newRow("write reply") << 0x90 << QByteArray::fromHex("0102")
                                 << QByteArray::fromHex("b502900102ca");
    QTest::newRow("type keeps its low byte")
        << 0x190 << QByteArray::fromHex("0000") << QByteArray::fromHex("b502900000b2");
}

void tst_PacketFrame::build()
{
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    const QByteArray built = PacketFrame::build(type, payload);
    QCOMPARE(built, frame);
    // A receiver running the CRC over the whole frame gets 0.
    QCOMPARE(PacketFrame::crc8(built), quint8(0));
}

void tst_PacketFrame::roundTripThroughDeframer_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("N = 0") << 0x81 << QByteArray();
    QTest::newRow("one byte") << 0x87 << QByteArray(1, 'x');
    QTest::newRow("state packet") << 0x20 << QByteArray(29, '\x01');
    QTest::newRow("read reply") << 0x91 << QByteArray(66, '\xb5');
    QTest::newRow("longest") << 0x10 << QByteArray(255, '\x7f');
}

void tst_PacketFrame::roundTripThroughDeframer()
{
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    Deframer deframer;
    QSignalSpy packets(&deframer, &Deframer::packetReceived);
    QSignalSpy errors(&deframer, &Deframer::checksumFailed);
    QSignalSpy ends(&deframer, &Deframer::frameEnded);
    deframer.feed(PacketFrame::build(type, payload));
    QCOMPARE(packets.size(), 1);
    QCOMPARE(packets[0][0].toInt(), type);
    QCOMPARE(packets[0][1].toByteArray(), payload);
    QCOMPARE(deframer.lastPayload(), payload);
    QCOMPARE(errors.size(), 0);
    QCOMPARE(ends.size(), 1);
    QCOMPARE(deframer.state(), Deframer::Hunting);
    QVERIFY(!deframer.receiveTimer().isActive());
}

void tst_PacketFrame::garbageBeforeStartByteIsSilent()
{
    Deframer deframer;
    QSignalSpy packets(&deframer, &Deframer::packetReceived);
    QSignalSpy errors(&deframer, &Deframer::checksumFailed);
    QSignalSpy ends(&deframer, &Deframer::frameEnded);
    deframer.feed(QByteArray::fromHex("00ff1234b4b6") + PacketFrame::build(0x90, "\x40\x00"));
    QCOMPARE(errors.size(), 0);
    QCOMPARE(packets.size(), 1);
    QCOMPARE(ends.size(), 1);
}

void tst_PacketFrame::falseStartEndsInChecksumError()
{
    Deframer deframer;
    QSignalSpy packets(&deframer, &Deframer::packetReceived);
    QSignalSpy errors(&deframer, &Deframer::checksumFailed);
    QSignalSpy ends(&deframer, &Deframer::frameEnded);
    // A stray start byte claims two payload bytes; its "checksum" is the real frame's start.
    const QByteArray real = PacketFrame::build(0x81, {});
    deframer.feed(QByteArray::fromHex("b50201aabb") + real + real);
    QCOMPARE(errors.size(), 1);
    // The bytes of the first real frame were eaten by the false one; the second gets through.
    QCOMPARE(packets.size(), 1);
    QCOMPARE(ends.size(), 2);
}

void tst_PacketFrame::falseStartEndsInTimeout()
{
    Deframer deframer;
    QSignalSpy timeouts(&deframer.receiveTimer(), &QTimer::timeout);
    deframer.feed(QByteArray::fromHex("b5400301"));
    QCOMPARE(deframer.state(), Deframer::Body);
    QVERIFY(deframer.receiveTimer().isActive());
    QCOMPARE(deframer.receiveTimer().interval(), 300);
    QVERIFY(timeouts.wait(2000));
    // The owner answers the timeout by resetting; then a new frame is found again.
    deframer.reset();
    QSignalSpy packets(&deframer, &Deframer::packetReceived);
    deframer.feed(PacketFrame::build(0x90, "\x00\x00"));
    QCOMPARE(packets.size(), 1);
}

void tst_PacketFrame::twoFramesInOneBatch_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("timerActive");
    QTest::newRow("second frame ends the batch") << QByteArray() << false;
    QTest::newRow("garbage after the second frame") << QByteArray("\x01\x02", 2) << true;
}

void tst_PacketFrame::twoFramesInOneBatch()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, timerActive);
    Deframer deframer;
    QSignalSpy packets(&deframer, &Deframer::packetReceived);
    deframer.feed(PacketFrame::build(0x90, "\x00\x00") +
                  PacketFrame::build(0x20, QByteArray(29, 0)) + tail);
    QCOMPARE(packets.size(), 2);
    QCOMPARE(packets[0][0].toInt(), 0x90);
    QCOMPARE(packets[1][0].toInt(), 0x20);
    QCOMPARE(deframer.receiveTimer().isActive(), timerActive);
}

void tst_PacketFrame::flood_data()
{
    QTest::addColumn<int>("waiting");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("packets");
    QTest::newRow("2000 bytes are read") << 2000 << 2 << 1;
    QTest::newRow("2001 bytes are discarded") << 2001 << -2 << 0;
}

void tst_PacketFrame::flood()
{
    QFETCH(int, waiting);
    QFETCH(int, status);
    QFETCH(int, packets);
    const QByteArray frame = PacketFrame::build(0x90, "\x00\x00");
    QByteArray bytes(waiting - frame.size(), '\x01');
    bytes.append(frame);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Deframer deframer;
    QSignalSpy statuses(&deframer, &Deframer::connectState);
    QSignalSpy received(&deframer, &Deframer::packetReceived);
    if (status == -2)
        QTest::ignoreMessage(QtDebugMsg, "CLEAR. to many received");
    deframer.readFrom(&buffer);
    QCOMPARE(statuses.size(), 1);
    QCOMPARE(statuses[0][0].toInt(), status);
    QCOMPARE(received.size(), packets);
    QCOMPARE(buffer.bytesAvailable(), 0);
}

void tst_PacketFrame::batchesOfAHundred()
{
    // A frame that ends exactly on a batch boundary stops the timer; the next batch restarts it.
    QByteArray bytes(100 - 6, '\x01');
    bytes.append(PacketFrame::build(0x90, "\x00\x00"));
    bytes.append(QByteArray::fromHex("b502"));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Deframer deframer;
    QSignalSpy received(&deframer, &Deframer::packetReceived);
    deframer.readFrom(&buffer);
    QCOMPARE(received.size(), 1);
    QCOMPARE(deframer.state(), Deframer::Body);
    QVERIFY(deframer.receiveTimer().isActive());
}

void tst_PacketFrame::startByteInsidePayload()
{
    Deframer deframer;
    QSignalSpy received(&deframer, &Deframer::packetReceived);
    const QByteArray payload = QByteArray::fromHex("b5b5b5");
    // Fed byte by byte, as a slow link delivers it.
    const QByteArray frame = PacketFrame::build(0xb5, payload);
    for (char c : frame)
        deframer.feed(QByteArrayView(&c, 1));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toInt(), 0xb5);
    QCOMPARE(received[0][1].toByteArray(), payload);
}

QTEST_GUILESS_MAIN(tst_PacketFrame)
#include "tst_packetframe.moc"
