#include "bluetoothconfigurationwidget.h"
#include "calibrationwidget.h"
#include "clickableroundlabel.h"
#include "configurationrecord.h"
#include "configurationwidget.h"
#include "faketransport.h"
#include "firmwareflasher.h"
#include "gadgetcomboboxmodel.h"
#include "internalworker.h"
#include "linkproblem.h"
#include "mbluetoothconnect.h"
#include "mworker.h"
#include "pinconfigurationwidget.h"
#include "rightmenucombobox.h"
#include "setupfixture.h"
#include "virtualcontrollerserver.h"

#include <QComboBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace LinkProtocol;

namespace {

const QString kRobo = R"({ "Name":"Robo", "Address":"00:11:22:33:44:55" })";
const QString kOther = R"({ "Name":"Other", "Address":"66:77:88:99:AA:BB" })";

void writeScript(const QString &path, const QByteArray &body)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/bash\n" + body);
}

} // namespace

// The link tab against the real facade and worker over a recording transport, and its firmware
// group against fake flashing scripts in a temporary application folder.
class tst_BluetoothPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void connectionStatus_data();
    void connectionStatus();
    void statusFromTheWorker();
    void searchListsDevices();
    void searchSaysWhatHappens();
    void problemOfTheChosenDevice();
    void serialPortsBelowTheRobots();
    void chooseADevice();
    void savedDeviceAtStartUp();
    void renaming_data();
    void renaming();
    void comPortsOfTheSystem();
    void firmwareMissingFolderOrScript_data();
    void firmwareMissingFolderOrScript();
    void firmwareOutcome_data();
    void firmwareOutcome();
    void firmwareButtonTwiceStartsOneProcess();
    void dialogCannotBeLeftWhileFlashing_data();
    void dialogCannotBeLeftWhileFlashing();
    void savedConfigurationReachesTheController();
    void virtualControllerIsTheChosenDevice();

private:
    struct Link
    {
        std::unique_ptr<mWorker> worker;
        FakeTransport *transport = nullptr;
    };
    static Link makeLink();
    // Accepts the next modal message box and returns its texts.
    static void acceptNextMessageBox(QStringList *texts);

    std::unique_ptr<SetupFixture> m_fixture;
};

void tst_BluetoothPage::initTestCase()
{
    m_fixture = std::make_unique<SetupFixture>();
}

void tst_BluetoothPage::cleanupTestCase()
{
    m_fixture.reset();
}

void tst_BluetoothPage::init()
{
    AppContext::instance().readConfiguration({});
    AppContext::instance().store().setDeviceText(QString());
}

tst_BluetoothPage::Link tst_BluetoothPage::makeLink()
{
    Link link;
    link.worker = std::make_unique<mWorker>(nullptr, [&link](QObject *parent) {
        link.transport = new FakeTransport(parent);
        return link.transport;
    });
    link.worker->worker()->transport();
    return link;
}

void tst_BluetoothPage::acceptNextMessageBox(QStringList *texts)
{
    // The box runs its own event loop; look for it from inside that loop.
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, texts] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *texts << box->text() << box->informativeText();
        timer->stop();
        timer->deleteLater();
        box->accept();
    });
    timer->start();
}

void tst_BluetoothPage::connectionStatus_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("style");

    const QString red = "QLabel { color : red; }";
    const QString yellow = "QLabel { color : yellow; }";
    QTest::newRow("-2") << -2 << "flood" << red;
    QTest::newRow("-1") << -1 << "cannot open" << red;
    QTest::newRow("0") << 0 << ""
                       << "QLabel { color : blue; }";
    QTest::newRow("1") << 1 << "socket open" << yellow;
    QTest::newRow("2") << 2 << "data" << yellow;
    QTest::newRow("3") << 3 << "connected"
                       << "QLabel { color : green; }";
    QTest::newRow("4") << 4 << "unexpected state" << yellow;
    QTest::newRow("-3") << -3 << "unexpected state" << yellow;
    QTest::newRow("1000") << 1000 << "unexpected state" << yellow;
}

