#include "commandcompiler.h"
#include "controllerstate.h"
#include "deframer.h"
#include "packetframe.h"
#include "virtualcontroller.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace LinkProtocol;

namespace {

QJsonObject command(const QString &name, QJsonObject action = {},
                    QJsonObject conditions = {{"type", "always"}})
{
    action.insert("command", name);
    return {{"conditions", conditions}, {"action", action}};
}

QJsonObject single(const QJsonObject &condition)
{
    return {{"type", "single"}, {"data", QJsonArray{condition}}};
}

QByteArray record(const QJsonObject &cmd)
{
    CommandCompiler compiler;
    compiler.setPrograms(QJsonArray{QJsonArray{}, QJsonArray{}});
    compiler.compileCommand(cmd);
    return compiler.lastRecord();
}

// The controller with its output cut back into frames, as the editor would see them.
struct Rig
{
    VirtualController controller;
    Deframer deframer;
    QList<QPair<int, QByteArray>> frames;
    int checksumErrors = 0;
    QByteArray raw;
    quint8 sequence = 0;

    Rig()
    {
        QObject::connect(&controller, &VirtualController::bytesToSend,
                         [this](const QByteArray &bytes) {
                             raw += bytes;
                             deframer.feed(bytes);
                         });
        QObject::connect(&deframer, &Deframer::packetReceived,
                         [this](int type, const QByteArray &payload) {
                             frames.append({type, payload});
                         });
        QObject::connect(&deframer, &Deframer::checksumFailed, [this] { ++checksumErrors; });
        controller.setStateInterval(60000);
        controller.attach();
    }
    void request(PacketType type, const QByteArray &payload)
    {
        controller.receiveBytes(PacketFrame::build(wireType(type), payload));
    }
    // Runs one command record in step or manual mode.
    void run(const QJsonObject &cmd, PacketType type = PacketType::StepCommand)
    {
        request(type, QByteArray(1, char(++sequence)) + record(cmd));
    }
    bool done() const
    {
        return controller.statusFlags().testFlag(StatusBit::Done) &&
               controller.lastSequence() == sequence;
    }
    StatusFlags flow() const
    {
        return controller.statusFlags() & (StatusBit::Called | StatusBit::Returned |
                                           StatusBit::CycleRepeats | StatusBit::CycleEnded);
    }
};

} // namespace

class tst_VirtualController : public QObject
{
    Q_OBJECT
private slots:
    void memoryStartsErased();
    void memoryWriteAndRead();
    void badMemoryRequestsGetNoReply_data();
    void badMemoryRequestsGetNoReply();
    void configurationAndRename();
    void statePacketsCarryInputs();
    void conditions_data();
    void conditions();
    void outputs();
    void callAndReturn();
    void endlessCycle();
    void countedCycle();
    void counterConditionSeesIterations();
    void manualCommandsLeaveTheStackAlone();
    void timedCommandIsDoneAfterItsWait();
    void dropEveryNth();
    void corruptEveryNth();
    void garbagePrefixIsSkipped();
    void floodPrecedesReply();
    void silence();
    void latencyDelaysInOrder();
    void slowRequestsAreAnsweredAfterTheirTime_data();
    void slowRequestsAreAnsweredAfterTheirTime();
    void requestsAreServedOneAtATimeInOrder();
    void statePacketsKeepComingWhileBusy();
    void loseEveryNthRequest();
    void noiseHoldsFalseStartsButFramesSurvive();
};

void tst_VirtualController::memoryStartsErased()
{
    VirtualController controller;
    QCOMPARE(controller.eeprom(), QByteArray(4096, '\xff'));
    controller.setEeprom("abc");
    QCOMPARE(controller.eeprom().size(), 4096);
    QCOMPARE(controller.eeprom().left(4), QByteArray("abc\xff"));
}

void tst_VirtualController::memoryWriteAndRead()
{
    Rig rig;
    rig.request(PacketType::MemoryWrite, QByteArray::fromHex("c00f04") + "DATA");
    QCOMPARE(rig.frames.size(), 1);
    QCOMPARE(rig.frames[0].first, replyType(PacketType::MemoryWrite));
    QCOMPARE(rig.frames[0].second, QByteArray::fromHex("c00f"));
    QCOMPARE(rig.controller.eeprom().mid(4032, 5), QByteArray("DATA\xff"));
    rig.request(PacketType::MemoryRead, QByteArray::fromHex("c00f40"));
    QCOMPARE(rig.frames.size(), 2);
    QCOMPARE(rig.frames[1].first, replyType(PacketType::MemoryRead));
    QCOMPARE(rig.frames[1].second.size(), 66);
    QCOMPARE(rig.frames[1].second.mid(2, 5), QByteArray("DATA\xff"));
}

