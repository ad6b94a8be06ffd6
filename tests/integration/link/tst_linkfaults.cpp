#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QSignalSpy>
#include <QTest>

using namespace LinkProtocol;

using namespace LinkTestProgram;

// The worker and its TCP transport against the virtual controller in the same process, where the
// test can flip every fault switch and make the controller fall silent at a chosen moment.
class tst_LinkFaults : public QObject
{
    Q_OBJECT
private slots:
    void everyFaultSwitch();
    void silenceDuringWriteThenReconnect();
    void slowControllerGetsEachChunkOnce();
};

void tst_LinkFaults::everyFaultSwitch()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    controller.setStateInterval(20);
    controller.setDropEvery(5);
    controller.setCorruptEvery(7);
    controller.setGarbagePrefix(3);
    controller.setFloodEvery(11);
    controller.setLatency(1);

    internalWorker worker;
    QSignalSpy programs(&worker, &internalWorker::sigReadProg);
    const QJsonObject program = sampleProgram(30);
    worker.mwChangeProg(program);
    worker.mwStart();
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    // Give-ups and reconnections may interrupt a transfer; the user presses the button again.
    QElapsedTimer clock;
    clock.start();
    while (controller.eeprom() != memoryOf(program) && clock.elapsed() < 60000) {
        QTRY_VERIFY_WITH_TIMEOUT(worker.state() == WorkerState::Connected ||
                                     worker.state() == WorkerState::Ready,
                                 20000);
        worker.mwCommand("write");
        QTRY_VERIFY_WITH_TIMEOUT(worker.state() != WorkerState::Writing, 30000);
    }
    QCOMPARE(controller.eeprom(), memoryOf(program));
    while (programs.isEmpty() && clock.elapsed() < 90000) {
        QTRY_VERIFY_WITH_TIMEOUT(worker.state() == WorkerState::Connected ||
                                     worker.state() == WorkerState::Ready,
                                 20000);
        worker.mwCommand("read");
        QTRY_VERIFY_WITH_TIMEOUT(worker.state() != WorkerState::Reading, 30000);
    }
    QCOMPARE(programs.size(), 1);
    QCOMPARE(programs[0][0].toJsonObject(), expectedReadBack(program));
}

void tst_LinkFaults::silenceDuringWriteThenReconnect()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    controller.setStateInterval(20);
    // Slow enough that the write is still running when the controller falls silent.
    controller.setLatency(5);

    internalWorker worker;
    const QJsonObject program = sampleProgram(200);
    worker.mwChangeProg(program);
    worker.mwStart();
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    QSignalSpy lost(&worker, &internalWorker::sigErrorConnect);
    int writes = 0;
    connect(&controller, &VirtualController::requestHandled, this, [&](int type) {
        if (type == LinkProtocol::wireType(LinkProtocol::PacketType::MemoryWrite) && ++writes == 5)
            controller.goSilent(2000);
    });
    worker.mwCommand("write");
    QCOMPARE(worker.state(), WorkerState::Writing);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Disconnected, 10000);
    QVERIFY(lost.size() >= 1);
    QVERIFY(controller.eeprom() != memoryOf(program));

    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 20000);
    worker.mwCommand("write");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 20000);
    QCOMPARE(controller.eeprom(), memoryOf(program));
    worker.mwCommand("restart");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 10000);
    QCOMPARE(controller.configuration(), QByteArray::fromHex("01020000"));
}

void tst_LinkFaults::slowControllerGetsEachChunkOnce()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    // Four state packets while one chunk is written: the three-frame rule alone would resend
    // every chunk, and each late answer would send the next one again.
    controller.setStateInterval(50);
    controller.setMsPerByte(3.3);
    controller.setLatency(5);
    int writes = 0;
    int copiesOfFirstChunk = 0;
    connect(&controller, &VirtualController::requestArrived, this, [&](int type) {
        if (type == LinkProtocol::wireType(LinkProtocol::PacketType::MemoryWrite))
            ++writes;
    });
    connect(&controller, &VirtualController::requestHandled, this, [&](int type) {
        if (type == LinkProtocol::wireType(LinkProtocol::PacketType::MemoryWrite) &&
            copiesOfFirstChunk == 0)
            copiesOfFirstChunk = writes;
    });

    internalWorker worker;
    const QJsonObject program = sampleProgram(40);
    worker.mwChangeProg(program);
    const int chunks = int((worker.memoryImage().size() + 63) / 64);
    QVERIFY(chunks >= 8);
    worker.mwStart();
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    worker.mwCommand("write");
    QCOMPARE(worker.state(), WorkerState::Writing);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 30000);
    QCOMPARE(controller.eeprom(), memoryOf(program));
    // Before anything is measured, the first chunk is given time for the EEPROM to take it.
    QCOMPARE(copiesOfFirstChunk, 1);
    // A loaded machine may delay one answer beyond the measured spread.
    QVERIFY2(writes <= chunks + 1,
             qPrintable(QStringLiteral("%1 writes for %2 chunks").arg(writes).arg(chunks)));
    // The link learned how slow this EEPROM is: about 210 ms a full chunk, less for the short
    // last one, against a few milliseconds for a quick controller.
    QVERIFY2(worker.replyTimer().smoothedMs(PacketType::MemoryWrite) >= 150,
             qPrintable(QString::number(worker.replyTimer().smoothedMs(PacketType::MemoryWrite))));
}

QTEST_GUILESS_MAIN(tst_LinkFaults)
#include "tst_linkfaults.moc"
