#include "deframer.h"
#include "packetframe.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

using namespace LinkProtocol;

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
    QTest::newRow("memory read request")
        << wireType(PacketType::MemoryRead) << QByteArray::fromHex("000040")
        << QByteArray::fromHex("b50311000040"
                               "53");
    QTest::newRow("empty payload")
        << replyType(PacketType::Configuration) << QByteArray() << QByteArray::fromHex("b500815b");
    QTest::newRow("write reply") << replyType(PacketType::MemoryWrite)
                                 << QByteArray::fromHex("0102")
                                 << QByteArray::fromHex("b502900102ca");
    QTest::newRow("type keeps its low byte")
        << (replyType(PacketType::MemoryWrite) | 0x100) << QByteArray::fromHex("0000")
        << QByteArray::fromHex("b502900000b2");
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
    QTest::newRow("N = 0") << replyType(PacketType::Configuration) << QByteArray();
    QTest::newRow("one byte") << replyType(PacketType::Rename) << QByteArray(1, 'x');
    QTest::newRow("state packet") << wireType(PacketType::State) << QByteArray(29, '\x01');
    QTest::newRow("read reply") << replyType(PacketType::MemoryRead) << QByteArray(66, '\xb5');
    QTest::newRow("longest") << wireType(PacketType::MemoryWrite) << QByteArray(255, '\x7f');
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
    deframer.feed(QByteArray::fromHex("00ff1234b4b6") +
                  PacketFrame::build(replyType(PacketType::MemoryWrite), "\x40\x00"));
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
    const QByteArray real = PacketFrame::build(replyType(PacketType::Configuration), {});
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
    deframer.feed(PacketFrame::build(replyType(PacketType::MemoryWrite), "\x00\x00"));
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
    deframer.feed(PacketFrame::build(replyType(PacketType::MemoryWrite), "\x00\x00") +
                  PacketFrame::build(wireType(PacketType::State), QByteArray(29, 0)) + tail);
    QCOMPARE(packets.size(), 2);
    QCOMPARE(packets[0][0].toInt(), replyType(PacketType::MemoryWrite));
    QCOMPARE(packets[1][0].toInt(), wireType(PacketType::State));
    QCOMPARE(deframer.receiveTimer().isActive(), timerActive);
}

void tst_PacketFrame::flood_data()
{
    QTest::addColumn<int>("waiting");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("packets");
    QTest::newRow("2000 bytes are read") << 2000 << int(ConnectionStatus::DataArrived) << 1;
    QTest::newRow("2001 bytes are discarded") << 2001 << int(ConnectionStatus::Flooded) << 0;
}

void tst_PacketFrame::flood()
{
    QFETCH(int, waiting);
    QFETCH(int, status);
    QFETCH(int, packets);
    const QByteArray frame = PacketFrame::build(replyType(PacketType::MemoryWrite), "\x00\x00");
    QByteArray bytes(waiting - frame.size(), '\x01');
    bytes.append(frame);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Deframer deframer;
    QSignalSpy statuses(&deframer, &Deframer::connectState);
    QSignalSpy received(&deframer, &Deframer::packetReceived);
    if (status == int(ConnectionStatus::Flooded))
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
    bytes.append(PacketFrame::build(replyType(PacketType::MemoryWrite), "\x00\x00"));
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
    const QByteArray frame = PacketFrame::build(kStartByte, payload);
    for (char c : frame)
        deframer.feed(QByteArrayView(&c, 1));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toInt(), int(kStartByte));
    QCOMPARE(received[0][1].toByteArray(), payload);
}

QTEST_GUILESS_MAIN(tst_PacketFrame)
#include "tst_packetframe.moc"