void tst_BluetoothPage::connectionStatus()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(QString, style);

    bluetoothconfigurationwidget page;
    page.slotToSigConnectOK(value);
    QCOMPARE(page.statusLabel()->text(), text);
    QCOMPARE(page.statusLabel()->styleSheet(), style);
}

void tst_BluetoothPage::statusFromTheWorker()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());

    link.transport->reportStatus(ConnectionStatus::Opened);
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("socket open"));
    // The first frame of a connection makes the worker report 3.
    link.transport->deliver(PacketType::State, QByteArray(29, '\0'));
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("connected"));
    QCOMPARE(page.statusLabel()->styleSheet(), QStringLiteral("QLabel { color : green; }"));

    // A watchdog tick without a frame.
    link.worker->worker()->tslt();
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("no link"));
    QCOMPARE(page.statusLabel()->styleSheet(), QStringLiteral("QLabel { color : red; }"));
}

void tst_BluetoothPage::searchListsDevices()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    page.slotToSigFindDevice(kOther); // left over from an earlier search
    QVERIFY(!page.selectButton()->isEnabled());

    page.searchButton()->click();
    QCOMPARE(link.transport->searches, 1);
    QVERIFY(!page.searchButton()->isEnabled());
    QVERIFY(!page.selectButton()->isEnabled());
    QCOMPARE(page.deviceList()->count(), 0);

    link.transport->reportDevice(kRobo);
    link.transport->reportDevice(R"({ "Name":"Bad"name", "Address":"01:02:03:04:05:06" })");
    QCOMPARE(page.deviceList()->count(), 2);
    QCOMPARE(page.deviceList()->item(0)->text(), QStringLiteral("Robo  (00:11:22:33:44:55)"));
    QCOMPARE(page.deviceList()->item(0)->data(Qt::UserRole).toString(), kRobo);
    // A name that breaks the device text is shown as it came.
    QCOMPARE(page.deviceList()->item(1)->text(),
             QStringLiteral(R"({ "Name":"Bad"name", "Address":"01:02:03:04:05:06" })"));
    QVERIFY(!page.searchButton()->isEnabled());

    link.transport->endSearch();
    QVERIFY(page.searchButton()->isEnabled());
}

void tst_BluetoothPage::searchSaysWhatHappens()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    page.show();
    page.searchButton()->click();
    link.transport->reportSearch(400);
    QVERIFY(page.searchProgress()->isVisible());
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("searching"));
    QTRY_VERIFY(page.searchProgress()->value() > 0);

    link.transport->reportKind(kRobo, FoundDeviceKind::PairedRobot);
    link.transport->reportDevice(kRobo);
    link.transport->reportKind(kOther, FoundDeviceKind::UnpairedRobot);
    link.transport->reportDevice(kOther);
    QCOMPARE(page.deviceList()->item(0)->text(),
             QStringLiteral("Robo  (00:11:22:33:44:55)  \u00B7  paired"));
    QCOMPARE(page.deviceList()->item(1)->text(),
             QStringLiteral("Other  (66:77:88:99:AA:BB)  \u00B7  not paired"));
    // A robot can be chosen while the search goes on; choosing ends the search.
    page.deviceList()->setCurrentRow(0);
    page.selectButton()->click();
    QCOMPARE(link.transport->searchStops, 1);

    link.transport->reportSearchEnd(2, LinkProblem::None);
    QVERIFY(!page.searchProgress()->isVisible());
    QVERIFY(page.searchButton()->isEnabled());
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("found 2"));

    page.searchButton()->click();
    link.transport->reportSearchEnd(0, LinkProblem::None);
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("none found"));
    // Without Bluetooth the search ends at once and says why.
    page.searchButton()->click();
    link.transport->reportSearchEnd(0, LinkProblem::BluetoothOff);
    QCOMPARE(page.searchStatusLabel()->text(), QStringLiteral("bluetooth off"));
    QCOMPARE(page.searchStatusLabel()->styleSheet(), QStringLiteral("QLabel { color : red; }"));
}

