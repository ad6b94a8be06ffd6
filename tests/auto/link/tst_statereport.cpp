#include "controllerstate.h"
#include "statereport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace LinkProtocol;

class tst_StateReport : public QObject
{
    Q_OBJECT
private slots:
    void storeRejectsShortPackets_data();
    void storeRejectsShortPackets();
    void storeFillsEveryField();
    void statusWordFromUnsignedBytes();
    void encodeIsTheInverseOfStore();
    void actionFlags_data();
    void actionFlags();
    void textOfAReadyController();
    void textBeforeAnyStatePacket();
};

void tst_StateReport::storeRejectsShortPackets_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("stored");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("28 bytes") << 28 << false;
    QTest::newRow("29 bytes") << 29 << true;
    QTest::newRow("66 bytes") << 66 << true;
}

void tst_StateReport::storeRejectsShortPackets()
{
    QFETCH(int, size);
    QFETCH(bool, stored);
    ControllerState state;
    QCOMPARE(state.store(QByteArray(size, '\x01')), stored);
    QCOMPARE(state.packetsStored, stored ? 1u : 0u);
}

void tst_StateReport::storeFillsEveryField()
{
    QByteArray payload(29, '\0');
    payload[0] = char(0x12);
    payload[1] = char(0x04);
    payload[2] = char(7);
    payload[3] = char(0x81);  // inputs 0 and 7
    payload[12] = char(0x80); // input 79
    for (int j = 0; j < 16; ++j)
        payload[13 + j] = char(200 + j);
    payload.append(QByteArray(10, '\xff')); // beyond 29 bytes changes nothing
    ControllerState state;
    QVERIFY(state.store(payload));
    QCOMPARE(state.statusFlags, StatusBit::ReadLocked | StatusBit::Returned | StatusBit::Done);
    QCOMPARE(state.reportedSequence, quint8(7));
    for (int i = 0; i < 80; ++i)
        QCOMPARE(state.digitalInputs[i], (i == 0 || i == 7 || i == 79) ? 1 : 0);
    for (int j = 0; j < 16; ++j)
        QCOMPARE(int(state.analogInputs[j]), 200 + j);
}

void tst_StateReport::statusWordFromUnsignedBytes()
{
    QByteArray payload(29, '\0');
    payload[0] = char(0x80);
    payload[1] = char(0x04);
    ControllerState state;
    state.store(payload);
    QCOMPARE(state.statusFlags, StatusBit::ReadLocked | StatusBit::Called);
}

void tst_StateReport::encodeIsTheInverseOfStore()
{
    std::array<int, 80> digital{};
    digital[3] = digital[42] = 1;
    std::array<quint8, 16> analog{};
    analog[15] = 255;
    const StatusFlags status = StatusBit::Called | StatusBit::CycleRepeats | StatusBit::Done;
    const QByteArray payload = ControllerState::encode(status, 250, digital, analog);
    QCOMPARE(payload.size(), 29);
    ControllerState state;
    QVERIFY(state.store(payload));
    QCOMPARE(state.statusFlags, status);
    QCOMPARE(state.reportedSequence, quint8(250));
    QCOMPARE(state.digitalInputs, digital);
    QCOMPARE(state.analogInputs, analog);
}

void tst_StateReport::actionFlags_data()
{
    QTest::addColumn<WorkerState>("state");
    QTest::addColumn<bool>("readAllowed");
    QTest::addColumn<bool>("writeAllowed");
    QTest::addColumn<QList<int>>("flags");
    using L = QList<int>;
    using S = WorkerState;
    QTest::newRow("disconnected") << S::Disconnected << true << true << L{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("connected") << S::Connected << true << true << L{1, 1, 0, 0, 0, 1, 0};
    QTest::newRow("connected, read locked")
        << S::Connected << false << true << L{0, 1, 0, 0, 0, 1, 0};
    QTest::newRow("connected, no program")
        << S::Connected << true << false << L{1, 0, 0, 0, 0, 1, 0};
    // Stop is offered whenever something may be moving: Ready included, halting excluded.
    QTest::newRow("ready") << S::Ready << true << true << L{1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("ready, locked, no program")
        << S::Ready << false << false << L{0, 0, 1, 1, 1, 1, 1};
    for (S s : {S::ManualCommand, S::Running, S::Stepping})
        QTest::addRow("%d", int(s)) << s << true << true << L{0, 0, 0, 1, 0, 1, 0};
    QTest::newRow("stopping") << S::Stopping << true << true << L{0, 0, 0, 0, 0, 0, 0};
    for (S s : {S::Writing, S::Reading})
        QTest::addRow("%d", int(s)) << s << true << true << L{0, 0, 0, 0, 0, 1, 0};
}

void tst_StateReport::actionFlags()
{
    QFETCH(WorkerState, state);
    QFETCH(bool, readAllowed);
    QFETCH(bool, writeAllowed);
    QFETCH(QList<int>, flags);
    const StateReport::ActionFlags actual =
        StateReport::actionFlags(state, readAllowed, writeAllowed);
    QCOMPARE(QList<int>(actual.begin(), actual.end()), flags);
}

void tst_StateReport::textOfAReadyController()
{
    ControllerState state;
    state.digitalInputs[1] = 1;
    state.analogInputs[0] = 17;
    state.analogInputs[14] = 99;
    state.analogInputs[15] = 123; // not reported
    const QString text = StateReport::text(StateReport::actionFlags(WorkerState::Ready, true, true),
                                           0, 0, 0, StateReport::Paused, state);
    QVERIFY(text.startsWith(QLatin1String(
        "{\"read\":1, \"write\":1, \"start\":1, \"stop\":1, \"step\":1, \"restart\":1, "
        "\"manual\":1, \"progpos\":0, \"proc\":0, \"procpos\":0, \"run\":2, \"DI\":[0, 1, 0, ")));
    QVERIFY(text.endsWith(QLatin1String("], \"AI\":[17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                                        "99] }")));
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(text.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(report.value("DI").toArray().size(), 80);
    QCOMPARE(report.value("AI").toArray().size(), 15);
    QCOMPARE(report.value("DI").toArray().at(1).toInt(), 1);
}

void tst_StateReport::textBeforeAnyStatePacket()
{
    const QString text =
        StateReport::text(StateReport::actionFlags(WorkerState::Disconnected, true, false), -1, 0,
                          0, StateReport::NoRun, ControllerState());
    const QJsonObject report = QJsonDocument::fromJson(text.toUtf8()).object();
    QCOMPARE(report.value("progpos").toInt(), -1);
    QCOMPARE(report.value("run").toInt(), 0);
    for (const char *key : {"read", "write", "start", "stop", "step", "restart", "manual"})
        QCOMPARE(report.value(QLatin1String(key)).toInt(), 0);
    for (const QJsonValue &v : report.value("DI").toArray())
        QCOMPARE(v.toInt(), 0);
}

QTEST_GUILESS_MAIN(tst_StateReport)
#include "tst_statereport.moc"
