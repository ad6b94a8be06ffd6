#include "bluetoothportid.h"
#include "linkproblem.h"
#include "mbluetoothconnect.h"
#include "serialports.h"

#include <QTest>

using BluetoothPortId::Direction;

class tst_SerialPorts : public QObject
{
    Q_OBJECT
private slots:
    void bluetoothPortIds_data();
    void bluetoothPortIds();
    void offeredPorts();
    void robotKeptAcrossPorts();
};

void tst_SerialPorts::bluetoothPortIds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("incoming");

    // Instance IDs as Windows 10 and 11 machines reported them in public bug reports and tool
    // output; lower-case service classes and longer suffixes occur too.
    QTest::newRow("outgoing, local maker")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\7&D0D1EE&0&B8B3DC31CBA8_C00000000)"
        << true << "B8:B3:DC:31:CB:A8" << false;
    QTest::newRow("incoming of the same pair")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\7&D0D1EE&0&000000000000_00000000)"
        << true << "" << true;
    QTest::newRow("outgoing, device id profile")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_VID&00020430_PID&0211\7&28E98569&1&986EE847BEE9_C00000000)"
        << true << "98:6E:E8:47:BE:E9" << false;
    QTest::newRow("outgoing, lower case")
        << R"(bthenum\{00001101-0000-1000-8000-00805f9b34fb}_localmfg&000a\8&39341452&0&98da600acb1e_c00000000)"
        << true << "98:DA:60:0A:CB:1E" << false;
    QTest::newRow("incoming, numbered suffix")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\7&11A88E8E&0&000000000000_0000000C)"
        << true << "" << true;
    QTest::newRow("hardware id, incoming")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0000)" << true << "" << true;
    QTest::newRow("hardware id, outgoing")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_VID&00010075_PID&0001)" << true << ""
        << false;
    QTest::newRow("usb adapter") << R"(USB\VID_1A86&PID_7523\5&2B6A6B63&0&2)" << false << ""
                                 << false;
    QTest::newRow("built-in port") << R"(ACPI\PNP0501\1)" << false << "" << false;
    QTest::newRow("device node, no port")
        << R"(BTHENUM\DEV_5C9BA67E10EF\8&2913C227&0&BLUETOOTHDEVICE_5C9BA67E10EF)" << false << ""
        << false;
    QTest::newRow("address cut short")
        << R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\7&D0D1EE&0&B8B3DC31CB_C00000000)"
        << false << "" << false;
    QTest::newRow("empty") << "" << false << "" << false;
}

void tst_SerialPorts::bluetoothPortIds()
{
    QFETCH(QString, id);
    QFETCH(bool, bluetooth);
    QFETCH(QString, address);
    QFETCH(bool, incoming);
    const std::optional<BluetoothPortId::Port> port = BluetoothPortId::parse(id);
    QCOMPARE(port.has_value(), bluetooth);
    if (!port)
        return;
    QCOMPARE(port->address, address);
    QCOMPARE(port->direction == Direction::Incoming, incoming);
}

void tst_SerialPorts::offeredPorts()
{
    const QString out =
        R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\7&D0D1EE&0&98D331FB1A2C_C00000000)";
    const QString in =
        R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\7&D0D1EE&0&000000000000_00000000)";
    const QString unnamed =
        R"(BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\7&D0D1EE&0&001122334455_C00000000)";
    const QList<SerialPorts::SystemPort> system{
        {"COM7", "COM7", "Standard Serial over Bluetooth link (COM7)", false, in},
        {"COM5", "COM5", "Standard Serial over Bluetooth link (COM5)", false, out},
        {"COM3", "COM3", "USB-SERIAL CH340 (COM3)", true, R"(USB\VID_1A86&PID_7523\5&1&2)"},
        {"COM9", "COM9", "", false, {}},
        {"COM8", "COM8", "Standard Serial over Bluetooth link (COM8)", false, unnamed}};
    const QList<SerialPorts::Port> ports = SerialPorts::offered(system, [](const QString &address) {
        return address == QLatin1String("98:D3:31:FB:1A:2C") ? QStringLiteral("Robo-17")
                                                             : QString();
    });

    QStringList shown;
    for (const SerialPorts::Port &port : ports) {
        const mBluetoothConnect::DeviceParts parts =
            mBluetoothConnect::deviceParts(port.deviceText);
        shown.append(
            QStringLiteral("%1|%2|%3|%4")
                .arg(parts.address, parts.name, parts.bluetooth, QString::number(port.kind)));
    }
    const QString serial = QString::number(FoundDeviceKind::SerialPort);
    QCOMPARE(shown, QStringList({"serial:COM5|Robo-17|98:D3:31:FB:1A:2C|" + serial,
                                 "serial:COM3|USB-SERIAL CH340 (COM3)||" +
                                     QString::number(FoundDeviceKind::CablePort),
                                 "serial:COM9|COM9||" + serial,
                                 "serial:COM8|Standard Serial over Bluetooth link (COM8)|"
                                 "00:11:22:33:44:55|" +
                                     serial}));
}

void tst_SerialPorts::robotKeptAcrossPorts()
{
    const QString before =
        mBluetoothConnect::deviceText("Robo-17", "serial:COM5@115200", "98:D3:31:FB:1A:2C");
    const QString after =
        mBluetoothConnect::deviceText("Robo-17", "serial:COM11", "98:d3:31:fb:1a:2c");
    QVERIFY(mBluetoothConnect::sameDevice(before, after));
    QVERIFY(!mBluetoothConnect::sameDevice(
        before, mBluetoothConnect::deviceText("Robo-18", "serial:COM11", "98:D3:31:FB:1A:2D")));
    // Without a robot named, the port alone tells.
    QVERIFY(!mBluetoothConnect::sameDevice(mBluetoothConnect::deviceText("A", "serial:COM5"),
                                           mBluetoothConnect::deviceText("A", "serial:COM11")));
    // A port that leads nowhere known keeps its address.
    QCOMPARE(SerialPorts::followRobot("serial:COM5@115200", "AA:BB:CC:DD:EE:FF"),
             QStringLiteral("serial:COM5@115200"));
}

QTEST_GUILESS_MAIN(tst_SerialPorts)
#include "tst_serialports.moc"
