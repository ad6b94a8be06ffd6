#include "commandcompiler.h"
#include "memorytransfer.h"
#include "pendingrequest.h"
#include "programrun.h"

#include <QJsonObject>
#include <QLoggingCategory>
#include <QTest>

using namespace LinkProtocol;

Q_DECLARE_METATYPE(ProgramRun::Outcome)

// The worker's parts driven alone, without a worker or a transport.
class tst_WorkerParts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    }
    void memoryWriteMovesChunkByChunk_data();
    void memoryWriteMovesChunkByChunk();
    void memoryReadWantsWholeChunks();
    void requestResendsAndGivesUp();
    void runFollowsTheController_data();
    void runFollowsTheController();
};

void tst_WorkerParts::memoryWriteMovesChunkByChunk_data()
{
    // Answers (hex) to the chunks of a 130-byte image; the chunk addresses requested after each.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QList<int>>("addresses");
    QTest::addColumn<int>("done");
    QTest::newRow("every chunk acknowledged")
        << QStringList{"0000", "4000", "8000"} << QList<int>{64, 128, 130} << 130;
    QTest::newRow("another chunk's answer repeats it")
        << QStringList{"0000", "8000", "4000"} << QList<int>{64, 64, 128} << 128;
    QTest::newRow("too short to name a chunk") << QStringList{"00"} << QList<int>{0} << 0;
}

void tst_WorkerParts::memoryWriteMovesChunkByChunk()
{
    QFETCH(QStringList, answers);
    QFETCH(QList<int>, addresses);
    QFETCH(int, done);
    MemoryTransfer transfer;
    const QByteArray image(130, 'x');
    QVERIFY(transfer.beginWrite(image));
    QCOMPARE(transfer.bytesTotal(), 130);
    QCOMPARE(transfer.chunkRequest(), QByteArray::fromHex("000040") + image.left(64));
    for (qsizetype i = 0; i < answers.size(); ++i) {
        transfer.takeWriteAnswer(QByteArray::fromHex(answers[i].toLatin1()));
        QCOMPARE(transfer.address(), addresses[i]);
    }
    QCOMPARE(transfer.bytesDone(), done);
    QCOMPARE(transfer.finished(), done == 130);
    const int next = addresses.last();
    if (!transfer.finished())
        QCOMPARE(transfer.chunkRequest().left(2),
                 QByteArray(1, char(next & 0xFF)) + char(next >> 8));
    // An answer for a chunk acknowledged already is the late answer to a resend.
    const int writeAnswer = replyType(PacketType::MemoryWrite);
    QCOMPARE(transfer.isLateAnswer(writeAnswer, QByteArray::fromHex("0000")), done > 0);
    QCOMPARE(transfer.isLateAnswer(replyType(PacketType::Configuration), {}), std::nullopt);
}

void tst_WorkerParts::memoryReadWantsWholeChunks()
{
    MemoryTransfer transfer;
    QVERIFY(transfer.beginRead());
    QCOMPARE(transfer.chunkRequest(), QByteArray::fromHex("000040"));
    QCOMPARE(transfer.takeReadAnswer(QByteArray::fromHex("0000") + QByteArray(63, 'a')),
             MemoryTransfer::Answer::Unmatched);
    for (int address = 0; address < 4096; address += 64) {
        QCOMPARE(transfer.address(), address);
        const QByteArray answer = QByteArray(1, char(address & 0xFF)) + char(address >> 8);
        QCOMPARE(transfer.takeReadAnswer(answer + QByteArray(64, char(address / 64))),
                 MemoryTransfer::Answer::Acknowledged);
    }
    QVERIFY(transfer.finished());
    QCOMPARE(transfer.readBack().size(), 4096);
    QCOMPARE(transfer.readBack().at(4095), char(63));
}

