#include "commandkinds.h"
#include "faketransport.h"
#include "internalworker.h"
#include "memoryimage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

using namespace LinkProtocol;
using CommandKinds::Opcode;

namespace {

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

QJsonObject document(const QList<QJsonArray> &programs, const QJsonObject &configuration = {})
{
    QJsonArray progData;
    for (const QJsonArray &program : programs)
        progData.append(program);
    return {{"ProgData", progData}, {"configuration", configuration}};
}

QByteArray statePacket(StatusFlags status = {}, int sequence = 0)
{
    return ControllerState::encode(status, quint8(sequence), {}, {});
}

// A worker on a fake transport, with helpers that play the controller.
struct Rig
{
    FakeTransport *fake = nullptr;
    internalWorker worker{nullptr, [this](QObject *parent) {
                              fake = new FakeTransport(parent);
                              return fake;
                          }};
    QSignalSpy reports{&worker, &internalWorker::sigCurState};
    // The worker's clock in ms; frames from the controller move it on by one state interval.
    qint64 clockMs = 0;
    static constexpr int kIntervalMs = 100;

    Rig()
    {
        worker.transport();
        worker.setClock([this] { return clockMs; });
    }

    QJsonObject lastReport() const
    {
        return QJsonDocument::fromJson(reports.last().at(0).toString().toUtf8()).object();
    }
    void connectLink()
    {
        worker.mwStart();
        fake->deliver(PacketType::State, statePacket());
    }
    void makeReady(const QJsonObject &doc)
    {
        worker.mwChangeProg(doc);
        connectLink();
        worker.mwCommand("restart");
        fake->reply(PacketType::Configuration);
    }
    // Answers the last command packet and reports it done with the given flow bits.
    void complete(int bits) { complete(StatusFlags::fromInt(bits)); }
    void complete(StatusFlags bits = {})
    {
        const auto last = fake->sent.last();
        fake->reply(last.first);
        fake->deliver(PacketType::State,
                      statePacket(StatusBit::Done | bits, quint8(last.second[0])));
    }
    void foreignFrames(int count, StatusFlags status = {}, int sequence = 0)
    {
        for (int i = 0; i < count; ++i) {
            clockMs += kIntervalMs;
            fake->deliver(PacketType::State, statePacket(status, sequence));
        }
    }
    int lastOpcode() const { return quint8(fake->sent.last().second.at(10)); }
    // Opcodes of the manual command packets sent from index `from` on.
    QList<int> manualOpcodes(qsizetype from) const
    {
        QList<int> opcodes;
        for (qsizetype i = from; i < fake->sent.size(); ++i) {
            if (fake->sent.at(i).first == PacketType::ManualCommand)
                opcodes.append(quint8(fake->sent.at(i).second.at(10)));
        }
        return opcodes;
    }
    // Answers the last packet without a state packet: the controller took it.
    void answer() { fake->reply(fake->sent.last().first); }
};

constexpr int kDriveStopWithBrake = 0x21;

// 6-byte configuration frame, 110 bytes of commands, a return frame and the end frame.
QJsonObject documentOf130Bytes()
{
    QJsonArray main;
    for (int i = 0; i < 3; ++i)
        main.append(command("mnop"));
    for (int i = 0; i < 2; ++i)
        main.append(command("m_fwd", {{"speed", 60}}));
    for (int i = 0; i < 3; ++i)
        main.append(command("mPause", {{"second", 1}}));
    return document({main});
}

} // namespace

class tst_InternalWorker : public QObject
{
    Q_OBJECT
private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void actionFlagsPerState_data();
    void actionFlagsPerState();
    void startInConnectedStateOnlyRepublishes();
    void restartNeedsLinkAndProgram();
    void firstFrameConnects();
    void writeInChunks();
    void writeAnswerForWrongAddressRepeatsChunkFresh();
    void readSixtyFourChunks();
    void readMismatchRereads_data();
    void readMismatchRereads();
    void resendAfterThirdForeignFrame();
    void giveUpAfterTenthResend();
    void lateReadReplyIsAStatePacket();
    void runThroughCallsReturnsAndCycles();
    void runThroughCountedCycle();
    void stepIntoSubprogram();
    void staleDoneFlagIsIgnored();
    void haltEndsEveryWayOfStopping_data();
    void haltEndsEveryWayOfStopping();
    void haltSilencesWhatTheProgramPlays_data();
    void haltSilencesWhatTheProgramPlays();
    void haltCutShortByLinkLoss();
    void pausesAtBreakpoints_data();
    void pausesAtBreakpoints();
    void breakpointOnFirstCommandPausesBeforeIt();
    void runMarkerFollowsTheRun();
    void transfersReportProgressAndOutcome_data();
    void transfersReportProgressAndOutcome();
    void manualCycleStartSendsNothing();
    void sequenceAfter255IsOne();
    void renamePadding_data();
    void renamePadding();
    void renameGiveUp();
    void compileFailureDropsToConnected();
    void configurationChangeDropsToConnected();
    void watchdogDropsAndReconnects();
    void watchdogTimerDrivesConnectSteps();
    void executeRejectsBadPositions_data();
    void executeRejectsBadPositions();
    void editDuringWriteKeepsImage();
    void resendWaitsForMeasuredReplyTime_data();
    void resendWaitsForMeasuredReplyTime();
    void lateMemoryAnswerDoesNotRepeatChunk_data();
    void lateMemoryAnswerDoesNotRepeatChunk();
    void lateDuplicateReplyDoesNotAcknowledgeNext_data();
    void lateDuplicateReplyDoesNotAcknowledgeNext();
    void doneStateAcknowledgesCommandWhoseReplyIsLost();
    void giveUpDuringRunEndsItCleanly_data();
    void giveUpDuringRunEndsItCleanly();
    void renameResultIsAlwaysReported_data();
    void renameResultIsAlwaysReported();
    void runReportsEachCommandDone();
};