void tst_BluetoothPage::problemOfTheChosenDevice()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    page.setDevice(kRobo);
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("connecting to Robo"));
    link.transport->reportProblem(LinkProblem::NotPaired);
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("Robo not paired"));
    // The watchdog ticks on; the reason stays on the page until the robot answers.
    link.worker->worker()->tslt();
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("Robo not paired"));
    link.transport->deliver(PacketType::State, QByteArray(29, '\0'));
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("connected to Robo"));
    link.worker->worker()->tslt();
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("lost Robo"));
}

void tst_BluetoothPage::serialPortsBelowTheRobots()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    const QString cable = mBluetoothConnect::deviceText("USB serial", "serial:/dev/ttyUSB0");
    const QString module = mBluetoothConnect::deviceText("rfcomm0", "serial:/dev/rfcomm0@38400");
    page.searchButton()->click();
    link.transport->reportKind(cable, FoundDeviceKind::CablePort);
    link.transport->reportDevice(cable);
    link.transport->reportKind(module, FoundDeviceKind::SerialPort);
    link.transport->reportDevice(module);
    link.transport->reportKind(kRobo, FoundDeviceKind::PairedRobot);
    link.transport->reportDevice(kRobo);
    QCOMPARE(page.deviceList()->count(), 3);
    QVERIFY(page.deviceList()->item(0)->text().startsWith("Robo"));
    QCOMPARE(page.deviceList()->item(1)->text(),
             QStringLiteral("USB serial  (serial:/dev/ttyUSB0)  \u00B7  cable"));
    QVERIFY(page.deviceList()->item(2)->text().endsWith("serial port"));

    // A port is chosen like a robot, at the kit's speed unless it names its own.
    QSignalSpy chosen(&page, &bluetoothconfigurationwidget::signalToSlotMwSelectDevice);
    page.deviceList()->setCurrentRow(1);
    page.selectButton()->click();
    page.deviceList()->setCurrentRow(2);
    page.selectButton()->click();
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen[0][0].toString(),
             mBluetoothConnect::deviceText("USB serial", "serial:/dev/ttyUSB0@9600"));
    QCOMPARE(chosen[1][0].toString(), module);
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("connecting to rfcomm0"));
    link.transport->reportProblem(LinkProblem::PortPermission, "dialout");
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("rfcomm0 needs dialout"));
}

void tst_BluetoothPage::chooseADevice()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    QSignalSpy chosen(&page, &bluetoothconfigurationwidget::signalToSlotMwSelectDevice);
    page.slotToSigFindDevice(kRobo);
    page.slotToSigFindDevice(kOther);

    // Nothing selected: the button is disabled and pressing it does nothing.
    QVERIFY(!page.selectButton()->isEnabled());
    QMetaObject::invokeMethod(&page, "slotToSelectDevice");
    QCOMPARE(chosen.count(), 0);

    page.deviceList()->setCurrentRow(1);
    QVERIFY(page.selectButton()->isEnabled());
    page.selectButton()->click();
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toString(), kOther);
    QCOMPARE(page.currentDeviceText(), kOther);
    QCOMPARE(page.deviceLabel()->text(), QStringLiteral("Other  (66:77:88:99:AA:BB)"));
    QCOMPARE(page.statusLabel()->text(), QStringLiteral("connecting to Other"));
    // The worker drops the old link and connects to the new device on its next tick.
    QCOMPARE(link.transport->disconnects, 1);
    QCOMPARE(link.worker->worker()->state(), WorkerState::Disconnected);
    link.worker->worker()->tslt();
    QCOMPARE(link.transport->connectInfos, QStringList{kOther});

    page.deviceList()->clearSelection();
    QVERIFY(!page.selectButton()->isEnabled());
}

