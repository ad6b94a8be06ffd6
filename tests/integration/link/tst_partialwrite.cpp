#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QTest>

using namespace LinkProtocol;
using namespace LinkTestProgram;

namespace {

// The sample program with a second subprogram that nothing calls, so that it can go.
QJsonObject baseProgram()
{
    QJsonObject program = sampleProgram(12);
    QJsonArray data = program.value("ProgData").toArray();
    data.append(QJsonArray{command("mSetleds", {{"pin", "D4"}, {"state", 1}})});
    program.insert("ProgData", data);
    return program;
}

QJsonObject edited(const QString &edit)
{
    QJsonObject program = baseProgram();
    QJsonArray data = program.value("ProgData").toArray();
    QJsonArray main = data[0].toArray();
    const QJsonObject led = command("mSetleds", {{"pin", "D5"}, {"state", 1}});
    if (edit == "value")
        main[8] = command("mrall", {{"motor", "D7"}, {"speed", 150}, {"side", 0}});
    else if (edit == "insert at the top")
        main.prepend(led);
    else if (edit == "insert at the end")
        main.append(led);
    else if (edit == "subprogram deleted")
        data.removeLast();
    else if (edit == "configuration")
        program.insert("configuration", QJsonObject{{"Motor1", 2}, {"Motor2", 1}});
    data[0] = main;
    program.insert("ProgData", data);
    return program;
}

} // namespace

// The worker's writes against the virtual controller in the same process: what a write leaves
// out must be what the controller holds, whatever the edit and whatever happened to the link.
class tst_PartialWrite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void memoryAsAfterWholeWrite_data();
    void memoryAsAfterWholeWrite();
    void linkCutBetweenWritesRunOnRobot();

private:
    // Waits until the worker settles in one of the states, counting the chunks the controller
    // was sent on the way.
    int settle(std::initializer_list<WorkerState> states);

    std::unique_ptr<VirtualControllerServer> m_server;
    std::unique_ptr<internalWorker> m_worker;
    int m_chunksSent = 0;
};

void tst_PartialWrite::init()
{
    m_server = std::make_unique<VirtualControllerServer>();
    const quint16 port = m_server->listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    m_server->controller().setStateInterval(20);
    connect(&m_server->controller(), &VirtualController::requestArrived, this,
            [this](int type) { m_chunksSent += type == wireType(PacketType::MemoryWrite); });
    m_worker = std::make_unique<internalWorker>();
    m_worker->mwChangeProg(baseProgram());
    m_worker->mwStart();
    m_worker->mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    // The watchdog paces the connection steps; the first two need not wait for it.
    m_worker->tslt();
    m_worker->tslt();
    QCOMPARE(settle({WorkerState::Connected}), 0);
}

int tst_PartialWrite::settle(std::initializer_list<WorkerState> states)
{
    m_chunksSent = 0;
    const auto settled = [&] {
        return std::find(states.begin(), states.end(), m_worker->state()) != states.end() &&
               !m_worker->runOnRobotActive();
    };
    if (!QTest::qWaitFor(settled, 20000))
        return -1;
    return m_chunksSent;
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
    const int all = int((m_worker->memoryImage().size() + 63) / 64);
    QCOMPARE(settle({WorkerState::Connected}), all);
    const QByteArray before = controller.eeprom();

    m_worker->mwChangeProg(edited(edit));
    const int changed = m_worker->chunksToWrite();
    QVERIFY(changed > 0);
    m_worker->mwCommand("write");
    QCOMPARE(settle({WorkerState::Connected}), changed);
    QVERIFY(m_worker->robotHoldsProgram());
    const QByteArray partial = controller.eeprom();

    controller.setEeprom(before);
    m_worker->mwCommand("writewhole");
    QCOMPARE(settle({WorkerState::Connected}), int((m_worker->memoryImage().size() + 63) / 64));
    QCOMPARE(partial, controller.eeprom());
    if (edit == "value" || edit == "insert at the end")
        QVERIFY2(changed <= 2, qPrintable(QString::number(changed)));
}

void tst_PartialWrite::linkCutBetweenWritesRunOnRobot()
{
    VirtualController &controller = m_server->controller();
    m_worker->mwCommand("runonrobot");
    const int all = int((m_worker->memoryImage().size() + 63) / 64);
    QCOMPARE(settle({WorkerState::Running}), all);
    m_worker->mwCommand("stop");
    QCOMPARE(settle({WorkerState::Ready}), 0);
    // The same program again: nothing written, and the robot runs it.
    m_worker->mwCommand("runonrobot");
    QCOMPARE(settle({WorkerState::Running}), 0);
    m_worker->mwCommand("stop");
    settle({WorkerState::Ready});

    m_worker->mwChangeProg(edited("value"));
    m_server->disconnectClient();
    m_worker->tslt(); // the watchdog finds the link gone
    m_worker->tslt();
    m_worker->tslt();
    settle({WorkerState::Connected});
    QCOMPARE(m_worker->chunksToWrite(), all);
    // Stopped while it writes: no run, and the memory is unknown again.
    m_worker->mwCommand("runonrobot");
    QCOMPARE(m_worker->state(), WorkerState::Writing);
    m_worker->mwCommand("stop");
    QCOMPARE(m_worker->state(), WorkerState::Connected);
    QVERIFY(!m_worker->runOnRobotActive());
    QCOMPARE(m_worker->chunksToWrite(), all);
    m_worker->mwCommand("write");
    settle({WorkerState::Connected});
    QCOMPARE(controller.eeprom(), memoryOf(edited("value")));
}

QTEST_GUILESS_MAIN(tst_PartialWrite)
#include "tst_partialwrite.moc"