void tst_InternalWorker::actionFlagsPerState_data()
{
    QTest::addColumn<WorkerState>("state");
    QTest::addColumn<QList<int>>("flags");
    using L = QList<int>;
    using S = WorkerState;
    QTest::newRow("disconnected") << S::Disconnected << L{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("connected") << S::Connected << L{1, 1, 0, 0, 0, 1, 0};
    QTest::newRow("ready") << S::Ready << L{1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("manual") << S::ManualCommand << L{0, 0, 0, 1, 0, 1, 0};
    QTest::newRow("running") << S::Running << L{0, 0, 0, 1, 0, 1, 0};
    QTest::newRow("halting") << S::Stopping << L{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("stepping") << S::Stepping << L{0, 0, 0, 1, 0, 1, 0};
    QTest::newRow("writing") << S::Writing << L{0, 0, 0, 0, 0, 1, 0};
    QTest::newRow("reading") << S::Reading << L{0, 0, 0, 0, 0, 1, 0};
}

void tst_InternalWorker::actionFlagsPerState()
{
    QFETCH(WorkerState, state);
    QFETCH(QList<int>, flags);
    Rig rig;
    const QJsonObject doc = document({{command("m_fwd"), command("mnop")}});
    rig.worker.mwChangeProg(doc);
    rig.worker.mwStart();
    if (state != WorkerState::Disconnected)
        rig.fake->deliver(PacketType::State, statePacket());
    if (state >= WorkerState::Ready && state <= WorkerState::Stepping) {
        rig.worker.mwCommand("restart");
        rig.fake->reply(PacketType::Configuration);
    }
    switch (state) {
    case WorkerState::ManualCommand:
        rig.worker.mwManual(0, 0, false);
        break;
    case WorkerState::Running:
    case WorkerState::Stopping:
        rig.worker.mwCommand("start");
        if (state == WorkerState::Stopping)
            rig.worker.mwCommand("stop");
        break;
    case WorkerState::Stepping:
        rig.worker.mwCommand("step");
        break;
    case WorkerState::Writing:
        rig.worker.mwCommand("write");
        break;
    case WorkerState::Reading:
        rig.worker.mwCommand("read");
        break;
    default:
        break;
    }
    QCOMPARE(rig.worker.state(), state);
    const QJsonObject report = rig.lastReport();
    QList<int> actual;
    for (const char *key : {"read", "write", "start", "stop", "step", "restart", "manual"})
        actual.append(report.value(QLatin1String(key)).toInt(-1));
    QCOMPARE(actual, flags);
}

void tst_InternalWorker::startInConnectedStateOnlyRepublishes()
{
    Rig rig;
    rig.worker.mwChangeProg(document({{command("m_fwd")}}));
    rig.connectLink();
    const int before = int(rig.reports.size());
    const int sent = int(rig.fake->sent.size());
    rig.worker.mwCommand("start");
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(rig.fake->sent.size(), sent);
    QCOMPARE(rig.reports.size(), before + 1);
}

void tst_InternalWorker::restartNeedsLinkAndProgram()
{
    Rig rig;
    rig.worker.mwChangeProg(document({{command("m_fwd")}}));
    rig.worker.mwStart();
    rig.worker.mwCommand("restart");
    QVERIFY(rig.fake->sent.isEmpty());

    rig.fake->deliver(PacketType::State, statePacket());
    rig.worker.mwChangeProg(document({{command("call", {{"proc", 3}})}}));
    QVERIFY(!rig.worker.programOk());
    rig.worker.mwCommand("restart");
    rig.worker.mwCommand("write");
    QVERIFY(rig.fake->sent.isEmpty());

    rig.worker.mwChangeProg(document({{command("m_fwd")}}));
    rig.worker.mwCommand("restart");
    QCOMPARE(rig.fake->sent.size(), 1);
    QCOMPARE(rig.fake->sent[0].first, PacketType::Configuration);
    QCOMPARE(rig.fake->sent[0].second, QByteArray::fromHex("00000000"));
    rig.fake->reply(PacketType::Configuration);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
}

void tst_InternalWorker::firstFrameConnects()
{
    Rig rig;
    QSignalSpy connected(&rig.worker, &internalWorker::sigConnectOK);
    rig.worker.mwStart();
    rig.fake->reportStatus(ConnectionStatus::Opened);
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected[0][0].toInt(), int(ConnectionStatus::Opened));
    QTest::ignoreMessage(QtDebugMsg, "too small state packet 3");
    rig.fake->reply(PacketType::MemoryRead, "abc");
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(connected.last()[0].toInt(), int(ConnectionStatus::FirstFrame));
    // Status numbers are only passed on while disconnected.
    rig.fake->reportStatus(ConnectionStatus::DataArrived);
    QCOMPARE(connected.size(), 2);
}

void tst_InternalWorker::writeInChunks()
{
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    const QByteArray image = rig.worker.memoryImage();
    QCOMPARE(image.size(), 130);
    rig.connectLink();
    rig.worker.mwCommand("write");
    QCOMPARE(rig.worker.state(), WorkerState::Writing);
    const QList<QPair<int, int>> chunks{{0, 64}, {64, 64}, {128, 2}};
    for (int i = 0; i < chunks.size(); ++i) {
        const auto [address, size] = chunks[i];
        QCOMPARE(rig.fake->sent.size(), i + 1);
        const auto &packet = rig.fake->sent.last();
        QCOMPARE(packet.first, PacketType::MemoryWrite);
        QCOMPARE(packet.second.size(), 3 + size);
        QCOMPARE(quint8(packet.second[0]) | (quint8(packet.second[1]) << 8), address);
        QCOMPARE(int(quint8(packet.second[2])), size);
        QCOMPARE(packet.second.mid(3), image.mid(address, size));
        rig.fake->reply(PacketType::MemoryWrite, packet.second.left(2));
    }
    QCOMPARE(rig.fake->sent.size(), 3);
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(rig.worker.pendingType(), PacketType::None);
    QCOMPARE(rig.lastReport().value("write").toInt(), 1);
}

void tst_InternalWorker::writeAnswerForWrongAddressRepeatsChunkFresh()
{
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand("write");
    rig.foreignFrames(27); // nine resends
    QCOMPARE(rig.fake->sent.size(), 10);
    rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("4000"));
    QCOMPARE(rig.fake->sent.size(), 11);
    QCOMPARE(rig.fake->sent.last().second.left(3), QByteArray::fromHex("000040"));
    // The resend count started again: ten more resends are allowed.
    rig.foreignFrames(30);
    QCOMPARE(rig.fake->sent.size(), 21);
    QCOMPARE(rig.worker.state(), WorkerState::Writing);
    rig.fake->reply(PacketType::MemoryWrite, QByteArray("\x00", 1));
    QCOMPARE(rig.fake->sent.size(), 22);
    QCOMPARE(rig.fake->sent.last().second.left(3), QByteArray::fromHex("000040"));
}

void tst_InternalWorker::readSixtyFourChunks()
{
    Rig rig;
    const QJsonObject doc = document({{command("m_fwd", {{"speed", 60}}), command("mnop")},
                                      {command("mSetleds", {{"pin", "D3"}, {"state", 1}})}});
    ImageBuilder builder;
    QByteArray memory = builder.buildImage(doc).image;
    memory.append(QByteArray(kMemorySize - memory.size(), '\xff'));
    QSignalSpy programs(&rig.worker, &internalWorker::sigReadProg);
    rig.connectLink();
    rig.worker.mwCommand("read");
    QCOMPARE(rig.worker.state(), WorkerState::Reading);
    for (int chunk = 0; chunk < 64; ++chunk) {
        QCOMPARE(rig.fake->sent.size(), chunk + 1);
        const auto &packet = rig.fake->sent.last();
        QCOMPARE(packet.first, PacketType::MemoryRead);
        const int address = chunk * 64;
        QCOMPARE(packet.second,
                 QByteArray(1, char(address & 0xFF)) + char(address >> 8) + char(64));
        rig.fake->reply(PacketType::MemoryRead, packet.second.left(2) + memory.mid(address, 64));
    }
    QCOMPARE(rig.fake->sent.size(), 64);
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(programs.size(), 1);
    const QJsonObject read = programs[0][0].toJsonObject();
    QCOMPARE(read, *decodeImage(memory));
    QCOMPARE(read.value("ProgData").toArray().size(), 2);
}

void tst_InternalWorker::readMismatchRereads_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("sends");
    QTest::newRow("wrong address") << QByteArray::fromHex("4000") + QByteArray(64, 0) << 2;
    QTest::newRow("short data") << QByteArray::fromHex("0000") + QByteArray(63, 0) << 2;
    QTest::newRow("too short to hold an address") << QByteArray(1, 0) << 1;
}

void tst_InternalWorker::readMismatchRereads()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, sends);
    Rig rig;
    rig.connectLink();
    rig.worker.mwCommand("read");
    rig.fake->reply(PacketType::MemoryRead, answer);
    QCOMPARE(rig.fake->sent.size(), sends);
    QCOMPARE(rig.fake->sent.last().second, QByteArray::fromHex("000040"));
    QCOMPARE(rig.worker.state(), WorkerState::Reading);
    QCOMPARE(rig.worker.memoryAddress(), 0);
}