void tst_BluetoothPage::savedDeviceAtStartUp()
{
    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    QSignalSpy chosen(&page, &bluetoothconfigurationwidget::signalToSlotMwSelectDevice);

    page.setDevice(QString());
    QCOMPARE(chosen.count(), 0);

    page.setDevice(kRobo);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(page.currentDeviceText(), kRobo);
    QCOMPARE(page.deviceLabel()->text(), QStringLiteral("Robo  (00:11:22:33:44:55)"));
    // Said and shown in words, not as the device text.
    QCOMPARE(page.deviceLabel()->toolTip(), QStringLiteral("Robo, 00:11:22:33:44:55"));
    QCOMPARE(page.deviceLabel()->accessibleDescription(), page.deviceLabel()->toolTip());
    link.worker->worker()->tslt();
    QCOMPARE(link.transport->connectInfos, QStringList{kRobo});
}

void tst_BluetoothPage::renaming_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("reply");
    QTest::addColumn<QByteArray>("sentName");
    QTest::addColumn<QString>("status");

    QTest::newRow("accepted") << "Robo2" << true << QByteArray("Robo2") << "OK";
    QTest::newRow("too short") << "R" << false << QByteArray() << "Name too short";
    QTest::newRow("cut to the field's length")
        << "ABCDEFGHIJKLMNOPQRSTUVWXY" << true << QByteArray("ABCDEFGHIJKLMNOPQRS") << "OK";
}

void tst_BluetoothPage::renaming()
{
    QFETCH(QString, name);
    QFETCH(bool, reply);
    QFETCH(QByteArray, sentName);
    QFETCH(QString, status);

    Link link = makeLink();
    bluetoothconfigurationwidget page;
    page.connectWorker(link.worker.get());
    QSignalSpy requests(&page, &bluetoothconfigurationwidget::signalToChangeName);
    // Connected first: the first frame of a connection drops whatever was pending.
    link.transport->deliver(PacketType::State, QByteArray(29, '\0'));
    QTest::keyClicks(page.nameEdit(), name);
    page.changeButton()->click();

    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toString(), page.comPortBox()->currentData().toString());
    if (reply) {
        QCOMPARE(link.transport->sent.size(), 1);
        QCOMPARE(link.transport->sent.at(0).first, PacketType::Rename);
        QCOMPARE(link.transport->sent.at(0).second.left(sentName.size()), sentName);
        link.transport->reply(PacketType::Rename, QByteArray());
    } else {
        QVERIFY(link.transport->sent.isEmpty());
    }
    QCOMPARE(page.renameStatusLabel()->text(), status);
}

void tst_BluetoothPage::comPortsOfTheSystem()
{
    bluetoothconfigurationwidget page;
    // Listed when the page is first shown, not when it is built.
    page.show();
    QStringList expected;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.portName();
    QStringList shown;
    for (int i = 0; i < page.comPortBox()->count(); ++i)
        shown << page.comPortBox()->itemData(i).toString();
    QCOMPARE(shown, expected);
    QCOMPARE(page.comPortBox()->currentIndex(), expected.isEmpty() ? -1 : 0);
}

void tst_BluetoothPage::firmwareMissingFolderOrScript_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("status");
    QTest::newRow("no folder") << QString() << "no folder";
    QTest::newRow("no script") << "firmware/linux"
                               << "no script";
}

void tst_BluetoothPage::firmwareMissingFolderOrScript()
{
    QFETCH(QString, folder);
    QFETCH(QString, status);

    QTemporaryDir app;
    if (!folder.isEmpty())
        QDir(app.path()).mkpath(folder);
    bluetoothconfigurationwidget page;
    page.flasher()->setApplicationFolder(app.path());
    page.flasher()->setWindowsLayout(false);
    page.firmwareButton()->click();
    QCOMPARE(page.firmwareStatusLabel()->text(), status);
    QVERIFY(!page.isFlashing());
    QVERIFY(!page.flasher()->process());
}

void tst_BluetoothPage::firmwareOutcome_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("status");
    QTest::newRow("success") << 0 << "flashed";
    QTest::newRow("failure") << 1 << "flash failed";
    QTest::newRow("tool missing") << 5 << "flash failed";
    QTest::newRow("settings missing") << 3 << "no settings";
}