void tst_WorkerParts::requestResendsAndGivesUp()
{
    qint64 clock = 0;
    QList<PacketType> sent;
    PendingRequest request([&](PacketType type, const QByteArray &) { sent.append(type); },
                           [&] { return clock; });
    const auto frame = [&](int type) {
        clock += 100;
        return request.take(type, std::nullopt, false).verdict;
    };
    const int state = wireType(PacketType::State);
    request.send(PacketType::Rename, QByteArray(20, 'n'));
    QCOMPARE(frame(state), PendingRequest::Verdict::Missed);
    QCOMPARE(frame(state), PendingRequest::Verdict::Missed);
    QCOMPARE(sent.size(), 1);
    frame(state); // the third foreign frame: sent again
    QCOMPARE(sent.size(), 2);
    // The answer to one of the two copies; the other one's answer comes late and is no answer.
    QCOMPARE(frame(replyType(PacketType::Rename)), PendingRequest::Verdict::Answer);
    QVERIFY(!request.isPending());
    request.send(PacketType::Rename, QByteArray(20, 'n'));
    QCOMPARE(frame(replyType(PacketType::Rename)), PendingRequest::Verdict::Stale);
    // Nobody answers: ten resends, each once a reply could have come, then it is given up.
    PendingRequest::Verdict last = PendingRequest::Verdict::Missed;
    for (int i = 0; i < 1000 && last == PendingRequest::Verdict::Missed; ++i)
        last = frame(state);
    QCOMPARE(last, PendingRequest::Verdict::GaveUp);
    QCOMPARE(sent.size(), 2 + 1 + 10);
    QVERIFY(!request.isPending());
    QCOMPARE(frame(state), PendingRequest::Verdict::NotAwaited);
}

void tst_WorkerParts::runFollowsTheController_data()
{
    // Flow bits reported for each command done, as a run (not a step) goes; where the run
    // stands afterwards and how the last report ended.
    QTest::addColumn<QList<int>>("flows");
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("depth");
    QTest::addColumn<ProgramRun::Outcome>("outcome");
    const int called = int(StatusBit::Called);
    const int returned = int(StatusBit::Returned);
    const int repeats = int(StatusBit::CycleRepeats);
    const int ended = int(StatusBit::CycleEnded);
    using L = QList<int>;
    QTest::newRow("into the subprogram")
        << L{0, called} << 1 << 0 << 1 << ProgramRun::Outcome::GoesOn;
    QTest::newRow("back after the call")
        << L{0, called, 0, returned} << 0 << 2 << 0 << ProgramRun::Outcome::GoesOn;
    QTest::newRow("round the cycle") << L{0, called, 0, returned, 0, 0, 0, repeats} << 0 << 4 << 1
                                     << ProgramRun::Outcome::GoesOn;
    QTest::newRow("out of the cycle")
        << L{0, called, 0, returned, 0, 0, 0, ended} << 0 << 5 << 0 << ProgramRun::Outcome::GoesOn;
    QTest::newRow("the main program's end") << L{0, called, 0, returned, 0, 0, 0, ended, returned}
                                            << 0 << 0 << 0 << ProgramRun::Outcome::Completes;
}

void tst_WorkerParts::runFollowsTheController()
{
    QFETCH(QList<int>, flows);
    QFETCH(int, program);
    QFETCH(int, position);
    QFETCH(int, depth);
    QFETCH(ProgramRun::Outcome, outcome);
    const auto command = [](const char *name, QJsonObject action = {}) {
        action.insert("command", name);
        return QJsonObject{{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
    };
    const QJsonArray programs{QJsonArray{command("m_fwd"), command("call", {{"proc", 1}}),
                                         command("mnop"), command("mStartCycle"), command("mnop"),
                                         command("mEndCycle")},
                              QJsonArray{command("mnop")}};
    CommandCompiler compiler;
    compiler.setPrograms(programs);
    QList<QByteArray> sent;
    ProgramRun run(compiler, [&](const QByteArray &record, bool asStep) {
        QVERIFY(asStep);
        sent.append(record);
    });
    run.setPrograms(programs);
    run.reset();
    QVERIFY(run.execute(0, 0, true));
    ProgramRun::Outcome last = ProgramRun::Outcome::GoesOn;
    for (int flow : flows)
        last = run.advance(StatusFlags::fromInt(int(StatusBit::Done) | flow), true);
    QCOMPARE(last, outcome);
    QCOMPARE(run.currentProgram(), program);
    QCOMPARE(run.currentPosition(), position);
    QCOMPARE(run.stackDepth(), depth);
    // One record per command done, and the first one.
    QCOMPARE(sent.size(), flows.size() + (outcome == ProgramRun::Outcome::GoesOn ? 1 : 0));
}

QTEST_GUILESS_MAIN(tst_WorkerParts)
#include "tst_workerparts.moc"