void tst_InternalWorker::resendAfterThirdForeignFrame()
{
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand("write");
    rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("0000"));
    QCOMPARE(rig.fake->sent.size(), 2);
    rig.foreignFrames(2);
    QCOMPARE(rig.fake->sent.size(), 2);
    QTest::ignoreMessage(QtDebugMsg, "Resend command  16");
    rig.foreignFrames(1);
    QCOMPARE(rig.fake->sent.size(), 3);
    QCOMPARE(rig.fake->sent[2], rig.fake->sent[1]);
}

void tst_InternalWorker::giveUpAfterTenthResend()
{
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand("write");
    rig.foreignFrames(30);
    QCOMPARE(rig.fake->sent.size(), 11);
    QCOMPARE(rig.worker.state(), WorkerState::Writing);
    rig.foreignFrames(3);
    QCOMPARE(rig.fake->sent.size(), 11);
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(rig.worker.pendingType(), PacketType::None);
}

void tst_InternalWorker::lateReadReplyIsAStatePacket()
{
    Rig rig;
    rig.connectLink();
    rig.worker.mwCommand("read");
    rig.foreignFrames(33);
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    rig.fake->reply(PacketType::MemoryRead, QByteArray::fromHex("0004") + QByteArray(64, 0));
    QCOMPARE(rig.worker.controllerState().statusFlags, StatusBit::ReadLocked);
    QCOMPARE(rig.lastReport().value("read").toInt(), 0);
}

void tst_InternalWorker::runThroughCallsReturnsAndCycles()
{
    Rig rig;
    const QJsonArray main{command("m_fwd", {{"speed", 60}}),
                          command("call", {{"proc", 1}}),
                          command("mStartCycle"),
                          command("mSetleds", {{"pin", "D2"}, {"state", 1}}),
                          command("mEndCycle"),
                          command("m_stop")};
    const QJsonArray sub{command("mSetleds", {{"pin", "D3"}, {"state", 0}})};
    rig.makeReady(document({main, sub}));
    rig.worker.mwCommand("start");
    QCOMPARE(rig.worker.state(), WorkerState::Running);
    const QList<QPair<Opcode, StatusFlags>> steps{{Opcode::DriveForward, {}},
                                                  {Opcode::Call, StatusBit::Called},
                                                  {Opcode::LedOff, {}},
                                                  {Opcode::Return, StatusBit::Returned},
                                                  {Opcode::StartCycle, {}},
                                                  {Opcode::LedOn, {}},
                                                  {Opcode::EndCycle, StatusBit::CycleRepeats},
                                                  {Opcode::LedOn, {}},
                                                  {Opcode::EndCycle, StatusBit::CycleEnded},
                                                  {Opcode::DriveCoast, {}},
                                                  {Opcode::Return, StatusBit::Returned}};
    for (const auto &[opcode, bits] : steps) {
        QCOMPARE(rig.worker.state(), WorkerState::Running);
        QCOMPARE(rig.fake->sent.last().first, PacketType::StepCommand);
        QCOMPARE(rig.lastOpcode(), int(opcode));
        rig.complete(bits);
    }
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.worker.stackDepth(), 0);
    const QJsonObject report = rig.lastReport();
    QCOMPARE(report.value("progpos").toInt(), 0);
    QCOMPARE(report.value("proc").toInt(), 0);
    QCOMPARE(report.value("procpos").toInt(), 0);
}

void tst_InternalWorker::runThroughCountedCycle()
{
    Rig rig;
    const QJsonArray main{command("mvirtualstartcycle", {{"counter", 2}}), command("mnop"),
                          command("mvirtualendcycle", {{"counter", 2}}), command("m_stop")};
    rig.makeReady(document({main}));
    rig.worker.mwCommand("start");
    const QList<QPair<Opcode, StatusFlags>> steps{
        {Opcode::StartCountedCycle, {}},
        {Opcode::Nop, {}},
        {Opcode::EndCountedCycle, StatusBit::CycleRepeats},
        {Opcode::Nop, {}},
        {Opcode::EndCountedCycle, StatusBit::CycleEnded},
        {Opcode::DriveCoast, {}},
        {Opcode::Return, StatusBit::Returned}};
    for (const auto &[opcode, bits] : steps) {
        QCOMPARE(rig.lastOpcode(), int(opcode));
        rig.complete(bits);
    }
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.worker.stackDepth(), 0);
}

void tst_InternalWorker::stepIntoSubprogram()
{
    Rig rig;
    rig.makeReady(
        document({{command("call", {{"proc", 1}}), command("m_fwd")}, {command("mnop")}}));
    rig.worker.mwCommand("step");
    QCOMPARE(rig.worker.state(), WorkerState::Stepping);
    QCOMPARE(rig.lastOpcode(), 0x05);
    const int sent = int(rig.fake->sent.size());
    rig.complete(StatusBit::Called);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.fake->sent.size(), sent);
    QCOMPARE(rig.lastReport().value("proc").toInt(), 1);
    QCOMPARE(rig.lastReport().value("procpos").toInt(), 0);

    rig.worker.mwCommand("step");
    QCOMPARE(rig.lastOpcode(), 0x00);
    rig.complete();
    // Past the subprogram's last command the end-of-program record goes out, still stepping.
    QCOMPARE(rig.worker.state(), WorkerState::Stepping);
    QCOMPARE(rig.fake->sent.last().second.mid(1), CommandCompiler::returnRecord());
    rig.complete(StatusBit::Returned);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.lastReport().value("proc").toInt(), 0);
    QCOMPARE(rig.lastReport().value("procpos").toInt(), 1);
    QCOMPARE(rig.lastReport().value("progpos").toInt(), 1);
}

void tst_InternalWorker::staleDoneFlagIsIgnored()
{
    Rig rig;
    rig.makeReady(document({{command("m_fwd"), command("mnop")}}));
    rig.worker.mwCommand("start");
    const quint8 sequence = rig.worker.sequenceCounter();
    rig.fake->reply(PacketType::StepCommand);
    rig.fake->deliver(PacketType::State, statePacket(StatusBit::Done, sequence + 1));
    QCOMPARE(rig.fake->sent.size(), 2);
    QCOMPARE(rig.worker.state(), WorkerState::Running);
    rig.fake->deliver(PacketType::State, statePacket(StatusBit::Done, sequence));
    QCOMPARE(rig.fake->sent.size(), 3);
    QCOMPARE(rig.lastOpcode(), 0x00);
}

void tst_InternalWorker::manualCycleStartSendsNothing()
{
    Rig rig;
    rig.makeReady(document({{command("mStartCycle"), command("mEndCycle")}}));
    const int sent = int(rig.fake->sent.size());
    rig.worker.mwManual(0, 0, true);
    QCOMPARE(rig.worker.state(), WorkerState::ManualCommand);
    QCOMPARE(rig.fake->sent.size(), sent);
    rig.fake->deliver(PacketType::State, statePacket());
    QCOMPARE(rig.worker.state(), WorkerState::ManualCommand);
    rig.fake->deliver(PacketType::State, statePacket(StatusBit::Done, 0));
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
}

void tst_InternalWorker::sequenceAfter255IsOne()
{
    Rig rig;
    rig.makeReady(document({{command("mnop")}}));
    for (int i = 1; i <= 257; ++i) {
        rig.worker.mwManual(0, 0, false);
        QCOMPARE(rig.worker.state(), WorkerState::ManualCommand);
        QCOMPARE(rig.fake->sent.last().first, PacketType::ManualCommand);
        const int expected = (i - 1) % 255 + 1;
        QCOMPARE(int(quint8(rig.fake->sent.last().second[0])), expected);
        rig.complete();
        QCOMPARE(rig.worker.state(), WorkerState::Ready);
    }
}