void tst_BluetoothPage::firmwareOutcome()
{
    QFETCH(int, exitCode);
    QFETCH(QString, status);

    QTemporaryDir app;
    writeScript(app.filePath("firmware/linux/prog2"),
                "read line\nexit " + QByteArray::number(exitCode) + "\n");
    bluetoothconfigurationwidget page;
    page.flasher()->setApplicationFolder(app.path());
    page.flasher()->setWindowsLayout(false);
    QSignalSpy finished(page.flasher(), &FirmwareFlasher::flashingFinished);

    page.firmwareButton()->click();
    QVERIFY(page.isFlashing());
    QCOMPARE(page.firmwareStatusLabel()->text(), QStringLiteral("flashing"));
    QVERIFY(page.flasher()->process()->waitForStarted(10000));
    page.flasher()->process()->write("\n");
    QVERIFY(finished.wait(20000));
    QCOMPARE(page.firmwareStatusLabel()->text(), status);
    QVERIFY(!page.isFlashing());
}

void tst_BluetoothPage::firmwareButtonTwiceStartsOneProcess()
{
    QTemporaryDir app;
    const QString runs = app.filePath("runs");
    writeScript(app.filePath("firmware/linux/prog2"),
                "echo \"$1\" >> '" + runs.toUtf8() + "'\nread line\nexit 0\n");
    bluetoothconfigurationwidget page;
    page.flasher()->setApplicationFolder(app.path());
    page.flasher()->setWindowsLayout(false);
    QSignalSpy started(page.flasher(), &FirmwareFlasher::flashingStarted);
    QSignalSpy finished(page.flasher(), &FirmwareFlasher::flashingFinished);

    page.firmwareButton()->click();
    QProcess *process = page.flasher()->process();
    QVERIFY(process && process->waitForStarted(10000));
    page.firmwareButton()->click();
    QCOMPARE(started.count(), 1);
    QCOMPARE(page.flasher()->process(), process);
    QCOMPARE(page.firmwareStatusLabel()->text(), QStringLiteral("flashing"));

    process->write("\n");
    QVERIFY(finished.wait(20000));
    QFile file(runs);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // One run, with the chosen port's name as its only argument.
    QCOMPARE(QString::fromUtf8(file.readAll()), page.comPortBox()->currentData().toString() + "\n");
}

void tst_BluetoothPage::dialogCannotBeLeftWhileFlashing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close") << "close";
    QTest::newRow("exit button") << "exit";
    QTest::newRow("save button") << "save";
}

