#include "mbluetoothconnect.h"
#include "packetframe.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class tst_mBluetoothConnect : public QObject
{
    Q_OBJECT
private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void deviceTextIsJson_data();
    void deviceTextIsJson();
    void plainDeviceTextKeepsItsLayout();
    void addressKinds_data();
    void addressKinds();
    void serviceFoundTwiceIsReportedOnce();
    void shortAddressWarnsOnce();
    void searchWithoutAdapterEndsCleanly();
    void tcpConnectStepsAndFrames();
    void refusedConnectionRecreatesSocket();
    void disconnectByCommand();
};

void tst_mBluetoothConnect::deviceTextIsJson_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Robot 7";
    QTest::newRow("double quote") << "My \"fast\" robot";
    QTest::newRow("backslash") << "C:\\robot\\";
    QTest::newRow("cyrillic and braces") << QString::fromUtf8("Робот {1}");
}

void tst_mBluetoothConnect::deviceTextIsJson()
{
    QFETCH(QString, name);
    const QString text = mBluetoothConnect::deviceText(name, "00:11:22:33:44:55");
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object.value("Name").toString(), name);
    QCOMPARE(object.value("Address").toString(), QString("00:11:22:33:44:55"));
}

void tst_mBluetoothConnect::plainDeviceTextKeepsItsLayout()
{
    QCOMPARE(mBluetoothConnect::deviceText("Robot", "00:11:22:33:44:55"),
             QString(R"({ "Name":"Robot", "Address":"00:11:22:33:44:55" })"));
}

void tst_mBluetoothConnect::addressKinds_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<bool>("usable");
    QTest::newRow("bluetooth") << "00:11:22:33:44:55" << false << true;
    QTest::newRow("bluetooth too short") << "00:11:22:33" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("loopback") << "tcp://127.0.0.1:5555" << true << true;
    QTest::newRow("short host name") << "tcp://lo:1" << true << true;
    QTest::newRow("upper-case scheme") << "TCP://127.0.0.1:5555" << true << true;
    QTest::newRow("no port") << "tcp://127.0.0.1" << true << false;
    QTest::newRow("port zero") << "tcp://127.0.0.1:0" << true << false;
    QTest::newRow("no host") << "tcp://:5555" << true << false;
    QTest::newRow("path") << "tcp://127.0.0.1:5555/x" << true << false;
}

void tst_mBluetoothConnect::addressKinds()
{
    QFETCH(QString, address);
    QFETCH(bool, tcp);
    QFETCH(bool, usable);
    QCOMPARE(LinkSocket::kindOf(address) == LinkSocket::Kind::Tcp, tcp);
    QCOMPARE(LinkSocket::isUsableAddress(address), usable);
}

void tst_mBluetoothConnect::serviceFoundTwiceIsReportedOnce()
{
    mBluetoothConnect transport;
    QSignalSpy found(&transport, &LinkTransport::findNewDevice);
    QBluetoothServiceInfo service;
    service.setDevice(
        QBluetoothDeviceInfo(QBluetoothAddress("00:11:22:33:44:55"), "Robot \"7\"", 0));
    for (int i = 0; i < 2; ++i)
        QVERIFY(QMetaObject::invokeMethod(&transport, "getService",
                                          Q_ARG(QBluetoothServiceInfo, service)));
    QCOMPARE(found.size(), 1);
    QCOMPARE(transport.foundDevices().size(), 1);
    const QJsonObject device = QJsonDocument::fromJson(found[0][0].toString().toUtf8()).object();
    QCOMPARE(device.value("Name").toString(), QString("Robot \"7\""));
    QCOMPARE(device.value("Address").toString(), QString("00:11:22:33:44:55"));
}

void tst_mBluetoothConnect::shortAddressWarnsOnce()
{
    mBluetoothConnect transport;
    const QString info = R"({ "Name":"x", "Address":"00:11" })";
    transport.connectDevice(info); // creates the socket
    QVERIFY(transport.hasSocket());
    QTest::ignoreMessage(QtDebugMsg, "No valid address");
    transport.connectDevice(info);
    transport.connectDevice(info); // no second warning; QTest fails on unexpected ones only
    QCOMPARE(transport.socketErrorCount(), 0);
}