void tst_InternalWorker::renamePadding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("3 bytes") << "abc" << QByteArray("abc") + QByteArray(17, '\0');
    QTest::newRow("19 bytes") << QString(19, 'x') << QByteArray(19, 'x') + QByteArray(1, '\0');
    QTest::newRow("17 bytes of UTF-8")
        << QString::fromUtf8("Робот-Ёж 3")
        << QString::fromUtf8("Робот-Ёж 3").toUtf8() + QByteArray(3, '\0');
    QTest::newRow("25 bytes of UTF-8 are sent whole")
        << QString::fromUtf8("Роботы-1234567890ab")
        << QString::fromUtf8("Роботы-1234567890ab").toUtf8();
}

void tst_InternalWorker::renamePadding()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, payload);
    Rig rig;
    rig.connectLink();
    QSignalSpy done(&rig.worker, &internalWorker::sigEndChangeName);
    rig.worker.mwChangeName(name);
    QCOMPARE(rig.fake->sent.last().first, PacketType::Rename);
    QCOMPARE(rig.fake->sent.last().second, payload);
    QVERIFY(rig.fake->sent.last().second.size() >= 20);
    if (QTest::currentDataTag() == QByteArray("25 bytes of UTF-8 are sent whole"))
        QCOMPARE(rig.fake->sent.last().second.size(), 25);
    rig.fake->reply(PacketType::Rename);
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0][0].toBool(), true);
    QCOMPARE(done[0][1].toString(), QString("OK"));
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
}

void tst_InternalWorker::renameGiveUp()
{
    Rig rig;
    rig.connectLink();
    QSignalSpy done(&rig.worker, &internalWorker::sigEndChangeName);
    rig.worker.mwChangeName("robot");
    rig.foreignFrames(33);
    QCOMPARE(rig.fake->sent.size(), 11);
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0][0].toBool(), false);
    QCOMPARE(done[0][1].toString(), QString("Error change"));
    QCOMPARE(rig.worker.pendingType(), PacketType::None);
}

void tst_InternalWorker::compileFailureDropsToConnected()
{
    Rig rig;
    rig.makeReady(document({{command("mnop")}}));
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QTest::ignoreMessage(QtDebugMsg, "Program compile error");
    rig.worker.mwChangeProg(document({{command("call", {{"proc", 1}})}}));
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
    QCOMPARE(rig.lastReport().value("write").toInt(), 0);
    QTest::ignoreMessage(QtDebugMsg, "Program repaired");
    rig.worker.mwChangeProg(document({{command("mnop")}}));
    QCOMPARE(rig.lastReport().value("write").toInt(), 1);
}

void tst_InternalWorker::configurationChangeDropsToConnected()
{
    Rig rig;
    rig.makeReady(document({{command("mnop")}}));
    rig.worker.mwChangeProg(document({{command("mnop"), command("mnop")}}));
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    rig.worker.mwChangeProg(document({{command("mnop")}}, {{"Motor1", 2}}));
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
}

void tst_InternalWorker::watchdogDropsAndReconnects()
{
    Rig rig;
    const QString device = R"({ "Name":"Virtual controller", "Address":"tcp://127.0.0.1:5555" })";
    rig.worker.mwSelectDevice(device);
    QCOMPARE(rig.fake->disconnects, 1);
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand("write");
    QSignalSpy errors(&rig.worker, &internalWorker::sigErrorConnect);
    rig.worker.tslt();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(rig.worker.state(), WorkerState::Disconnected);
    QCOMPARE(rig.fake->disconnects, 2);
    QCOMPARE(rig.fake->connectInfos, QStringList{device});
    QCOMPARE(rig.lastReport().value("restart").toInt(), 0);
    rig.worker.tslt();
    QCOMPARE(errors.size(), 2);
    QCOMPARE(rig.fake->disconnects, 2);
    QCOMPARE(rig.fake->connectInfos.size(), 2);
    // The first frame of the new connection answers nothing sent on it; the cut write starts
    // again from the first byte by itself.
    rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("0000"));
    QCOMPARE(rig.worker.state(), WorkerState::Writing);
    QCOMPARE(rig.worker.memoryAddress(), 0);
    QCOMPARE(rig.fake->sent.last().second.left(3), QByteArray::fromHex("000040"));
}

void tst_InternalWorker::watchdogTimerDrivesConnectSteps()
{
    Rig rig;
    rig.worker.mwSelectDevice("{}");
    QTRY_COMPARE_WITH_TIMEOUT(rig.fake->connectInfos.size(), 1, 5000);
    // Frames keep the watchdog quiet.
    QSignalSpy errors(&rig.worker, &internalWorker::sigErrorConnect);
    rig.fake->deliver(PacketType::State, statePacket());
    QTRY_COMPARE_WITH_TIMEOUT(rig.worker.state(), WorkerState::Disconnected, 5000);
    QVERIFY(errors.size() >= 1);
}

void tst_InternalWorker::executeRejectsBadPositions_data()
{
    QTest::addColumn<int>("proc");
    QTest::addColumn<int>("num");
    QTest::addColumn<QString>("message");
    QTest::newRow("negative") << -1 << 0 << QString();
    QTest::newRow("missing subprogram") << 2 << 0 << QString("Too big proc number  2");
    QTest::newRow("past the end") << 0 << 1 << QString("Too big command number  1");
}

void tst_InternalWorker::executeRejectsBadPositions()
{
    QFETCH(int, proc);
    QFETCH(int, num);
    QFETCH(QString, message);
    Rig rig;
    rig.makeReady(document({{command("mnop")}, {}}));
    const int sent = int(rig.fake->sent.size());
    if (!message.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8());
    rig.worker.mwManual(proc, num, false);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.fake->sent.size(), sent);
}

void tst_InternalWorker::editDuringWriteKeepsImage()
{
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    const QByteArray image = rig.worker.memoryImage();
    rig.connectLink();
    rig.worker.mwCommand("write");
    rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("0000"));
    rig.worker.mwChangeProg(document({{command("m_fwd", {{"speed", 99}})}}));
    QCOMPARE(rig.worker.state(), WorkerState::Writing);
    rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("4000"));
    QCOMPARE(rig.fake->sent.last().second.mid(3), image.mid(128, 2));
}

void tst_InternalWorker::resendWaitsForMeasuredReplyTime_data()
{
    QTest::addColumn<int>("replyMs");
    QTest::addColumn<int>("resendAtMs");
    // Nothing measured yet: the chunk gets 4 ms a byte (256 ms for 64 bytes), so a slow EEPROM
    // is not sent the first chunk twice.
    QTest::newRow("unmeasured") << -1 << 300;
    // Measured once at 230 ms: three times that before the first resend.
    QTest::newRow("one slow reply") << 230 << 700;
    QTest::newRow("one quick reply") << 10 << 150;
}

void tst_InternalWorker::resendWaitsForMeasuredReplyTime()
{
    QFETCH(int, replyMs);
    QFETCH(int, resendAtMs);
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand("write");
    if (replyMs >= 0) {
        rig.clockMs += replyMs;
        rig.fake->reply(PacketType::MemoryWrite, QByteArray::fromHex("0000"));
    }
    const int sent = int(rig.fake->sent.size());
    const qint64 sentAt = rig.clockMs;
    // State packets every 50 ms while the chunk is being written.
    while (rig.fake->sent.size() == sent && rig.clockMs - sentAt < 5000) {
        rig.clockMs += 50;
        rig.fake->deliver(PacketType::State, statePacket());
    }
    QCOMPARE(rig.clockMs - sentAt, qint64(resendAtMs));
    QCOMPARE(rig.fake->sent.last(), rig.fake->sent[sent - 1]);
}