void tst_VirtualController::badMemoryRequestsGetNoReply_data()
{
    QTest::addColumn<PacketType>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("write count disagrees")
        << PacketType::MemoryWrite << QByteArray::fromHex("000003") + "ab";
    QTest::newRow("write past the end")
        << PacketType::MemoryWrite << QByteArray::fromHex("ff0f02") + "ab";
    QTest::newRow("write of 65 bytes")
        << PacketType::MemoryWrite << QByteArray::fromHex("000041") + QByteArray(65, 0);
    QTest::newRow("read past the end") << PacketType::MemoryRead << QByteArray::fromHex("c10f40");
    QTest::newRow("read of nothing") << PacketType::MemoryRead << QByteArray::fromHex("000000");
    QTest::newRow("read too short") << PacketType::MemoryRead << QByteArray::fromHex("00");
}

void tst_VirtualController::badMemoryRequestsGetNoReply()
{
    QFETCH(PacketType, type);
    QFETCH(QByteArray, payload);
    Rig rig;
    rig.request(type, payload);
    QVERIFY(rig.frames.isEmpty());
    QCOMPARE(rig.controller.eeprom(), QByteArray(4096, '\xff'));
}

void tst_VirtualController::configurationAndRename()
{
    Rig rig;
    rig.request(PacketType::Configuration, QByteArray::fromHex("0102030a0000"));
    rig.request(PacketType::Rename, QString::fromUtf8("Робот").toUtf8() + QByteArray(10, '\0'));
    QCOMPARE(rig.frames.size(), 2);
    QCOMPARE(rig.frames[0].first, replyType(PacketType::Configuration));
    QCOMPARE(rig.frames[1].first, replyType(PacketType::Rename));
    QCOMPARE(rig.controller.configuration(), QByteArray::fromHex("0102030a0000"));
    QCOMPARE(rig.controller.deviceName(), QString::fromUtf8("Робот"));
}

void tst_VirtualController::statePacketsCarryInputs()
{
    Rig rig;
    rig.controller.setDigitalInput(9, true);
    rig.controller.setAnalogInput(2, 300); // clamped
    rig.controller.setStateInterval(10);
    QTRY_VERIFY(!rig.frames.isEmpty());
    ControllerState state;
    QVERIFY(state.store(rig.frames.first().second));
    QCOMPARE(rig.frames.first().second.size(), 29);
    QCOMPARE(state.digitalInputs[9], 1);
    QCOMPARE(int(state.analogInputs[2]), 255);
    QCOMPARE(state.statusFlags, StatusFlags());
    rig.controller.detach();
    rig.frames.clear();
    QTest::qWait(50);
    QVERIFY(rig.frames.isEmpty());
}

void tst_VirtualController::conditions_data()
{
    QTest::addColumn<QJsonObject>("conditions");
    QTest::addColumn<bool>("runs");
    const QJsonObject d3High{{"pin", "D3"}, {"equation", "equals"}, {"level", "1"}};
    const QJsonObject d4Low{{"pin", "D4"}, {"equation", "equals"}, {"level", "0"}};
    const QJsonObject a1Greater{{"pin", "A1"}, {"equation", "greater"}, {"level", "100"}};
    const QJsonObject a1Inside{
        {"pin", "A1"}, {"equation", "inside"}, {"level", "100"}, {"level2", "200"}};
    const QJsonObject a1Outside{
        {"pin", "A1"}, {"equation", "outside"}, {"level", "100"}, {"level2", "200"}};
    const QJsonObject a1Equals{{"pin", "A1"}, {"equation", "equals"}, {"level", "150"}};
    const QJsonObject a1Unequal{{"pin", "A1"}, {"equation", "unequal"}, {"level", "150"}};
    const QJsonObject a1Smaller{{"pin", "A1"}, {"equation", "smaller"}, {"level", "150"}};
    // D3 is high, D4 is high, A1 reads 150.
    QTest::newRow("always") << QJsonObject{{"type", "always"}} << true;
    QTest::newRow("digital high holds") << single(d3High) << true;
    QTest::newRow("digital low fails") << single(d4Low) << false;
    QTest::newRow("analog greater") << single(a1Greater) << true;
    QTest::newRow("analog inside") << single(a1Inside) << true;
    QTest::newRow("analog outside") << single(a1Outside) << false;
    QTest::newRow("analog equals") << single(a1Equals) << true;
    QTest::newRow("analog unequal") << single(a1Unequal) << false;
    QTest::newRow("analog smaller") << single(a1Smaller) << false;
    QTest::newRow("and, one fails")
        << QJsonObject{{"type", "and"}, {"data", QJsonArray{d3High, d4Low}}} << false;
    QTest::newRow("or, one holds")
        << QJsonObject{{"type", "or"}, {"data", QJsonArray{d4Low, d3High}}} << true;
    QTest::newRow("counter outside a cycle")
        << single({{"equation", "counter"}, {"level", "1"}}) << false;
}