void tst_mBluetoothConnect::searchWithoutAdapterEndsCleanly()
{
    mBluetoothConnect transport;
    QSignalSpy ended(&transport, &LinkTransport::endDevicesRefresh);
    transport.findDevices();
    // With an adapter the search runs for a while; without one it ends inside start().
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);
    QCOMPARE(transport.searchState(), 0);
    QVERIFY(!transport.hasSocket());
    // Connecting works again: the next step creates a socket.
    transport.connectDevice(R"({ "Name":"x", "Address":"tcp://127.0.0.1:9" })");
    QVERIFY(transport.hasSocket());
    // And a second search can start.
    transport.findDevices();
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, 60000);
    QCOMPARE(transport.searchState(), 0);
}

void tst_mBluetoothConnect::tcpConnectStepsAndFrames()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString info =
        QStringLiteral("{ \"Name\":\"Virtual controller\", \"Address\":\"tcp://127.0.0.1:%1\" }")
            .arg(server.serverPort());
    mBluetoothConnect transport;
    QSignalSpy status(&transport, &LinkTransport::connectState);
    QSignalSpy packets(&transport, &LinkTransport::receivePacket);
    QSignalSpy errors(&transport, &LinkTransport::errorReceive);
    transport.connectDevice(info);
    QVERIFY(transport.hasSocket());
    QVERIFY(!server.hasPendingConnections());
    transport.connectDevice(info);
    QTRY_VERIFY(status.size() >= 1);
    QCOMPARE(status[0][0].toInt(), 1);
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(2000));
    QTcpSocket *peer = server.nextPendingConnection();
    QVERIFY(peer);

    // While connected a further step does nothing.
    transport.connectDevice(info);

    transport.sendPacket(0x11, QByteArray::fromHex("000040"));
    QTRY_COMPARE(peer->bytesAvailable(), 7);
    QCOMPARE(peer->readAll(), QByteArray::fromHex("b5031100004053"));

    QByteArray corrupted = PacketFrame::build(0x90, "\x00\x00");
    corrupted[corrupted.size() - 1] = char(corrupted.back() ^ 1);
    peer->write(QByteArray("\x01\x02", 2) + corrupted + PacketFrame::build(0x91, "\x40\x00"));
    QTRY_COMPARE(packets.size(), 1);
    QCOMPARE(packets[0][0].toInt(), 0x91);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(status.last()[0].toInt(), 2);
    delete peer;
}

void tst_mBluetoothConnect::refusedConnectionRecreatesSocket()
{
    // A port that was just free: connections are refused.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const QString info =
        QStringLiteral("{ \"Name\":\"x\", \"Address\":\"tcp://127.0.0.1:%1\" }").arg(port);
    mBluetoothConnect transport;
    transport.connectDevice(info); // create
    for (int attempt = 1; attempt <= 2; ++attempt) {
        transport.connectDevice(info);
        QTRY_COMPARE(transport.socketErrorCount(), attempt);
    }
    QTest::ignoreMessage(QtDebugMsg, "Recreate socket");
    transport.connectDevice(info);
    QVERIFY(!transport.hasSocket());
    transport.connectDevice(info);
    QVERIFY(transport.hasSocket());
    QCOMPARE(transport.socketErrorCount(), 0);
}

void tst_mBluetoothConnect::disconnectByCommand()
{
    mBluetoothConnect transport;
    QSignalSpy reasons(&transport, &LinkTransport::disconnected);
    transport.connectDevice(R"({ "Name":"x", "Address":"tcp://127.0.0.1:9" })");
    QVERIFY(transport.hasSocket());
    transport.disconnectDevice();
    QVERIFY(!transport.hasSocket());
    QCOMPARE(reasons.size(), 1);
    QCOMPARE(reasons[0][0].toString(), QString("Disconnect by command"));
    // Without a socket a packet is dropped silently.
    transport.sendPacket(1, "x");
}

QTEST_GUILESS_MAIN(tst_mBluetoothConnect)
#include "tst_mbluetoothconnect.moc"