void tst_InternalWorker::lateMemoryAnswerDoesNotRepeatChunk_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("write") << "write";
    QTest::newRow("read") << "read";
}

void tst_InternalWorker::lateMemoryAnswerDoesNotRepeatChunk()
{
    QFETCH(QString, command);
    const bool write = command == "write";
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    rig.worker.mwCommand(command);
    const PacketType request = write ? PacketType::MemoryWrite : PacketType::MemoryRead;
    const auto answer = [&](int address) {
        QByteArray payload = QByteArray(1, char(address & 0xFF)) + char(address >> 8);
        if (!write)
            payload += QByteArray(64, '\xff');
        rig.fake->reply(request, payload);
    };
    rig.foreignFrames(3); // a slow controller: chunk 0 goes out twice
    QCOMPARE(rig.fake->sent.size(), 2);
    rig.clockMs += 30;
    answer(0);
    QCOMPARE(rig.fake->sent.size(), 3);
    QCOMPARE(rig.worker.memoryAddress(), 64);
    // The answer to the resent copy comes while chunk 1 is being written.
    answer(0);
    QCOMPARE(rig.fake->sent.size(), 3);
    QCOMPARE(rig.worker.pendingType(), request);
    QCOMPARE(rig.worker.memoryAddress(), 64);
    answer(64);
    QCOMPARE(rig.fake->sent.size(), 4);
    QCOMPARE(rig.worker.memoryAddress(), 128);
    QCOMPARE(rig.fake->sent.last().second.left(2), QByteArray::fromHex("8000"));
}

void tst_InternalWorker::lateDuplicateReplyDoesNotAcknowledgeNext_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("step packets of a run") << false;
    QTest::newRow("manual command packets") << true;
}

void tst_InternalWorker::lateDuplicateReplyDoesNotAcknowledgeNext()
{
    QFETCH(bool, manual);
    Rig rig;
    rig.makeReady(document({{command("m_fwd"), command("mnop"), command("m_stop")}}));
    const PacketType type = manual ? PacketType::ManualCommand : PacketType::StepCommand;
    if (manual)
        rig.worker.mwManual(0, 0, false);
    else
        rig.worker.mwCommand("start");
    const int firstSeq = rig.worker.sequenceCounter();
    rig.foreignFrames(3); // the answer is slow: the packet goes out again
    QCOMPARE(rig.fake->sent.size(), 3);
    rig.clockMs += 50;
    rig.fake->reply(type);
    rig.foreignFrames(1, StatusBit::Done, firstSeq);
    if (manual) {
        QCOMPARE(rig.worker.state(), WorkerState::Ready);
        rig.worker.mwManual(0, 1, false);
    }
    QCOMPARE(rig.fake->sent.size(), 4);
    QCOMPARE(rig.worker.pendingType(), type);
    // The answer to the resent copy arrives, and the new packet was lost on the way in: the
    // late answer must not stand for it.
    rig.fake->reply(type);
    QCOMPARE(rig.worker.pendingType(), type);
    for (int i = 0; i < 30 && rig.fake->sent.size() == 4; ++i)
        rig.foreignFrames(1, StatusBit::Done, firstSeq);
    QCOMPARE(rig.fake->sent.size(), 5);
    QCOMPARE(rig.fake->sent[4], rig.fake->sent[3]);
    rig.fake->reply(type);
    QCOMPARE(rig.worker.pendingType(), PacketType::None);
    rig.foreignFrames(1, StatusBit::Done, rig.worker.sequenceCounter());
    QCOMPARE(rig.worker.state(), manual ? WorkerState::Ready : WorkerState::Running);
}

void tst_InternalWorker::doneStateAcknowledgesCommandWhoseReplyIsLost()
{
    Rig rig;
    rig.makeReady(document({{command("m_fwd"), command("mnop")}}));
    rig.worker.mwCommand("start");
    QCOMPARE(rig.worker.pendingType(), PacketType::StepCommand);
    const int sent = int(rig.fake->sent.size());
    // No reply, but the controller reports the command done: it got it.
    rig.foreignFrames(1, StatusBit::Done, rig.worker.sequenceCounter());
    QCOMPARE(rig.fake->sent.size(), sent + 1);
    QCOMPARE(rig.lastOpcode(), 0x00);
    QCOMPARE(rig.worker.state(), WorkerState::Running);
    // Its late reply is not taken for the answer to the next command.
    rig.fake->reply(PacketType::StepCommand);
    QCOMPARE(rig.worker.pendingType(), PacketType::StepCommand);
    // A done flag for another number does not acknowledge anything.
    rig.foreignFrames(2, StatusBit::Done, rig.worker.sequenceCounter() - 1);
    QCOMPARE(rig.worker.pendingType(), PacketType::StepCommand);
}

void tst_InternalWorker::giveUpDuringRunEndsItCleanly_data()
{
    QTest::addColumn<WorkerState>("state");
    QTest::addColumn<bool>("runEnds");
    QTest::addColumn<bool>("restartDuringRun");
    QTest::newRow("manual command") << WorkerState::ManualCommand << false << false;
    QTest::newRow("running") << WorkerState::Running << true << false;
    QTest::newRow("stopping") << WorkerState::Stopping << true << false;
    QTest::newRow("stepping") << WorkerState::Stepping << true << false;
    QTest::newRow("restart sent while running") << WorkerState::Running << true << true;
}

void tst_InternalWorker::giveUpDuringRunEndsItCleanly()
{
    QFETCH(WorkerState, state);
    QFETCH(bool, runEnds);
    QFETCH(bool, restartDuringRun);
    Rig rig;
    rig.makeReady(document({{command("m_fwd"), command("mnop"), command("m_stop")}}));
    QSignalSpy ended(&rig.worker, &internalWorker::sigRunEnded);
    QSignalSpy halts(&rig.worker, &internalWorker::sigHaltEnded);
    const qsizetype before = rig.fake->sent.size();
    if (state == WorkerState::ManualCommand) {
        rig.worker.mwManual(0, 1, false);
    } else if (state == WorkerState::Stepping) {
        rig.worker.mwCommand("step");
    } else {
        rig.worker.mwCommand("start");
        rig.complete();
        if (state == WorkerState::Stopping)
            rig.worker.mwCommand("stop");
    }
    QCOMPARE(rig.worker.state(), state);
    if (restartDuringRun) {
        rig.worker.mwCommand("restart");
        QCOMPARE(rig.worker.pendingType(), PacketType::Configuration);
    }
    // The controller is deaf to the packets: every copy is lost, state packets keep coming. A
    // run that is given up is halted, and the halt record is given up in turn.
    for (int i = 0; i < 400 && rig.worker.pendingType() != PacketType::None; ++i)
        rig.foreignFrames(1);
    QCOMPARE(rig.worker.pendingType(), PacketType::None);
    QCOMPARE(rig.manualOpcodes(before).contains(kDriveStopWithBrake), runEnds);
    QCOMPARE(halts.size(), runEnds ? 1 : 0);
    if (runEnds)
        QCOMPARE(halts[0][0].toBool(), false);
    const QJsonObject report = rig.lastReport();
    QCOMPARE(report.value("restart").toInt(), 1);
    if (restartDuringRun) {
        // The configuration was never confirmed: only "restart" is offered.
        QCOMPARE(rig.worker.state(), WorkerState::Connected);
        QCOMPARE(report.value("start").toInt(), 0);
        QCOMPARE(ended.size(), 1);
        return;
    }
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(report.value("start").toInt(), 1);
    QCOMPARE(ended.size(), runEnds ? 1 : 0);
    if (runEnds) {
        QCOMPARE(ended[0][0].toBool(), false);
        QCOMPARE(report.value("progpos").toInt(), 0);
    }
    // Starting again works.
    const int sent = int(rig.fake->sent.size());
    rig.worker.mwCommand("start");
    QCOMPARE(rig.worker.state(), WorkerState::Running);
    QCOMPARE(rig.fake->sent.size(), sent + 1);
}

