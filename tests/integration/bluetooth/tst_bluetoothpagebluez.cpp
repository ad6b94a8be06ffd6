#include "bluetoothconfigurationwidget.h"
#include "bluezbus.h"
#include "mbluetoothconnect.h"
#include "mworker.h"
#include "setupfixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {
const QString kRobby = QStringLiteral("00:11:22:33:44:55");
} // namespace

// The Bluetooth page as a user meets it, with Qt's real Bluetooth classes and the stand-in BlueZ
// behind the worker: find a paired robot, connect it, and read what the page says when the
// computer's Bluetooth gets in the way.
class tst_BluetoothPageBluez : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void findConnectAndTheWaysBluetoothFails();

private:
    BluezBus m_bus;
    QTemporaryDir m_runtime;
    std::unique_ptr<SetupFixture> m_fixture;
};

void tst_BluetoothPageBluez::initTestCase()
{
    QVERIFY(m_bus.start());
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    m_fixture = std::make_unique<SetupFixture>();
}

void tst_BluetoothPageBluez::findConnectAndTheWaysBluetoothFails()
{
    QVERIFY(m_bus.startBluez({"--robot", kRobby + ",Robby", "--page-timeout", "1000"}));
    mWorker worker;
    bluetoothconfigurationwidget page;
    page.connectWorker(&worker);
    page.show();
    worker.mwStart();

    page.searchButton()->click();
    // The robot comes first, above whatever serial ports the computer has.
    QTRY_VERIFY_WITH_TIMEOUT(page.deviceList()->count() > 0 &&
                                 page.deviceList()->item(0)->text().startsWith("Robby"),
                             2000);
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("searching"));
    QCOMPARE(page.deviceList()->item(0)->text(),
             QStringLiteral("Robby  (00:11:22:33:44:55)  \u00B7  paired"));
    page.deviceList()->setCurrentRow(0);
    page.selectButton()->click();
    // Choosing ends the search with what it found, and the serial ports the computer may have.
    QTRY_VERIFY_WITH_TIMEOUT(page.searchStatusLabel()->text().startsWith("found 1"), 2000);
    QVERIFY(page.searchButton()->isEnabled());
    QCOMPARE(page.deviceLabel()->text(), QStringLiteral("Robby  (00:11:22:33:44:55)"));
    QTRY_COMPARE_WITH_TIMEOUT(page.statusLabel()->text(), QStringLiteral("connected to Robby"),
                              5000);

    // Bluetooth switched off under a live link.
    QCOMPARE(m_bus.control("SetAdapter", true, false), QString());
    QTRY_COMPARE_WITH_TIMEOUT(page.statusLabel()->text(), QStringLiteral("bluetooth off"), 8000);
    // Said once: under the list the search only counts.
    page.searchButton()->click();
    QVERIFY(page.searchStatusLabel()->text().startsWith("found 0"));

    QCOMPARE(m_bus.control("SetAdapter", false, false), QString());
    page.searchButton()->click();
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("no adapter"));
    QTRY_COMPARE_WITH_TIMEOUT(page.statusLabel()->text(), QStringLiteral("no adapter"), 8000);

    m_bus.stopBluez();
    page.searchButton()->click();
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("no service"));
    QTRY_COMPARE_WITH_TIMEOUT(page.statusLabel()->text(), QStringLiteral("no service"), 8000);

    // BlueZ and the adapter are back: the robot is connected again without a word from the user.
    QVERIFY(m_bus.startBluez({"--robot", kRobby + ",Robby"}));
    QTRY_COMPARE_WITH_TIMEOUT(page.statusLabel()->text(), QStringLiteral("connected to Robby"),
                              8000);
}

QTEST_MAIN(tst_BluetoothPageBluez)
#include "tst_bluetoothpagebluez.moc"
