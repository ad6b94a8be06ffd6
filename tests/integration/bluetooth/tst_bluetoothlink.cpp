#include "bluezbus.h"
#include "classscheduler.h"
#include "internalworker.h"
#include "linkproblem.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "tavirocrun.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace LinkProtocol;

using namespace LinkTestProgram;

namespace {
const QString kRobby = QStringLiteral("00:11:22:33:44:55");
const QString kLate = QStringLiteral("00:11:22:33:44:66");
const QString kHeadset = QStringLiteral("00:11:22:33:44:77");

// Pages of a robot out of reach fail after this long here; bluetoothd's take about 5 s.
const QString kPageTimeoutMs = QStringLiteral("1500");

QString robbyText()
{
    return mBluetoothConnect::deviceText(QStringLiteral("Robby"), kRobby);
}

} // namespace

// Qt's real Bluetooth classes (device search, RFCOMM socket over BlueZ's D-Bus API) against the
// stand-in BlueZ, with virtual controllers behind the sockets it hands out.
class tst_BluetoothLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void searchListsRobotsAsTheyAnswer();
    void chosenRobotConnectsOnceFound();
    void bluetoothThatCannotBeUsed_data();
    void bluetoothThatCannotBeUsed();
    void refusedRobotIsExplained();
    void robotSwitchedOnLate();
    void robotGoneMidWriteThenBack();
    void robotGoneMidRun();
    void tavirocWaitsForALateRobotAndScans();
    void classWrittenWhileTheEditorStaysLinked();

private:
    // Counts watchdog ticks from now until the worker hears its robot; -1 if it never does.
    static int ticksUntilConnected(internalWorker &worker, qint64 *elapsedMs);

    BluezBus m_bus;
    QTemporaryDir m_runtime;
};

void tst_BluetoothLink::initTestCase()
{
    QVERIFY(m_bus.start());
    // Virtual controllers served elsewhere on this machine stay out of the searches.
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
}

void tst_BluetoothLink::cleanup()
{
    m_bus.stopBluez();
}

int tst_BluetoothLink::ticksUntilConnected(internalWorker &worker, qint64 *elapsedMs)
{
    QSignalSpy ticks(&worker, &internalWorker::sigErrorConnect);
    QElapsedTimer clock;
    clock.start();
    while (worker.state() == WorkerState::Disconnected && clock.elapsed() < 15000)
        QTest::qWait(10);
    *elapsedMs = clock.elapsed();
    return worker.state() == WorkerState::Disconnected ? -1 : int(ticks.size());
}

void tst_BluetoothLink::searchListsRobotsAsTheyAnswer()
{
    QVERIFY(m_bus.startBluez(
        {"--robot", kRobby + ",Robby", "--robot", kHeadset + ",Headset,noserial"}));
    QCOMPARE(
        m_bus.control("AddRobot", kLate, QStringLiteral("Late"),
                      QVariantMap{{"Known", false}, {"Paired", false}, {"AppearAfterMs", 700}}),
        QString());
    mBluetoothConnect transport;
    transport.setSearchDuration(2500);
    // The robots, without the computer's serial ports, which the search lists first.
    QList<QPair<QString, int>> robots;
    connect(&transport, &LinkTransport::foundDeviceKind, this,
            [&robots](const QString &text, int kind) {
                if (kind == FoundDeviceKind::PairedRobot || kind == FoundDeviceKind::UnpairedRobot)
                    robots.append({text, kind});
            });
    QSignalSpy ended(&transport, &LinkTransport::searchEnded);
    QElapsedTimer clock;
    clock.start();
    transport.findDevices();
    // The paired robot BlueZ knows is listed at once; the headset is no robot.
    QTRY_COMPARE_WITH_TIMEOUT(robots.size(), 1, 2000);
    qInfo("paired robot listed after %lld ms", clock.elapsed());
    QCOMPARE(robots[0].first, robbyText());
    QCOMPARE(robots[0].second, int(FoundDeviceKind::PairedRobot));
    // The other one answers the inquiry later, and is listed as soon as it does.
    QTRY_COMPARE_WITH_TIMEOUT(robots.size(), 2, 2000);
    qInfo("robot appearing during the search listed after %lld ms", clock.elapsed());
    QVERIFY(ended.isEmpty());
    QCOMPARE(robots[1].first, mBluetoothConnect::deviceText("Late", kLate));
    QCOMPARE(robots[1].second, int(FoundDeviceKind::UnpairedRobot));
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
    QCOMPARE(ended[0][0].toInt(), 2);
    QCOMPARE(ended[0][1].toInt(), int(LinkProblem::None));
}