void tst_VirtualController::conditions()
{
    QFETCH(QJsonObject, conditions);
    QFETCH(bool, runs);
    Rig rig;
    rig.controller.setDigitalInput(3, true);
    rig.controller.setDigitalInput(4, true);
    rig.controller.setAnalogInput(1, 150);
    rig.run(command("mSetleds", {{"pin", "D5"}, {"state", 1}}, conditions));
    QVERIFY(rig.done());
    QCOMPARE(rig.frames.first().first, replyType(PacketType::StepCommand));
    QCOMPARE(rig.controller.outputs().leds.value(5, false), runs);
}

void tst_VirtualController::outputs()
{
    Rig rig;
    rig.run(command("m_fwd", {{"speed", 60}}));
    rig.run(command("mrall", {{"motor", "D7"}, {"speed", 100}, {"side", 1}}));
    rig.run(
        command("mServowork", {{"servos", QJsonArray{QJsonObject{{"pin", "D9"}, {"angle", 45}}}}}));
    rig.run(command("mSound", {{"note", "A"}, {"octave", 4}, {"time", 0.5}}));
    QJsonArray pict;
    for (int i = 0; i < 64; ++i)
        pict.append(i % 9 == 0 ? 1 : 0);
    rig.run(command("mMatrix", {{"pict", pict}}));
    rig.run(command(
        "mMusic",
        {{"tempo", 90},
         {"sounds", QJsonArray{QJsonObject{{"note", "C"}, {"octave", 5}, {"length", 4}}}}}));
    const SimulatedOutputs &out = rig.controller.outputs();
    QCOMPARE(out.driveCommand, 0x23);
    QCOMPARE(out.driveSpeed, 60);
    QCOMPARE(out.motors.value(7), -100);
    QCOMPARE(out.servos.value(9), 45);
    QCOMPARE(out.note, 0xA4);
    QCOMPARE(out.noteTenths, 5);
    for (int row = 0; row < 8; ++row)
        QCOMPARE(int(out.matrix[row]), 0x80 >> row);
    QCOMPARE(out.melodyTempo, 90);
    QCOMPARE(out.melody, QByteArray::fromHex("1504"));
    rig.run(command("mr1stop", {{"motor", "D7"}, {"brake", 1}}));
    rig.run(command("m_stop", {{"brake", 1}}));
    QCOMPARE(out.motors.value(7), 0);
    QCOMPARE(out.motorBrakes.value(7), true);
    QCOMPARE(out.driveCommand, 0x21);
    QVERIFY(rig.done());
}

void tst_VirtualController::callAndReturn()
{
    Rig rig;
    rig.run(command("call", {{"proc", 1}}));
    QVERIFY(rig.done());
    QCOMPARE(rig.flow(), StatusBit::Called);
    QCOMPARE(rig.controller.stackDepth(), 1);
    rig.run(command("mStartCycle"));
    QCOMPARE(rig.controller.stackDepth(), 2);
    rig.request(PacketType::Configuration, QByteArray::fromHex("00000000"));
    QCOMPARE(rig.controller.stackDepth(), 0);
    rig.run(command("call", {{"proc", 1}}));
    rig.run(command("mStartCycle"));
    rig.request(PacketType::StepCommand,
                QByteArray(1, char(++rig.sequence)) + CommandCompiler::returnRecord());
    QCOMPARE(rig.flow(), StatusBit::Returned);
    QCOMPARE(rig.controller.stackDepth(), 0);
    // A call that its conditions skip reports nothing but done.
    rig.run(command("call", {{"proc", 1}},
                    single({{"pin", "D1"}, {"equation", "equals"}, {"level", "1"}})));
    QVERIFY(rig.done());
    QCOMPARE(rig.flow(), StatusFlags());
}