void tst_InternalWorker::renameResultIsAlwaysReported_data()
{
    QTest::addColumn<QString>("interruption");
    QTest::newRow("answered") << "answer";
    QTest::newRow("never answered") << "silence";
    QTest::newRow("another request takes its place") << "restart";
    QTest::newRow("stopped") << "stop";
    QTest::newRow("link lost") << "watchdog";
    QTest::newRow("configuration changed") << "configuration";
    QTest::newRow("asked for during a write") << "write first";
}

void tst_InternalWorker::renameResultIsAlwaysReported()
{
    QFETCH(QString, interruption);
    Rig rig;
    rig.worker.mwChangeProg(documentOf130Bytes());
    rig.connectLink();
    QSignalSpy done(&rig.worker, &internalWorker::sigEndChangeName);
    if (interruption == "write first")
        rig.worker.mwCommand("write");
    const int sent = int(rig.fake->sent.size());
    rig.worker.mwChangeName("robot");
    if (interruption == "answer")
        rig.fake->reply(PacketType::Rename);
    else if (interruption == "silence")
        rig.foreignFrames(200);
    else if (interruption == "restart")
        rig.worker.mwCommand("restart");
    else if (interruption == "stop")
        rig.worker.mwStop();
    else if (interruption == "watchdog")
        rig.worker.tslt();
    else if (interruption == "configuration")
        rig.worker.mwChangeProg(document({{command("mnop")}}, {{"Motor1", 2}}));
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0][0].toBool(), interruption == "answer");
    QCOMPARE(done[0][1].toString(), QString(interruption == "answer" ? "OK" : "Error change"));
    if (interruption == "write first") {
        // Refused: the write goes on undisturbed.
        QCOMPARE(rig.fake->sent.size(), sent);
        QCOMPARE(rig.worker.pendingType(), PacketType::MemoryWrite);
        QCOMPARE(rig.worker.state(), WorkerState::Writing);
    }
    // Nothing is reported twice, whatever comes later.
    rig.fake->reply(PacketType::Rename);
    rig.worker.mwStop();
    QCOMPARE(done.size(), 1);
}

void tst_InternalWorker::runReportsEachCommandDone()
{
    Rig rig;
    const QJsonArray main{command("m_fwd"), command("call", {{"proc", 1}}), command("m_stop")};
    const QJsonArray sub{command("mnop")};
    rig.makeReady(document({main, sub}));
    QSignalSpy done(&rig.worker, &internalWorker::sigCommandDone);
    QSignalSpy ended(&rig.worker, &internalWorker::sigRunEnded);
    rig.worker.mwCommand("start");
    for (int bits :
         {0, int(StatusBit::Called), 0, int(StatusBit::Returned), 0, int(StatusBit::Returned)})
        rig.complete(bits);
    QList<QPair<int, int>> positions;
    for (const auto &args : done)
        positions.append({args[0].toInt(), args[1].toInt()});
    // The end-of-program records are no commands of the program.
    QCOMPARE(positions, (QList<QPair<int, int>>{{0, 0}, {0, 1}, {1, 0}, {0, 2}}));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended[0][0].toBool(), true);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
}

void tst_InternalWorker::haltEndsEveryWayOfStopping_data()
{
    // How the run is left, whether a command is still in flight then, the state after the halt
    // and whether a run ends with it.
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("inFlight");
    QTest::addColumn<WorkerState>("nextState");
    QTest::addColumn<bool>("endsRun");
    QTest::newRow("stop, command in flight") << "running"
                                             << "stop" << true << WorkerState::Ready << true;
    QTest::newRow("stop between commands") << "taken"
                                           << "stop" << false << WorkerState::Ready << true;
    QTest::newRow("stop while stepping") << "stepping"
                                         << "stop" << true << WorkerState::Ready << true;
    QTest::newRow("stop while paused") << "paused"
                                       << "stop" << false << WorkerState::Ready << true;
    QTest::newRow("stop when ready") << "ready"
                                     << "stop" << false << WorkerState::Ready << false;
    QTest::newRow("settings opened during a run")
        << "running"
        << "mwStop" << true << WorkerState::Connected << true;
    QTest::newRow("editor closed while paused")
        << "paused"
        << "mwStop" << false << WorkerState::Connected << true;
    QTest::newRow("give-up during a run") << "running"
                                          << "give up" << false << WorkerState::Ready << true;
}

void tst_InternalWorker::haltEndsEveryWayOfStopping()
{
    QFETCH(QString, situation);
    QFETCH(QString, trigger);
    QFETCH(bool, inFlight);
    QFETCH(WorkerState, nextState);
    QFETCH(bool, endsRun);
    Rig rig;
    QJsonObject paused = command("mSetleds", {{"pin", "D2"}, {"state", 1}});
    paused.insert("breakpoint", true);
    rig.makeReady(document({{command("m_fwd", {{"speed", 60}}), paused, command("mnop")}}));
    QSignalSpy ended(&rig.worker, &internalWorker::sigRunEnded);
    QSignalSpy halts(&rig.worker, &internalWorker::sigHaltEnded);
    if (situation == "stepping") {
        rig.worker.mwCommand("step");
    } else if (situation != "ready") {
        rig.worker.mwCommand("start");
        if (situation == "taken")
            rig.answer();
        else if (situation == "paused")
            rig.complete();
    }
    QCOMPARE(rig.worker.runActive(), situation != "ready");
    const qsizetype before = rig.fake->sent.size();
    if (trigger == "stop") {
        rig.worker.mwCommand("stop");
    } else if (trigger == "mwStop") {
        rig.worker.mwStop();
    } else {
        // Every copy of the step packet is lost.
        for (int i = 0; i < 100 && rig.manualOpcodes(before).isEmpty(); ++i)
            rig.foreignFrames(1);
    }
    QCOMPARE(rig.worker.state(), WorkerState::Stopping);
    QCOMPARE(rig.lastReport().value("run").toInt(), 0);
    if (inFlight) {
        // The controller takes one request at a time: the halt follows the answer.
        QCOMPARE(rig.manualOpcodes(before), QList<int>());
        rig.answer();
    }
    QCOMPARE(rig.manualOpcodes(before), QList<int>{kDriveStopWithBrake});
    QCOMPARE(rig.worker.state(), WorkerState::Stopping);
    QCOMPARE(ended.size(), 0);
    rig.answer();
    QCOMPARE(rig.worker.state(), nextState);
    QCOMPARE(halts.size(), 1);
    QCOMPARE(halts[0][0].toBool(), true);
    QCOMPARE(ended.size(), endsRun ? 1 : 0);
    if (endsRun)
        QCOMPARE(ended[0][0].toBool(), false);
    // The run is over: nothing is marked, and a new one starts from the first command.
    const QJsonObject report = rig.lastReport();
    QCOMPARE(report.value("run").toInt(), 0);
    QCOMPARE(report.value("progpos").toInt(), 0);
    if (nextState == WorkerState::Ready) {
        rig.worker.mwCommand("start");
        QCOMPARE(rig.worker.state(), WorkerState::Running);
        QCOMPARE(rig.lastOpcode(), 0x23);
    }
}

