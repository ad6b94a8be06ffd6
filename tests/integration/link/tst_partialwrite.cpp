#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QTest>

using namespace LinkProtocol;
using namespace LinkTestProgram;

// Writes to the virtual controller in this process: what a write leaves out, the robot holds.
class tst_PartialWrite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void memoryAsAfterWholeWrite_data();
    void memoryAsAfterWholeWrite();
    void linkCutBetweenWritesRunOnRobot();

private:
    // Waits for the worker to settle in the state; the chunks the controller got meanwhile.
    int settle(WorkerState state);
    int chunks() const { return int((m_worker->memoryImage().size() + 63) / 64); }

    std::unique_ptr<VirtualControllerServer> m_server;
    std::unique_ptr<internalWorker> m_worker;
    int m_chunksSent = 0;
};

void tst_PartialWrite::init()
{
    m_server = std::make_unique<VirtualControllerServer>();
    QVERIFY(m_server->listen(QHostAddress::LocalHost) != 0);
    m_server->controller().setStateInterval(20);
    connect(&m_server->controller(), &VirtualController::requestArrived, this,
            [this](int type) { m_chunksSent += type == wireType(PacketType::MemoryWrite); });
    m_worker = std::make_unique<internalWorker>();
    m_worker->mwChangeProg(editedProgram(12, {}));
    m_worker->mwStart();
    m_worker->mwSelectDevice(mBluetoothConnect::deviceText(
        "Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(m_server->port())));
    // The watchdog paces the connection steps; the first two need not wait for it.
    m_worker->tslt();
    m_worker->tslt();
    QCOMPARE(settle(WorkerState::Connected), 0);
}

int tst_PartialWrite::settle(WorkerState state)
{
    m_chunksSent = 0;
    return QTest::qWaitFor([&] { return m_worker->state() == state; }, 20000) ? m_chunksSent : -1;
}

void tst_PartialWrite::memoryAsAfterWholeWrite_data()
{
    QTest::addColumn<QString>("edit");
    for (const char *edit :
         {"value", "insert at the top", "insert at the end", "subprogram deleted", "configuration"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void tst_PartialWrite::memoryAsAfterWholeWrite()
{
    QFETCH(QString, edit);
    VirtualController &controller = m_server->controller();
    m_worker->mwCommand("write");
    QCOMPARE(settle(WorkerState::Connected), chunks());
    const QByteArray before = controller.eeprom();

    m_worker->mwChangeProg(editedProgram(12, edit));
    const int changed = m_worker->chunksToWrite();
    m_worker->mwCommand("write");
    QCOMPARE(settle(WorkerState::Connected), changed);
    QVERIFY(m_worker->robotHoldsProgram());
    const QByteArray partial = controller.eeprom();
    controller.setEeprom(before);
    m_worker->mwCommand("writewhole");
    QCOMPARE(settle(WorkerState::Connected), chunks());
    QCOMPARE(partial, controller.eeprom());
}

void tst_PartialWrite::linkCutBetweenWritesRunOnRobot()
{
    m_worker->mwCommand("runonrobot");
    QCOMPARE(settle(WorkerState::Running), chunks());
    m_worker->mwCommand("stop");
    QCOMPARE(settle(WorkerState::Ready), 0);
    // The same program again: nothing written, and the robot runs it.
    m_worker->mwCommand("runonrobot");
    QCOMPARE(settle(WorkerState::Running), 0);

    m_worker->mwChangeProg(editedProgram(12, "value"));
    m_server->disconnectClient();
    for (int tick = 0; tick < 3; ++tick) // the link found gone, and made again
        m_worker->tslt();
    settle(WorkerState::Connected);
    QCOMPARE(m_worker->chunksToWrite(), chunks());
    // Stopped while it writes: no run, and the memory is unknown again.
    m_worker->mwCommand("runonrobot");
    QCOMPARE(m_worker->state(), WorkerState::Writing);
    m_worker->mwCommand("stop");
    QVERIFY(m_worker->state() == WorkerState::Connected && !m_worker->runOnRobotActive());
    QCOMPARE(m_worker->chunksToWrite(), chunks());
    m_worker->mwCommand("write");
    settle(WorkerState::Connected);
    QCOMPARE(m_server->controller().eeprom(), memoryOf(editedProgram(12, "value")));
}

QTEST_GUILESS_MAIN(tst_PartialWrite)
#include "tst_partialwrite.moc"