void tst_BluetoothLink::chosenRobotConnectsOnceFound()
{
    // BlueZ learns of the chosen robot only from a search, half a second into it.
    QVERIFY(m_bus.startBluez({"--robot", kLate + ",Late,late"}));
    const QString late = mBluetoothConnect::deviceText("Late", kLate);
    internalWorker worker;
    QSignalSpy ended(&worker, &internalWorker::sigSearchEnded);
    QElapsedTimer clock;
    connect(&worker, &internalWorker::sigFindDevice, this, [&](const QString &text) {
        if (text == late)
            clock.start();
    });
    worker.mwStart();
    worker.mwSelectDevice(late);
    worker.mwFindDevices();
    QTRY_VERIFY_WITH_TIMEOUT(clock.isValid(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(worker.state() != WorkerState::Disconnected, 5000);
    qInfo("chosen robot connected %lld ms after the search found it", clock.elapsed());
    QVERIFY(ended.isEmpty());
}

void tst_BluetoothLink::bluetoothThatCannotBeUsed_data()
{
    QTest::addColumn<QStringList>("standIn");
    QTest::addColumn<int>("problem");
    QTest::newRow("switched off") << QStringList{"--powered-off"} << int(LinkProblem::BluetoothOff);
    QTest::newRow("no adapter") << QStringList{"--no-adapter"} << int(LinkProblem::NoAdapter);
    QTest::newRow("no BlueZ") << QStringList{} << int(LinkProblem::NoBluetoothService);
}

void tst_BluetoothLink::bluetoothThatCannotBeUsed()
{
    QFETCH(QStringList, standIn);
    QFETCH(int, problem);
    if (problem != LinkProblem::NoBluetoothService)
        QVERIFY(m_bus.startBluez(standIn + QStringList{"--robot", kRobby + ",Robby"}));

    mBluetoothConnect transport;
    QSignalSpy ended(&transport, &LinkTransport::searchEnded);
    QSignalSpy problems(&transport, &LinkTransport::linkProblem);
    transport.findDevices();
    // The search ends at once and says why.
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended[0][1].toInt(), problem);

    // A connection attempt fails and is explained the same way; the socket is ready to try again.
    transport.connectDevice(robbyText());
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 5000);
    QCOMPARE(problems.last()[0].toInt(), problem);
}

void tst_BluetoothLink::refusedRobotIsExplained()
{
    QVERIFY(m_bus.startBluez(
        {"--robot", kRobby + ",Robby,unpaired", "--page-timeout", kPageTimeoutMs}));
    internalWorker worker;
    QSignalSpy problems(&worker, &internalWorker::sigLinkProblem);
    worker.mwStart();
    worker.mwSelectDevice(robbyText());
    worker.tslt();
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 5000);
    QCOMPARE(problems.last()[0].toInt(), int(LinkProblem::NotPaired));

    // Paired in the system's settings meanwhile: the next attempt gets through.
    QCOMPARE(m_bus.control("SetPaired", kRobby, true), QString());
    qint64 ms = 0;
    QVERIFY(ticksUntilConnected(worker, &ms) >= 0);

    // A robot switched off is told apart from one that is not paired.
    problems.clear();
    QCOMPARE(m_bus.control("SetRobotOn", kRobby, false), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 10000);
    QCOMPARE(problems.last()[0].toInt(), int(LinkProblem::Unreachable));
}

void tst_BluetoothLink::robotSwitchedOnLate()
{
    QVERIFY(m_bus.startBluez({"--robot", kRobby + ",Robby,off", "--page-timeout", kPageTimeoutMs}));
    internalWorker worker;
    worker.mwChangeProg(sampleProgram());
    worker.mwStart();
    worker.mwSelectDevice(robbyText());
    // Failed attempts for a while: none may leave the socket stuck, each is followed by another.
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.robotInfo(kRobby).value("ConnectAttempts").toInt() >= 3, 10000);
    QCOMPARE(worker.state(), WorkerState::Disconnected);

    QCOMPARE(m_bus.control("SetRobotOn", kRobby, true), QString());
    qint64 ms = 0;
    const int ticks = ticksUntilConnected(worker, &ms);
    qInfo("connected %lld ms after the robot was switched on, after %d watchdog ticks", ms, ticks);
    QVERIFY(ticks >= 0);
    QVERIFY2(ticks <= 2, qPrintable(QString::number(ticks)));
}

