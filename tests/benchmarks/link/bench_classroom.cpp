// A class of 15 virtual robots behind a radio link (20 ms latency, 3.3 ms per EEPROM byte, a
// state packet every 100 ms): one 30-command program written to one robot and to all 15, the
// time from "Show me" to the robot's first motion, renaming and reading all 15.
//
// The write to 15 should take at most three times the write to one: the scheduler opens
// several links at once (ClassScheduler::kOtherLinks for TCP and serial ports).

#include "classscheduler.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRobots = 15;

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

QJsonObject thirtyCommands()
{
    QJsonArray main;
    for (int i = 0; i < 10; ++i) {
        main.append(command("m_fwd", {{"speed", 100}, {"timer", 1}, {"time", 1}, {"brake", 1}}));
        main.append(command("mSetleds", {{"pin", "D2"}, {"state", i % 2}}));
        main.append(command("mPause", {{"second", 0.5}}));
    }
    return {{"ProgData", QJsonArray{main}},
            {"configuration",
             QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}},
                                             QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 41}},
                                             QJsonObject{{"pinLbl", "D11"}, {"gadgetId", 60}}}}}}};
}

} // namespace

class bench_Classroom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void writeOneThenAll();
    void showMe_data();
    void showMe();
    void renameAll();
    void readOneThenAll();

private:
    // Milliseconds until the scheduler has done what it was given.
    qint64 timed(const std::function<int()> &give);

    std::vector<std::unique_ptr<VirtualControllerServer>> m_servers;
    QStringList m_addresses;
    ClassScheduler m_scheduler;
};

void bench_Classroom::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    for (int i = 0; i < kRobots; ++i) {
        m_servers.push_back(std::make_unique<VirtualControllerServer>());
        VirtualController &controller = m_servers.back()->controller();
        controller.setLatency(20);
        controller.setMsPerByte(3.3);
        controller.setDeviceName("Robot");
        const quint16 port = m_servers.back()->listen(QHostAddress::LocalHost);
        QVERIFY(port != 0);
        m_addresses.append(QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    }
    std::printf("%d robots, 20 ms latency, 3.3 ms per EEPROM byte, %d links at once\n", kRobots,
                m_scheduler.maxLinks(LinkSocket::Kind::Tcp));
}

qint64 bench_Classroom::timed(const std::function<int()> &give)
{
    QSignalSpy done(&m_scheduler, &ClassScheduler::allFinished);
    QElapsedTimer clock;
    clock.start();
    if (give() == 0 || !done.wait(120000))
        return -1;
    const qint64 ms = clock.elapsed();
    if (m_scheduler.summary().succeeded != m_scheduler.summary().total)
        return -1;
    return ms;
}

void bench_Classroom::writeOneThenAll()
{
    const QJsonObject program = thirtyCommands();
    qint64 one = 0;
    qint64 all = 0;
    QBENCHMARK_ONCE
    {
        one = timed([&] { return m_scheduler.write({m_addresses.first()}, program); });
        all = timed([&] { return m_scheduler.write(m_addresses, program); });
    }
    QVERIFY(one > 0 && all > 0);
    std::printf("write 1 robot: %lld ms; write %d robots: %lld ms (%.2f x one)\n", one, kRobots,
                all, double(all) / double(one));
}

void bench_Classroom::showMe_data()
{
    QTest::addColumn<bool>("editorsRobot");
    QTest::newRow("robot not connected") << false;
    QTest::newRow("the editor's robot") << true;
}

void bench_Classroom::showMe()
{
    // From the press to the first drive instruction the robot takes.
    QFETCH(bool, editorsRobot);
    const int index = editorsRobot ? 7 : 6;
    internalWorker editor;
    const QJsonObject editorProgram = thirtyCommands();
    if (editorsRobot) {
        editor.mwChangeProg(editorProgram);
        editor.mwStart();
        editor.mwSelectDevice(RobotJob::deviceTextOf(m_addresses[index]));
        QTRY_VERIFY_WITH_TIMEOUT(editor.state() != LinkProtocol::WorkerState::Disconnected, 10000);
        m_scheduler.setEditorWorker(&editor, [&] { return editorProgram; });
    }
    const auto forget = qScopeGuard([this] { m_scheduler.setEditorWorker(nullptr, {}); });
    VirtualController &robot = m_servers[size_t(index)]->controller();
    QElapsedTimer clock;
    qint64 firstMotion = -1;
    qint64 picture = -1;
    const auto watch = connect(&robot, &VirtualController::outputsChanged, this, [&] {
        if (picture < 0 && robot.outputs().matrix != std::array<quint8, 8>{})
            picture = clock.elapsed();
        if (firstMotion < 0 &&
            robot.outputs().driveCommand == int(CommandKinds::Opcode::DriveForward))
            firstMotion = clock.elapsed();
    });
    const QJsonObject configuration = thirtyCommands().value("configuration").toObject();
    qint64 whole = 0;
    QBENCHMARK_ONCE
    {
        whole = timed([&] {
            clock.start();
            return m_scheduler.identify(m_addresses[index], configuration, index + 1);
        });
    }
    disconnect(watch);
    QVERIFY(whole > 0 && firstMotion > 0);
    std::printf("show me, %s: picture after %lld ms, first motion after %lld ms, halted after %lld "
                "ms\n",
                QTest::currentDataTag(), picture, firstMotion, whole);
}

void bench_Classroom::renameAll()
{
    qint64 all = 0;
    QBENCHMARK_ONCE
    {
        all = timed([&] {
            int given = 0;
            for (int i = 0; i < kRobots; ++i)
                given += m_scheduler.rename(m_addresses[i], QStringLiteral("Robot %1").arg(i + 1));
            return given;
        });
    }
    QVERIFY(all > 0);
    std::printf("rename %d robots: %lld ms\n", kRobots, all);
}

void bench_Classroom::readOneThenAll()
{
    qint64 one = 0;
    qint64 all = 0;
    QBENCHMARK_ONCE
    {
        one = timed([&] { return m_scheduler.read({m_addresses.first()}); });
        all = timed([&] { return m_scheduler.read(m_addresses); });
    }
    QVERIFY(one > 0 && all > 0);
    std::printf("read 1 robot: %lld ms; read %d robots: %lld ms (%.2f x one)\n", one, kRobots, all,
                double(all) / double(one));
}

QTEST_GUILESS_MAIN(bench_Classroom)
#include "bench_classroom.moc"