void tst_VirtualController::endlessCycle()
{
    Rig rig;
    const QJsonObject whileD2 = single({{"pin", "D2"}, {"equation", "equals"}, {"level", "1"}});
    rig.run(command("mStartCycle"));
    QCOMPARE(rig.flow(), StatusFlags());
    rig.controller.setDigitalInput(2, true);
    rig.run(command("mEndCycle", {}, whileD2));
    QCOMPARE(rig.flow(), StatusBit::CycleRepeats);
    QCOMPARE(rig.controller.stackDepth(), 1);
    rig.controller.setDigitalInput(2, false);
    rig.run(command("mEndCycle", {}, whileD2));
    QCOMPARE(rig.flow(), StatusBit::CycleEnded);
    QCOMPARE(rig.controller.stackDepth(), 0);
}

void tst_VirtualController::countedCycle()
{
    Rig rig;
    rig.run(command("mvirtualstartcycle", {{"counter", 3}}));
    QList<StatusFlags> flows;
    for (int i = 0; i < 3; ++i) {
        rig.run(command("mnop"));
        rig.run(command("mvirtualendcycle", {{"counter", 3}}));
        flows.append(rig.flow());
    }
    QCOMPARE(flows, (QList<StatusFlags>{StatusBit::CycleRepeats, StatusBit::CycleRepeats,
                                        StatusBit::CycleEnded}));
    QCOMPARE(rig.controller.stackDepth(), 0);
}

void tst_VirtualController::counterConditionSeesIterations()
{
    Rig rig;
    const QJsonObject fromSecondPass = single({{"equation", "counter"}, {"level", "1"}});
    rig.run(command("mStartCycle"));
    rig.run(command("mSetleds", {{"pin", "D6"}, {"state", 1}}, fromSecondPass));
    QCOMPARE(rig.controller.outputs().leds.value(6, false), false);
    rig.run(command("mEndCycle"));
    rig.run(command("mSetleds", {{"pin", "D6"}, {"state", 1}}, fromSecondPass));
    QCOMPARE(rig.controller.outputs().leds.value(6, false), true);
}

void tst_VirtualController::manualCommandsLeaveTheStackAlone()
{
    Rig rig;
    rig.run(command("call", {{"proc", 1}}), PacketType::ManualCommand);
    QCOMPARE(rig.frames.last().first, replyType(PacketType::ManualCommand));
    QVERIFY(rig.done());
    QCOMPARE(rig.flow(), StatusFlags());
    QCOMPARE(rig.controller.stackDepth(), 0);
}

void tst_VirtualController::timedCommandIsDoneAfterItsWait()
{
    Rig rig;
    rig.run(command("m_fwd", {{"speed", 50}, {"timer", 1}, {"time", 0.2}, {"brake", 1}}));
    QVERIFY(!rig.done());
    QVERIFY(rig.controller.statusFlags().testFlag(StatusBit::Busy));
    QCOMPARE(rig.controller.outputs().driveCommand, 0x23);
    QTRY_VERIFY_WITH_TIMEOUT(rig.done(), 5000);
    QCOMPARE(rig.controller.outputs().driveCommand, 0x21);
}

void tst_VirtualController::dropEveryNth()
{
    Rig rig;
    rig.controller.setDropEvery(2);
    for (int i = 0; i < 4; ++i)
        rig.request(PacketType::MemoryRead, QByteArray::fromHex("000001"));
    QCOMPARE(rig.frames.size(), 2);
    QCOMPARE(rig.controller.repliesSent(), 4);
}

void tst_VirtualController::corruptEveryNth()
{
    Rig rig;
    rig.controller.setCorruptEvery(3);
    for (int i = 0; i < 6; ++i)
        rig.request(PacketType::Configuration, {});
    QCOMPARE(rig.frames.size(), 4);
    QCOMPARE(rig.checksumErrors, 2);
}