void tst_BluetoothLink::robotGoneMidWriteThenBack()
{
    QVERIFY(m_bus.startBluez({"--robot", kRobby + ",Robby", "--interval", "50"}));
    // A slow EEPROM, so the robot can leave in the middle of the write.
    QCOMPARE(m_bus.control("AddRobot", kRobby, QStringLiteral("Robby"),
                           QVariantMap{{"MsPerByte", 0.4}, {"StateIntervalMs", 50}}),
             QString());
    const QJsonObject program = sampleProgram(278);
    internalWorker worker;
    QSignalSpy programs(&worker, &internalWorker::sigReadProg);
    worker.mwChangeProg(program);
    QVERIFY(worker.memoryImage().size() > 3800);
    worker.mwStart();
    worker.mwSelectDevice(robbyText());
    worker.tslt();
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    worker.mwCommand("write");
    QCOMPARE(worker.state(), WorkerState::Writing);
    QTRY_VERIFY_WITH_TIMEOUT(worker.memoryAddress() >= 1024, 10000);
    QCOMPARE(m_bus.control("Leave", kRobby, 0), QString());
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Disconnected, 5000);
    QTest::qWait(4000 - 1500);
    QCOMPARE(worker.state(), WorkerState::Disconnected);

    QCOMPARE(m_bus.control("SetRobotOn", kRobby, true), QString());
    qint64 ms = 0;
    const int ticks = ticksUntilConnected(worker, &ms);
    qInfo("connected %lld ms after the robot came back, after %d watchdog ticks", ms, ticks);
    QVERIFY(ticks >= 0 && ticks <= 2);

    // The write starts again by itself; the whole image arrives and reads back the same.
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 20000);
    QCOMPARE(m_bus.robotInfo(kRobby).value("Eeprom").toByteArray(), memoryOf(program));
    worker.mwCommand("read");
    QTRY_COMPARE_WITH_TIMEOUT(programs.size(), 1, 20000);
    QCOMPARE(programs[0][0].toJsonObject(), expectedReadBack(program));
}

void tst_BluetoothLink::robotGoneMidRun()
{
    QVERIFY(m_bus.startBluez(
        {"--robot", kRobby + ",Robby", "--interval", "50", "--page-timeout", kPageTimeoutMs}));
    const QJsonObject program{
        {"ProgData",
         QJsonArray{QJsonArray{command("mStartCycle"), command("m_fwd", {{"speed", 50}}),
                               command("mPause", {{"second", 0.2}}), command("mEndCycle")}}},
        {"configuration", QJsonObject{{"Motor1", 1}, {"Motor2", 2}}}};
    internalWorker worker;
    QSignalSpy runEnds(&worker, &internalWorker::sigRunEnded);
    QSignalSpy done(&worker, &internalWorker::sigCommandDone);
    worker.mwChangeProg(program);
    worker.mwStart();
    worker.mwSelectDevice(robbyText());
    worker.tslt();
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    worker.mwCommand("restart");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 5000);
    worker.mwCommand("start");
    QTRY_VERIFY_WITH_TIMEOUT(done.size() >= 4, 10000);
    QCOMPARE(m_bus.control("Leave", kRobby, 1000), QString());
    QTRY_COMPARE_WITH_TIMEOUT(runEnds.size(), 1, 5000);
    QCOMPARE(runEnds[0][0].toBool(), false);
    qint64 ms = 0;
    QVERIFY(ticksUntilConnected(worker, &ms) >= 0);
    QCOMPARE(worker.state(), WorkerState::Connected);
}