void tst_BluetoothPage::dialogCannotBeLeftWhileFlashing()
{
    QFETCH(QString, how);

    QTemporaryDir app;
    writeScript(app.filePath("firmware/linux/prog2"), "read line\nexit 0\n");
    const QJsonObject before = AppContext::instance().writeConfiguration();
    ConfigurationWidget dialog;
    dialog.loadConfiguration();
    bluetoothconfigurationwidget *page = dialog.bluetoothPage();
    page->flasher()->setApplicationFolder(app.path());
    page->flasher()->setWindowsLayout(false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy exits(&dialog, &ConfigurationWidget::exitSignal);
    QSignalSpy saves(&dialog, &ConfigurationWidget::saveConfigSignal);

    page->firmwareButton()->click();
    QVERIFY(dialog.isFlashing());
    QVERIFY(page->flasher()->process()->waitForStarted(10000));

    auto leave = [&] {
        if (how == "close")
            dialog.close();
        else if (how == "exit")
            QTest::mouseClick(dialog.exitButton(), Qt::LeftButton);
        else
            QTest::mouseClick(dialog.saveButton(), Qt::LeftButton);
    };
    QStringList texts;
    acceptNextMessageBox(&texts);
    leave();
    QCOMPARE(texts, QStringList({"Notification",
                                 "The device is being flashed. This window cannot be closed."}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(exits.count(), 0);
    QCOMPARE(saves.count(), 0);

    QSignalSpy finished(page->flasher(), &FirmwareFlasher::flashingFinished);
    page->flasher()->process()->write("\n");
    QVERIFY(finished.wait(20000));
    leave();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(exits.count(), 1);
    QCOMPARE(saves.count(), how == "save" ? 1 : 0);
    QCOMPARE(AppContext::instance().writeConfiguration(), before);
}

void tst_BluetoothPage::savedConfigurationReachesTheController()
{
    Link link = makeLink();
    ConfigurationWidget dialog;
    dialog.connectWorker(link.worker.get());
    dialog.loadConfiguration();
    // What the main window does with a saved configuration: a new document to the worker.
    connect(&dialog, &ConfigurationWidget::exitSignal, link.worker.get(), &mWorker::mwStart);
    connect(&dialog, &ConfigurationWidget::saveConfigSignal, this, [&link] {
        link.worker->mwChangeProg(AppContext::instance().store().buildDocument({{}}));
    });

    link.worker->mwChangeProg(AppContext::instance().store().buildDocument({{}}));
    link.worker->mwStart();
    link.transport->deliver(PacketType::State, QByteArray(29, '\0'));
    QCOMPARE(link.worker->worker()->state(), WorkerState::Connected);

    auto choose = [&dialog](const QString &pin, int id) {
        auto *combo = dialog.pinWidget(pin)->comboBox();
        combo->setCurrentIndex(combo->findData(id, GadgetComboBoxModel::GadgetIdRole));
    };
    choose("P5", 40);
    choose("P3", 20);
    choose("P12", 60);
    dialog.calibrationRow("Motor1")->setLineInput(75);
    dialog.calibrationRow("D3")->setLineInput(120);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));

    link.transport->deliver(PacketType::State, QByteArray(29, '\0'));
    link.transport->sent.clear();
    link.worker->mwCommand("restart");
    QCOMPARE(link.transport->sent.size(), 1);
    QCOMPARE(link.transport->sent.at(0).first, PacketType::Configuration);
    const QByteArray bytes = link.transport->sent.at(0).second;
    QCOMPARE(bytes, encodeConfiguration(AppContext::instance().writeConfiguration()).bytes);

    const QJsonObject decoded = decodeConfiguration(bytes);
    QCOMPARE(decoded.value("Motor1").toInt(), 75);
    QCOMPARE(decoded.value("servocalibr").toArray().size(), 1);
    QCOMPARE(decoded.value("servocalibr").toArray().at(0).toObject().value("zero").toInt(), 120);
}

void tst_BluetoothPage::virtualControllerIsTheChosenDevice()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    const QString device =
        QStringLiteral("{\"Name\":\"Virtual controller\",\"Address\":\"tcp://127.0.0.1:%1\"}")
            .arg(port);
    AppContext::instance().store().setDeviceText(kRobo);

    mWorker worker;
    ConfigurationWidget dialog;
    dialog.connectWorker(&worker);
    dialog.useSessionDevice(device);
    worker.mwStart();
    bluetoothconfigurationwidget *page = dialog.bluetoothPage();
    // Named in the user's language, whatever its device text keeps.
    QCOMPARE(page->deviceLabel()->text(),
             QStringLiteral("virtual robot  (tcp://127.0.0.1:%1)").arg(port));
    QTRY_COMPARE_WITH_TIMEOUT(page->statusLabel()->text(),
                              QStringLiteral("connected to virtual robot"), 20000);
    QCOMPARE(page->statusLabel()->styleSheet(), QStringLiteral("QLabel { color : green; }"));

    // Opening and saving keep the virtual controller chosen and the user's device saved.
    worker.mwStop();
    dialog.loadConfiguration();
    QCOMPARE(page->currentDeviceText(), device);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));
    QCOMPARE(AppContext::instance().store().deviceText(), kRobo);

    // A device chosen from the list is remembered at once, even when leaving without saving.
    page->slotToSigFindDevice(kOther);
    page->deviceList()->setCurrentRow(0);
    page->selectButton()->click();
    QCOMPARE(AppContext::instance().store().deviceText(), kOther);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "exit"));
    dialog.loadConfiguration();
    QCOMPARE(page->currentDeviceText(), kOther);
    QCOMPARE(AppContext::instance().store().deviceText(), kOther);
}

QTEST_MAIN(tst_BluetoothPage)
#include "tst_bluetoothpage.moc"