void tst_VirtualController::garbagePrefixIsSkipped()
{
    Rig rig;
    rig.controller.setGarbagePrefix(50);
    rig.request(PacketType::MemoryRead, QByteArray::fromHex("000002"));
    QCOMPARE(rig.raw.size(), 50 + 4 + 4);
    QVERIFY(!rig.raw.left(50).contains('\xb5'));
    QCOMPARE(rig.frames.size(), 1);
    QCOMPARE(rig.checksumErrors, 0);
}

void tst_VirtualController::floodPrecedesReply()
{
    Rig rig;
    rig.controller.setFloodEvery(2);
    rig.request(PacketType::Configuration, {});
    rig.request(PacketType::Configuration, {});
    QCOMPARE(rig.raw.size(), 4 + VirtualController::kFloodBytes + 4);
    QVERIFY(VirtualController::kFloodBytes > Deframer::kFloodLimit);
}

void tst_VirtualController::silence()
{
    Rig rig;
    rig.controller.setStateInterval(10);
    rig.controller.goSilent(300);
    QVERIFY(rig.controller.isSilent());
    rig.request(PacketType::MemoryWrite, QByteArray::fromHex("000001") + "x");
    QTest::qWait(100);
    QVERIFY(rig.frames.isEmpty());
    QCOMPARE(rig.controller.eeprom().at(0), '\xff');
    QTRY_VERIFY_WITH_TIMEOUT(!rig.frames.isEmpty(), 5000);
    QVERIFY(!rig.controller.isSilent());
}

void tst_VirtualController::latencyDelaysInOrder()
{
    Rig rig;
    rig.controller.setLatency(50);
    rig.request(PacketType::MemoryRead, QByteArray::fromHex("000001"));
    rig.request(PacketType::Configuration, {});
    QVERIFY(rig.frames.isEmpty());
    QTRY_COMPARE(rig.frames.size(), 2);
    QCOMPARE(rig.frames[0].first, replyType(PacketType::MemoryRead));
    QCOMPARE(rig.frames[1].first, replyType(PacketType::Configuration));
}

void tst_VirtualController::slowRequestsAreAnsweredAfterTheirTime_data()
{
    QTest::addColumn<double>("msPerByte");
    QTest::addColumn<int>("stepMs");
    QTest::addColumn<PacketType>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("minimumMs");
    const QByteArray write64 = QByteArray::fromHex("000040") + QByteArray(64, 'x');
    QTest::newRow("64-byte write at 3.3 ms per byte")
        << 3.3 << 0 << PacketType::MemoryWrite << write64 << 211;
    QTest::newRow("4-byte write at 20 ms per byte")
        << 20.0 << 0 << PacketType::MemoryWrite << QByteArray::fromHex("000004") + "abcd" << 80;
    QTest::newRow("configuration")
        << 0.0 << 150 << PacketType::Configuration << QByteArray(4, 0) << 150;
    QTest::newRow("step command") << 0.0 << 150 << PacketType::StepCommand
                                  << QByteArray(1, 1) + record(command("mnop")) << 150;
    QTest::newRow("manual command") << 0.0 << 150 << PacketType::ManualCommand
                                    << QByteArray(1, 1) + record(command("mnop")) << 150;
    QTest::newRow("reads do not wait for the EEPROM")
        << 3.3 << 150 << PacketType::MemoryRead << QByteArray::fromHex("000040") << 0;
}

