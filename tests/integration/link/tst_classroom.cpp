#include "classroster.h"
#include "classscheduler.h"
#include "linktestprogram.h"
#include "virtualcontrollerserver.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>
#include <vector>

using namespace LinkProtocol;
using namespace LinkTestProgram;

// A class of virtual robots in the test's process, as taviro-sim --robots serves them: numbered,
// renamed, one shown, one program written to all with a link cut on the way, all read back.
class tst_Classroom : public QObject
{
    Q_OBJECT
private slots:
    void classJourney();
};

namespace {

constexpr int kRobots = 5;

bool runToEnd(ClassScheduler &scheduler)
{
    QSignalSpy done(&scheduler, &ClassScheduler::allFinished);
    return scheduler.isBusy() ? done.wait(60000) : true;
}

} // namespace

void tst_Classroom::classJourney()
{
    std::vector<std::unique_ptr<VirtualControllerServer>> servers;
    QStringList addresses;
    for (int i = 0; i < kRobots; ++i) {
        servers.push_back(std::make_unique<VirtualControllerServer>());
        VirtualController &controller = servers.back()->controller();
        controller.setStateInterval(20);
        controller.setLatency(2);
        controller.setDeviceName("Robot");
        const quint16 port = servers.back()->listen(QHostAddress::LocalHost);
        QVERIFY(port != 0);
        addresses.append(QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    }
    QTemporaryDir home;
    ClassRoster roster(ClassRoster::filePathIn(home.path()));
    QVERIFY(roster.load());
    for (const QString &address : std::as_const(addresses))
        roster.meet(address);

    ClassScheduler scheduler;
    scheduler.setTimeoutSeconds(30);
    // Number them, in class order.
    QList<QPair<QString, QString>> renamed;
    connect(&scheduler, &ClassScheduler::robotFinished, this,
            [&](const QString &address, bool ok, RobotJob::Failure, const QJsonObject &) {
                if (ok && scheduler.job(address)->kind() == RobotJob::Kind::Rename)
                    renamed.append({address, scheduler.job(address)->newName()});
            });
    for (const ClassRoster::Robot &robot : roster.robots())
        QCOMPARE(scheduler.rename(robot.address, QStringLiteral("Robot %1").arg(robot.number)), 1);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.summary().succeeded, kRobots);
    QCOMPARE(renamed.size(), kRobots);
    for (const auto &[address, name] : std::as_const(renamed))
        QVERIFY(roster.rename(address, name));
    for (int i = 0; i < kRobots; ++i) {
        QCOMPARE(servers[size_t(i)]->controller().deviceName(),
                 QStringLiteral("Robot %1").arg(i + 1));
        QCOMPARE(roster.robot(addresses[i])->name, QStringLiteral("Robot %1").arg(i + 1));
    }

    // Show me: robot 3 shows its number, drives there and back, plays, and is halted.
    VirtualController &shown = servers[2]->controller();
    const QByteArray memoryBefore = shown.eeprom();
    std::array<quint8, 8> picture{};
    QList<int> drives;
    connect(&shown, &VirtualController::outputsChanged, this, [&] {
        if (shown.outputs().matrix != std::array<quint8, 8>{})
            picture = shown.outputs().matrix;
        if (drives.isEmpty() || drives.last() != shown.outputs().driveCommand)
            drives.append(shown.outputs().driveCommand);
    });
    const QJsonObject kit{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}},
                                              QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 41}},
                                              QJsonObject{{"pinLbl", "D11"}, {"gadgetId", 60}},
                                              QJsonObject{{"pinLbl", "D8"}, {"gadgetId", 70}}}}};
    QCOMPARE(scheduler.identify(addresses[2], kit, roster.numberOf(addresses[2])), 1);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.job(addresses[2])->state(), RobotJob::State::Shown);
    // A 3 of three columns by five rows, in the middle.
    QCOMPARE(picture, (std::array<quint8, 8>{0x00, 0x38, 0x08, 0x38, 0x08, 0x38, 0x00, 0x00}));
    QVERIFY(drives.contains(int(CommandKinds::Opcode::DriveForward)));
    QVERIFY(drives.contains(int(CommandKinds::Opcode::DriveBackward)));
    QVERIFY(shown.outputs().melodiesPlayed > 0);
    // The halt: drive braked, picture dark.
    QCOMPARE(shown.outputs().driveCommand, int(CommandKinds::Opcode::DriveBrake));
    QCOMPARE(shown.outputs().matrix, (std::array<quint8, 8>{}));
    QCOMPARE(shown.eeprom(), memoryBefore);

    // Show me on the robot the editor is linked to goes over the editor's link, which keeps the
    // editor's program.
    internalWorker editor;
    const QJsonObject editorProgram = sampleProgram(2);
    editor.mwChangeProg(editorProgram);
    editor.mwStart();
    editor.mwSelectDevice(RobotJob::deviceTextOf(addresses[0]));
    QTRY_VERIFY_WITH_TIMEOUT(editor.state() != WorkerState::Disconnected, 10000);
    QSignalSpy secondLinks(servers[0].get(), &VirtualControllerServer::clientConnected);
    scheduler.setEditorWorker(&editor, [&] { return editorProgram; });
    QCOMPARE(scheduler.identify(addresses[0], kit, 1), 1);
    QVERIFY(scheduler.job(addresses[0])->isBorrowed());
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.job(addresses[0])->state(), RobotJob::State::Shown);
    QCOMPARE(secondLinks.size(), 0);
    QCOMPARE(editor.memoryImage(), memoryOf(editorProgram).left(editor.memoryImage().size()));
    QVERIFY(editor.state() != WorkerState::Disconnected);

    // One program to all; robot 2's link is cut a few chunks into the write.
    const QJsonObject program = sampleProgram(24);
    VirtualControllerServer &cut = *servers[1];
    QSignalSpy reconnections(&cut, &VirtualControllerServer::clientConnected);
    int chunks = 0;
    connect(&cut.controller(), &VirtualController::requestHandled, this, [&](int type) {
        if (type == wireType(PacketType::MemoryWrite) && ++chunks == 3)
            cut.disconnectClient();
    });
    QSignalSpy progress(&scheduler, &ClassScheduler::robotProgress);
    QCOMPARE(scheduler.write(addresses, program), kRobots);
    QVERIFY(scheduler.openLinks() == kRobots);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.summary().succeeded, kRobots);
    QCOMPARE(secondLinks.size(), 0);
    QVERIFY(chunks > 3);
    QVERIFY(reconnections.size() >= 2);
    QVERIFY(!progress.isEmpty());
    for (const auto &server : servers)
        QCOMPARE(server->controller().eeprom(), memoryOf(program));

    // Collect: every robot's program comes back whole.
    QHash<QString, QJsonObject> read;
    connect(&scheduler, &ClassScheduler::robotFinished, this,
            [&](const QString &address, bool ok, RobotJob::Failure, const QJsonObject &document) {
                if (ok && !document.isEmpty())
                    read.insert(address, document);
            });
    QCOMPARE(scheduler.read(addresses), kRobots);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(read.size(), kRobots);
    for (const QString &address : std::as_const(addresses))
        QCOMPARE(read.value(address), expectedReadBack(program));

    // A robot that does not answer fails with its reason, and a retry takes only it.
    servers[4]->close();
    servers[4]->disconnectClient();
    scheduler.setTimeoutSeconds(2);
    QCOMPARE(scheduler.write({addresses[0], addresses[4]}, program), 2);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.summary().failed, QStringList{addresses[4]});
    QCOMPARE(scheduler.job(addresses[4])->failure(), RobotJob::Failure::NoLink);
    QCOMPARE(scheduler.retryFailed(), 1);
    QVERIFY(runToEnd(scheduler));
    QCOMPARE(scheduler.summary().total, 1);
}

QTEST_GUILESS_MAIN(tst_Classroom)
#include "tst_classroom.moc"