void tst_BluetoothLink::tavirocWaitsForALateRobotAndScans()
{
    QVERIFY(m_bus.startBluez({"--robot", kRobby + ",Robby,off", "--robot", kLate + ",Late,late",
                              "--page-timeout", kPageTimeoutMs}));
    QTemporaryDir dir;
    const QString path = dir.filePath("program.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(sampleProgram(10)).toJson());
    file.close();

    QProcess write;
    write.start(QStringLiteral(TAVIROC_PATH),
                {"write", "--device", kRobby, "--timeout", "20", path});
    QVERIFY(write.waitForStarted());
    QTest::qWait(2500);
    QCOMPARE(write.state(), QProcess::Running);
    QCOMPARE(m_bus.control("SetRobotOn", kRobby, true), QString());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(write.waitForFinished(10000));
    qInfo("taviroc write ended %lld ms after the robot was switched on", clock.elapsed());
    QCOMPARE(write.exitCode(), 0);
    QCOMPARE(m_bus.robotInfo(kRobby).value("Eeprom").toByteArray(), memoryOf(sampleProgram(10)));

    const TavirocRun scan = taviroc({"scan", "--seconds", "2"});
    QCOMPARE(scan.exitCode, 0);
    // The robots first; the computer's serial ports, if it has any, after them.
    QVERIFY2(scan.out.startsWith("00:11:22:33:44:55\tRobby\tpaired\n"
                                 "00:11:22:33:44:66\tLate\tpaired\n"),
             scan.out.constData());
    for (const QByteArray &line : scan.out.split('\n').mid(2))
        QVERIFY2(line.isEmpty() || line.startsWith("serial:"), line.constData());

    QCOMPARE(m_bus.control("SetAdapter", false, false), QString());
    const TavirocRun noAdapter = taviroc({"scan", "--seconds", "1"});
    QCOMPARE(noAdapter.exitCode, 0);
    QVERIFY2(noAdapter.err.contains("no Bluetooth adapter"), noAdapter.err.constData());
    const TavirocRun writeNoAdapter = taviroc({"write", "--device", kRobby, path});
    QCOMPARE(writeNoAdapter.exitCode, 3);
    QVERIFY(writeNoAdapter.err.contains("no Bluetooth adapter"));

    m_bus.stopBluez();
    const TavirocRun noBluez = taviroc({"scan", "--seconds", "1"});
    // Nothing to use at all, unless the computer has a serial port to offer.
    QCOMPARE(noBluez.exitCode, noBluez.out.isEmpty() ? 3 : 0);
    QVERIFY2(noBluez.err.contains("systemctl start bluetooth"), noBluez.err.constData());
}

void tst_BluetoothLink::classWrittenWhileTheEditorStaysLinked()
{
    constexpr int kRobots = 5;
    QVERIFY(m_bus.startBluez({"--robots", QString::number(kRobots), "--interval", "50"}));
    QStringList robots;
    for (int i = 1; i <= kRobots; ++i)
        robots.append(mBluetoothConnect::deviceText(
            "Robot", QStringLiteral("00:11:22:33:44:%1").arg(i, 2, 10, QLatin1Char('0'))));
    const QString first = mBluetoothConnect::deviceParts(robots[0]).address;
    const QJsonObject program = sampleProgram(40);

    internalWorker editor;
    editor.mwStart();
    editor.mwSelectDevice(robots[0]);
    editor.tslt();
    QTRY_COMPARE_WITH_TIMEOUT(editor.state(), WorkerState::Connected, 10000);

    ClassScheduler scheduler;
    scheduler.setEditorWorker(&editor, [program] { return program; });
    int mostLinks = 0;
    connect(&scheduler, &ClassScheduler::robotStateChanged, this,
            [&] { mostLinks = qMax(mostLinks, scheduler.openLinks()); });
    QSignalSpy all(&scheduler, &ClassScheduler::allFinished);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(scheduler.write(robots, program), kRobots);
    QTRY_COMPARE_WITH_TIMEOUT(all.size(), 1, 30000);
    qInfo("%d robots written in %lld ms", kRobots, clock.elapsed());
    QCOMPARE(scheduler.summary().succeeded, kRobots);
    QCOMPARE(mostLinks, kRobots);
    for (const QString &robot : std::as_const(robots)) {
        const QString address = mBluetoothConnect::deviceParts(robot).address;
        QCOMPARE(m_bus.robotInfo(address).value("Eeprom").toByteArray(), memoryOf(program));
    }
    // The editor's robot got the program over the editor's own link, which never dropped.
    QVERIFY(editor.state() != WorkerState::Disconnected);
    QCOMPARE(m_bus.robotInfo(first).value("Connections").toInt(), 1);
    QVERIFY(m_bus.robotInfo(first).value("Connected").toBool());

    // The serial port service is this process's now: BlueZ refuses it to anyone else...
    QDBusConnection other = QDBusConnection::connectToBus(m_bus.address(), "other");
    QDBusMessage registration = QDBusMessage::createMethodCall(
        "org.bluez", "/org/bluez", "org.bluez.ProfileManager1", "RegisterProfile");
    registration << QVariant::fromValue(QDBusObjectPath("/other"))
                 << QStringLiteral("00001101-0000-1000-8000-00805f9b34fb") << QVariantMap();
    const QDBusMessage refused = other.call(registration);
    QCOMPARE(refused.errorName(), QStringLiteral("org.bluez.Error.NotPermitted"));
    QCOMPARE(refused.errorMessage(), QStringLiteral("UUID already registered"));
    QDBusConnection::disconnectFromBus("other");

    // ... and a second program says so at once instead of waiting for its robot.
    QTemporaryDir dir;
    const QString path = dir.filePath("program.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(program).toJson());
    file.close();
    const TavirocRun taken =
        taviroc({"write", "--device", mBluetoothConnect::deviceParts(robots[1]).address, path});
    QCOMPARE(taken.exitCode, 3);
    QVERIFY2(taken.err.contains("another program on this computer is using the Bluetooth serial "
                                "service"),
             taken.err.constData());
}

QTEST_GUILESS_MAIN(tst_BluetoothLink)
#include "tst_bluetoothlink.moc"