void tst_InternalWorker::haltSilencesWhatTheProgramPlays_data()
{
    QTest::addColumn<QJsonArray>("program");
    QTest::addColumn<QList<int>>("opcodes");
    const QJsonObject note = command("mSound", {{"note", "C"}, {"octave", 4}, {"time", 1}});
    const QJsonObject melody = command("mMusic", {{"tempo", 90}, {"sounds", "[]"}});
    QTest::newRow("motion only") << QJsonArray{command("m_fwd")} << QList<int>{0x21};
    QTest::newRow("notes") << QJsonArray{note} << QList<int>{0x21, 0x14};
    QTest::newRow("melodies") << QJsonArray{melody} << QList<int>{0x21, 0x2A};
    QTest::newRow("both") << QJsonArray{melody, note} << QList<int>{0x21, 0x14, 0x2A};
}

void tst_InternalWorker::haltSilencesWhatTheProgramPlays()
{
    QFETCH(QJsonArray, program);
    QFETCH(QList<int>, opcodes);
    Rig rig;
    rig.makeReady(document({program}));
    const qsizetype before = rig.fake->sent.size();
    rig.worker.mwCommand("stop");
    // One record at a time, each once the one before was answered; Ready after the last.
    for (qsizetype i = 0; i < opcodes.size(); ++i) {
        QCOMPARE(rig.worker.state(), WorkerState::Stopping);
        QCOMPARE(rig.manualOpcodes(before), opcodes.mid(0, i + 1));
        rig.answer();
    }
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(rig.manualOpcodes(before), opcodes);
    // The silence records are those of the byte code: a rest of no length, a melody of no notes.
    for (qsizetype i = before; i < rig.fake->sent.size(); ++i) {
        const QByteArray record = rig.fake->sent.at(i).second.mid(1);
        if (quint8(record.at(9)) == 0x14)
            QCOMPARE(record.mid(9), QByteArray::fromHex("140000"));
        if (quint8(record.at(9)) == 0x2A)
            QCOMPARE(record.mid(11), QByteArray::fromHex("ff00"));
    }
}

void tst_InternalWorker::haltCutShortByLinkLoss()
{
    Rig rig;
    rig.makeReady(document({{command("m_fwd")}}));
    QSignalSpy ended(&rig.worker, &internalWorker::sigRunEnded);
    QSignalSpy halts(&rig.worker, &internalWorker::sigHaltEnded);
    rig.worker.mwCommand("start");
    rig.worker.mwCommand("stop");
    rig.worker.tslt();
    QCOMPARE(rig.worker.state(), WorkerState::Disconnected);
    QCOMPARE(halts.size(), 1);
    QCOMPARE(halts[0][0].toBool(), false);
    QCOMPARE(ended.size(), 1);
    // The late answer of the old connection starts nothing.
    const qsizetype before = rig.fake->sent.size();
    rig.connectLink();
    rig.answer();
    QCOMPARE(rig.fake->sent.size(), before);
    QCOMPARE(rig.worker.state(), WorkerState::Connected);
}

void tst_InternalWorker::pausesAtBreakpoints_data()
{
    // A program; the flow bits the controller reports for each command sent before the pause;
    // where the pause stands (program, position, stack depth); the opcode a step sends from
    // there; then, after "start", each opcode sent with the bits that complete it, and whether
    // that ends the run (else it pauses at the same mark again).
    QTest::addColumn<QList<QJsonArray>>("programs");
    QTest::addColumn<QList<int>>("bits");
    QTest::addColumn<int>("proc");
    QTest::addColumn<int>("procpos");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("stepOpcode");
    QTest::addColumn<QList<int>>("goOn");
    QTest::addColumn<QList<int>>("goOnBits");
    QTest::addColumn<bool>("endsRun");
    QJsonObject marked = command("mSetleds", {{"pin", "D2"}, {"state", 1}});
    marked.insert("breakpoint", true);
    const int called = int(StatusBit::Called);
    const int returned = int(StatusBit::Returned);
    // In a called subprogram: the call stays on the stack; going on returns to the caller.
    QTest::newRow("in a called subprogram")
        << QList<QJsonArray>{{command("m_fwd"), command("call", {{"proc", 1}}), command("m_stop")},
                             {command("mnop"), marked, command("mnop")}}
        << QList<int>{0, called, 0} << 1 << 1 << 1 << 0x10 << QList<int>{0x00, 0x07, 0x20, 0x07}
        << QList<int>{0, returned, 0, returned} << true;
    // In a cycle: going on repeats the cycle, and its next round pauses at the mark again.
    QTest::newRow("in a cycle") << QList<QJsonArray>{{command("mStartCycle"), command("mnop"),
                                                      marked, command("mEndCycle")}}
                                << QList<int>{0, 0} << 0 << 2 << 1 << 0x10 << QList<int>{0x02, 0x00}
                                << QList<int>{int(StatusBit::CycleRepeats), 0} << false;
}

void tst_InternalWorker::pausesAtBreakpoints()
{
    QFETCH(QList<QJsonArray>, programs);
    QFETCH(QList<int>, bits);
    QFETCH(int, proc);
    QFETCH(int, procpos);
    QFETCH(int, depth);
    QFETCH(int, stepOpcode);
    QFETCH(QList<int>, goOn);
    QFETCH(QList<int>, goOnBits);
    QFETCH(bool, endsRun);
    Rig rig;
    rig.makeReady(document(programs));
    QSignalSpy ended(&rig.worker, &internalWorker::sigRunEnded);
    rig.worker.mwCommand("start");
    for (int flow : bits) {
        QCOMPARE(rig.worker.state(), WorkerState::Running);
        rig.complete(flow);
    }
    // Paused before the marked command: Ready, with the place and the stack kept.
    const qsizetype sent = rig.fake->sent.size();
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QVERIFY(rig.worker.runActive());
    QCOMPARE(rig.worker.stackDepth(), depth);
    QCOMPARE(ended.size(), 0);
    QJsonObject report = rig.lastReport();
    QCOMPARE(report.value("run").toInt(), 2);
    QCOMPARE(report.value("proc").toInt(), proc);
    QCOMPARE(report.value("procpos").toInt(), procpos);
    for (const char *offered : {"start", "step", "stop"})
        QCOMPARE(report.value(QLatin1String(offered)).toInt(), 1);

    // Step executes exactly the marked command and pauses after it.
    rig.worker.mwCommand("step");
    QCOMPARE(rig.fake->sent.size(), sent + 1);
    QCOMPARE(rig.lastOpcode(), stepOpcode);
    QCOMPARE(rig.lastReport().value("run").toInt(), 1);
    rig.complete();
    QCOMPARE(rig.fake->sent.size(), sent + 1);
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    report = rig.lastReport();
    QCOMPARE(report.value("run").toInt(), 2);
    QCOMPARE(report.value("procpos").toInt(), procpos + 1);

    // Start goes on from there.
    rig.worker.mwCommand("start");
    for (qsizetype i = 0; i < goOn.size(); ++i) {
        QCOMPARE(rig.worker.state(), WorkerState::Running);
        QCOMPARE(rig.lastOpcode(), goOn.at(i));
        rig.complete(goOnBits.at(i));
    }
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(ended.size(), endsRun ? 1 : 0);
    if (endsRun) {
        QCOMPARE(ended[0][0].toBool(), true);
        QCOMPARE(rig.lastReport().value("run").toInt(), 0);
    } else {
        QCOMPARE(rig.lastReport().value("run").toInt(), 2);
        QCOMPARE(rig.lastReport().value("procpos").toInt(), procpos);
        QCOMPARE(rig.worker.stackDepth(), depth);
    }
}

