// From the key of "run on the robot" to the first step packet the controller receives, at a
// classroom robot's pace (20 ms radio latency, 3.3 ms per EEPROM byte), for a program of 60
// commands whose last version the robot holds and ran. An insert at the top moves every byte
// after it, so all chunks go as in a whole write.

#include "../../integration/link/linktestprogram.h"
#include "internalworker.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace LinkProtocol;
using namespace LinkTestProgram;

class bench_RunOnRobot : public QObject
{
    Q_OBJECT
private slots:
    void keyToFirstStep_data();
    void keyToFirstStep();
};

void bench_RunOnRobot::keyToFirstStep_data()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*=false"));
    QTest::addColumn<QString>("edit");
    for (const char *edit : {"value", "insert at the top", "unchanged"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void bench_RunOnRobot::keyToFirstStep()
{
    QFETCH(QString, edit);
    VirtualControllerServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost) != 0);
    server.controller().setLatency(20);
    server.controller().setMsPerByte(3.3);
    // A real event loop: the test's polling waits would add their naps to every exchange.
    QEventLoop loop;
    int chunks = 0;
    connect(&server.controller(), &VirtualController::requestArrived, this, [&](int type) {
        chunks += type == wireType(PacketType::MemoryWrite);
        if (type == wireType(PacketType::StepCommand))
            loop.quit();
    });
    internalWorker worker;
    worker.mwChangeProg(editedProgram(51, {})); // 57 commands, and 2 and 1 in two subprograms
    worker.mwStart();
    worker.mwSelectDevice(mBluetoothConnect::deviceText(
        "Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(server.port())));
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    worker.mwCommand("runonrobot");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Running, 30000);
    worker.mwCommand("stop");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 10000);

    worker.mwChangeProg(editedProgram(51, edit));
    chunks = 0;
    QElapsedTimer clock;
    QBENCHMARK_ONCE
    {
        clock.start();
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        worker.mwCommand("runonrobot");
        loop.exec();
    }
    std::printf("%-18s %5lld ms, %2d of %2d chunks written\n", qPrintable(edit), clock.elapsed(),
                chunks, int((worker.memoryImage().size() + 63) / 64));
}

QTEST_GUILESS_MAIN(bench_RunOnRobot)
#include "bench_runonrobot.moc"