void tst_VirtualController::slowRequestsAreAnsweredAfterTheirTime()
{
    QFETCH(double, msPerByte);
    QFETCH(int, stepMs);
    QFETCH(PacketType, type);
    QFETCH(QByteArray, payload);
    QFETCH(int, minimumMs);
    Rig rig;
    rig.controller.setMsPerByte(msPerByte);
    rig.controller.setStepMs(stepMs);
    QElapsedTimer clock;
    clock.start();
    rig.request(type, payload);
    if (minimumMs == 0) {
        QCOMPARE(rig.frames.size(), 1);
        return;
    }
    QVERIFY(rig.frames.isEmpty());
    QCOMPARE(rig.controller.requestsQueued(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.frames.size(), 1, 5000);
    QVERIFY2(clock.elapsed() >= minimumMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.frames[0].first, replyType(type));
    QCOMPARE(rig.controller.requestsQueued(), 0);
    if (type == PacketType::MemoryWrite)
        QCOMPARE(rig.controller.eeprom().left(payload.size() - 3), payload.mid(3));
}

void tst_VirtualController::requestsAreServedOneAtATimeInOrder()
{
    Rig rig;
    rig.controller.setMsPerByte(1.0);
    QList<int> handled;
    connect(&rig.controller, &VirtualController::requestHandled, this,
            [&](int type) { handled.append(type); });
    // A write, its resent duplicate and a read that came in behind them.
    const QByteArray write = QByteArray::fromHex("000020") + QByteArray(32, 'w');
    rig.request(PacketType::MemoryWrite, write);
    rig.request(PacketType::MemoryWrite, write);
    rig.request(PacketType::MemoryRead, QByteArray::fromHex("000004"));
    QCOMPARE(rig.controller.requestsQueued(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(rig.frames.size(), 3, 5000);
    const int written = wireType(PacketType::MemoryWrite);
    QCOMPARE(handled, (QList<int>{written, written, wireType(PacketType::MemoryRead)}));
    QCOMPARE(rig.frames[0].first, replyType(PacketType::MemoryWrite));
    QCOMPARE(rig.frames[1].first, replyType(PacketType::MemoryWrite));
    QCOMPARE(rig.frames[2], (QPair<int, QByteArray>{replyType(PacketType::MemoryRead),
                                                    QByteArray::fromHex("0000") + "wwww"}));
    QCOMPARE(rig.controller.requestsReceived(), 3);
}

void tst_VirtualController::statePacketsKeepComingWhileBusy()
{
    Rig rig;
    rig.controller.setStateInterval(10);
    // 1.3 s for the chunk: plenty of state packets even on a loaded machine.
    rig.controller.setMsPerByte(20.0);
    rig.request(PacketType::MemoryWrite, QByteArray::fromHex("000040") + QByteArray(64, 'x'));
    QTRY_VERIFY_WITH_TIMEOUT(rig.frames.size() >= 5, 5000);
    QCOMPARE(rig.controller.requestsQueued(), 1);
    for (const auto &frame : rig.frames)
        QCOMPARE(frame.first, wireType(PacketType::State));
    QTRY_VERIFY_WITH_TIMEOUT(rig.controller.requestsQueued() == 0, 5000);
}

void tst_VirtualController::loseEveryNthRequest()
{
    Rig rig;
    rig.controller.setLoseRequestEvery(3);
    QSignalSpy arrived(&rig.controller, &VirtualController::requestArrived);
    for (int i = 0; i < 7; ++i)
        rig.request(PacketType::MemoryWrite, QByteArray::fromHex("0000") + char(1) + char('a' + i));
    QCOMPARE(arrived.size(), 7);
    QCOMPARE(rig.frames.size(), 5);
    QCOMPARE(rig.controller.requestsLost(), 2);
    // The 6th write was lost, so the memory holds the 7th.
    QCOMPARE(rig.controller.eeprom().at(0), 'g');
}

void tst_VirtualController::noiseHoldsFalseStartsButFramesSurvive()
{
    const auto noisy = [](quint32 seed) {
        Rig rig;
        rig.controller.setNoise(true, seed);
        for (int i = 0; i < 400; ++i)
            rig.request(PacketType::MemoryRead, QByteArray::fromHex("000004"));
        rig.deframer.reset();
        return std::make_pair(rig.raw, int(rig.frames.size()));
    };
    const auto [raw, delivered] = noisy(7);
    QCOMPARE(noisy(7).first, raw);
    QVERIFY(noisy(8).first != raw);
    const QByteArray reply =
        PacketFrame::build(replyType(PacketType::MemoryRead), QByteArray::fromHex("0000ffffffff"));
    QVERIFY(raw.size() > 400 * reply.size());
    QVERIFY(raw.count(char(kStartByte)) > 400 * reply.count(char(kStartByte)));
    // False starts swallow frames behind them, but most replies still get through.
    QVERIFY2(delivered < 400 && delivered > 200, qPrintable(QString::number(delivered)));
}

QTEST_GUILESS_MAIN(tst_VirtualController)
#include "tst_virtualcontroller.moc"
