// From the key of "run on the robot" to the first step packet the controller receives, in the
// reference setting of a classroom robot: 20 ms radio latency, 3.3 ms per EEPROM byte, a program
// of 60 commands that the robot holds already in its last version. "today" is the way without
// it: a whole write, then restart, then start, each sent as soon as the one before has ended
// (a pupil needs two more presses on top).

#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>

#include <cstdio>

using namespace LinkProtocol;
using namespace LinkTestProgram;

class bench_RunOnRobot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(qEnvironmentVariableIsSet("TAVIRO_BENCH_LOG")
                                             ? QStringLiteral("taviro.*.debug=true")
                                             : QStringLiteral("taviro.*=false"));
    }
    void keyToFirstStep_data();
    void keyToFirstStep();
};

void bench_RunOnRobot::keyToFirstStep_data()
{
    QTest::addColumn<QString>("edit");
    for (const char *edit : {"today", "changed value", "insert at the top", "unchanged"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void bench_RunOnRobot::keyToFirstStep()
{
    QFETCH(QString, edit);
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    controller.setLatency(20);
    controller.setMsPerByte(3.3);
    int chunks = 0;
    bool stepArrived = false;
    connect(&controller, &VirtualController::requestArrived, this, [&](int type) {
        chunks += type == wireType(PacketType::MemoryWrite);
        stepArrived = stepArrived || type == wireType(PacketType::StepCommand);
    });

    const QJsonObject program = sampleProgram(52); // 58 commands and a subprogram of 2
    internalWorker worker;
    worker.mwChangeProg(program);
    worker.mwStart();
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    // The last turn of the loop: written, run and stopped.
    worker.mwCommand("runonrobot");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Running, 30000);
    worker.mwCommand("stop");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 10000);

    QJsonObject next = program;
    QJsonArray data = next.value("ProgData").toArray();
    QJsonArray main = data[0].toArray();
    if (edit == "changed value" || edit == "today")
        main[0] = command("m_fwd", {{"speed", 75}, {"timer", 1}, {"time", 2}, {"brake", 1}});
    else if (edit == "insert at the top")
        main.prepend(command("mSetleds", {{"pin", "D2"}, {"state", 0}}));
    data[0] = main;
    next.insert("ProgData", data);
    worker.mwChangeProg(next);
    chunks = 0;
    stepArrived = false;
    QElapsedTimer clock;
    QBENCHMARK_ONCE
    {
        clock.start();
        if (edit == "today") {
            worker.mwCommand("writewhole");
            QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 30000);
            worker.mwCommand("restart");
            QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 10000);
            worker.mwCommand("start");
        } else {
            worker.mwCommand("runonrobot");
        }
        QVERIFY(QTest::qWaitFor([&] { return stepArrived; }, 30000));
    }
    const qint64 ms = clock.elapsed();
    std::printf("%-20s %5lld ms, %2d of %2d chunks written, goal 500 ms: %s\n", qPrintable(edit),
                ms, chunks, int((worker.memoryImage().size() + 63) / 64),
                ms <= 500 ? "met" : "missed");
    std::fflush(stdout);
    QCOMPARE(controller.eeprom().left(worker.memoryImage().size()), worker.memoryImage());
}

QTEST_GUILESS_MAIN(bench_RunOnRobot)
#include "bench_runonrobot.moc"