void tst_InternalWorker::breakpointOnFirstCommandPausesBeforeIt()
{
    Rig rig;
    QJsonObject first = command("m_fwd");
    first.insert("breakpoint", true);
    const QJsonObject doc = document({{first, command("mnop")}});
    rig.makeReady(doc);
    const qsizetype sent = rig.fake->sent.size();
    rig.worker.mwCommand("start");
    QCOMPARE(rig.fake->sent.size(), sent);
    QCOMPARE(rig.lastReport().value("run").toInt(), 2);
    rig.worker.mwCommand("start");
    QCOMPARE(rig.worker.state(), WorkerState::Running);
    QCOMPARE(rig.lastOpcode(), 0x23);

    // The command line runs straight through.
    Rig straight;
    straight.worker.setPauseAtBreakpoints(false);
    straight.makeReady(doc);
    straight.worker.mwCommand("start");
    QCOMPARE(straight.worker.state(), WorkerState::Running);
    QCOMPARE(straight.lastOpcode(), 0x23);
}

void tst_InternalWorker::runMarkerFollowsTheRun()
{
    Rig rig;
    rig.makeReady(document({{command("m_fwd"), command("mnop")}}));
    auto run = [&rig] { return rig.lastReport().value("run").toInt(); };
    QCOMPARE(run(), 0);
    rig.worker.mwCommand("step");
    QCOMPARE(run(), 1);
    rig.complete();
    QCOMPARE(run(), 2);
    // A command by hand while paused keeps the pause.
    rig.worker.mwManual(0, 0, false);
    QCOMPARE(rig.worker.state(), WorkerState::ManualCommand);
    QCOMPARE(run(), 2);
    rig.complete();
    QCOMPARE(run(), 2);
    rig.worker.mwCommand("start");
    QCOMPARE(run(), 1);
    rig.complete();
    rig.complete(StatusBit::Returned);
    // The program ended by itself: nothing marked, and no halt (its last motion goes on).
    QCOMPARE(rig.worker.state(), WorkerState::Ready);
    QCOMPARE(run(), 0);
    QCOMPARE(rig.fake->sent.last().first, PacketType::StepCommand);
}

void tst_InternalWorker::transfersReportProgressAndOutcome_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("course");
    QTest::addColumn<int>("outcome");
    using T = LinkTransfer::Outcome;
    QTest::newRow("write") << "write"
                           << "answered" << int(T::Done);
    QTest::newRow("write, no answers") << "write"
                                       << "deaf" << int(T::GaveUp);
    QTest::newRow("write, link lost") << "write"
                                      << "link lost" << int(T::WaitingForLink);
    QTest::newRow("write, link lost, settings opened")
        << "write"
        << "link lost, mwStop" << int(T::Interrupted);
    QTest::newRow("write, link away too long") << "write"
                                               << "link lost for good" << int(T::LinkLost);
    QTest::newRow("write, settings opened") << "write"
                                            << "mwStop" << int(T::Interrupted);
    QTest::newRow("write of a broken program") << "write"
                                               << "broken" << int(T::NotCompiled);
    QTest::newRow("read") << "read"
                          << "answered" << int(T::Done);
    QTest::newRow("read of an empty memory") << "read"
                                             << "erased" << int(T::NoProgram);
    QTest::newRow("read, garbled answer") << "read"
                                          << "garbled" << int(T::BadAnswer);
    QTest::newRow("configuration") << "restart"
                                   << "answered" << int(T::Done);
    QTest::newRow("configuration, no answers") << "restart"
                                               << "deaf" << int(T::GaveUp);
    QTest::newRow("configuration, broken program") << "restart"
                                                   << "broken" << int(T::NotCompiled);
}

void tst_InternalWorker::transfersReportProgressAndOutcome()
{
    QFETCH(QString, kind);
    QFETCH(QString, course);
    QFETCH(int, outcome);
    Rig rig;
    QJsonObject doc = documentOf130Bytes();
    if (course == "broken")
        doc = document({{command("call", {{"proc", 3}})}});
    rig.worker.mwChangeProg(doc);
    rig.connectLink();
    const QByteArray image = rig.worker.memoryImage();
    QSignalSpy progress(&rig.worker, &internalWorker::sigTransferProgress);
    QSignalSpy ends(&rig.worker, &internalWorker::sigTransferEnded);
    rig.worker.mwCommand(kind);
    if (course == "answered" || course == "erased") {
        // The controller answers each request 100 ms after it was sent.
        QByteArray memory = course == "erased" ? QByteArray(4096, char(0xFF)) : image;
        memory.append(QByteArray(4096 - memory.size(), char(0xFF)));
        for (int i = 0; i < 100 && ends.isEmpty(); ++i) {
            rig.clockMs += 100;
            const auto [type, payload] = rig.fake->sent.last();
            QByteArray reply = payload.left(2);
            if (type == PacketType::MemoryRead)
                reply += memory.mid(quint8(payload[0]) | quint8(payload[1]) << 8, 64);
            rig.fake->reply(type, reply);
        }
    } else if (course == "deaf") {
        rig.foreignFrames(400);
    } else if (course.startsWith("link lost")) {
        rig.answer();
        rig.worker.tslt();
        if (course.endsWith("mwStop"))
            rig.worker.mwStop();
        for (int i = 0; course.endsWith("for good") && i < internalWorker::kResumeWithinTicks; ++i)
            rig.worker.tslt();
        // Stopped or given up, the write is not taken up again when the link is back.
        if (outcome != LinkTransfer::WaitingForLink) {
            rig.fake->deliver(PacketType::State, statePacket());
            QCOMPARE(rig.worker.state(), WorkerState::Connected);
        }
    } else if (course == "mwStop") {
        rig.worker.mwStop();
    } else if (course == "garbled") {
        rig.fake->reply(PacketType::MemoryRead, QByteArray(1, '\0'));
    }
    // A write cut by the lost link first waits for it.
    QCOMPARE(ends.size(), course.startsWith("link lost") && course != "link lost" ? 2 : 1);
    QCOMPARE(ends.last()[1].toInt(), outcome);
    const int expectedKind = kind == "write"  ? LinkTransfer::Write
                             : kind == "read" ? LinkTransfer::Read
                                              : LinkTransfer::Configuration;
    QCOMPARE(ends.last()[0].toInt(), expectedKind);
    if (course == "broken") {
        QVERIFY(progress.isEmpty());
        return;
    }
    // Progress starts at 0 of the total, never goes back, and is complete when it is done.
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.first()[1].toInt(), 0);
    const int total = progress.first()[2].toInt();
    QCOMPARE(total, kind == "write"  ? int(image.size())
                    : kind == "read" ? 4096
                                     : int(progress.first()[2].toInt()));
    int done = 0;
    for (const QList<QVariant> &report : std::as_const(progress)) {
        QVERIFY(report[1].toInt() >= done);
        done = report[1].toInt();
        QCOMPARE(report[2].toInt(), total);
    }
    if (course == "answered" || course == "erased") {
        QCOMPARE(done, total);
        // Each chunk took 100 ms on the worker's clock.
        const int chunks = (total + 63) / 64;
        QCOMPARE(ends[0][2].toLongLong(), qint64(chunks) * 100);
    } else {
        QVERIFY(done < total);
    }
}

QTEST_GUILESS_MAIN(tst_InternalWorker)
#include "tst_internalworker.moc"
