#include "packetframe.h"
#include "virtualcontrollerserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace LinkProtocol;

class tst_VirtualControllerServer : public QObject
{
    Q_OBJECT
private slots:
    void servesOneClientAtATime();
};

void tst_VirtualControllerServer::servesOneClientAtATime()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    QCOMPARE(server.port(), port);
    server.controller().setStateInterval(20);

    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(first.waitForConnected(5000));
    QTRY_VERIFY(server.hasClient());
    QTRY_VERIFY(first.bytesAvailable() >= 33); // a state packet
    first.readAll();
    first.write(PacketFrame::build(wireType(PacketType::MemoryWrite),
                                   QByteArray::fromHex("000002") + "hi"));
    QTRY_COMPARE(server.controller().eeprom().left(2), QByteArray("hi"));

    QSignalSpy gone(&first, &QTcpSocket::disconnected);
    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(second.waitForConnected(5000));
    QTRY_COMPARE(gone.size(), 1);
    second.write(
        PacketFrame::build(wireType(PacketType::MemoryRead), QByteArray::fromHex("000002")));
    QByteArray received;
    const QByteArray reply =
        PacketFrame::build(replyType(PacketType::MemoryRead), QByteArray::fromHex("0000") + "hi");
    QTRY_VERIFY((received += second.readAll()).contains(reply));

    second.disconnectFromHost();
    QTRY_VERIFY(!server.hasClient());
    // Memory survives the client.
    QCOMPARE(server.controller().eeprom().left(2), QByteArray("hi"));
}

QTEST_GUILESS_MAIN(tst_VirtualControllerServer)
#include "tst_virtualcontrollerserver.moc"
