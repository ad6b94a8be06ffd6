#include "faketransport.h"
#include "mworker.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

using namespace LinkProtocol;

class tst_mWorker : public QObject
{
    Q_OBJECT
private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void changeName_data();
    void changeName();
    void reportTextBecomesObject();
    void relaysReachTheWorker();
    void statePacketsAreRelayedOnceEach();
};

void tst_mWorker::changeName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("refused");
    QTest::newRow("25 characters cut to 19") << QString("abcdefghijklmnopqrstuvwxy")
                                             << QByteArray("abcdefghijklmnopqrs") + '\0' << false;
    QTest::newRow("exactly 19") << QString(19, 'z') << QByteArray(19, 'z') + '\0' << false;
    QTest::newRow("two characters")
        << QString("ab") << QByteArray("ab") + QByteArray(18, '\0') << false;
    QTest::newRow("one character is refused") << QString("a") << QByteArray() << true;
    QTest::newRow("empty is refused") << QString() << QByteArray() << true;
}

void tst_mWorker::changeName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, payload);
    QFETCH(bool, refused);
    FakeTransport *fake = nullptr;
    mWorker facade(nullptr, [&fake](QObject *parent) {
        fake = new FakeTransport(parent);
        return fake;
    });
    facade.worker()->transport();
    facade.mwStart();
    fake->deliver(PacketType::State, QByteArray(29, '\0'));
    QSignalSpy answers(&facade, &mWorker::sigChangeName);
    facade.ChangeName("COM3", name);
    if (refused) {
        QVERIFY(fake->sent.isEmpty());
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0][0].toBool(), false);
        QCOMPARE(answers[0][1].toString(), QString("Name too short"));
        return;
    }
    QCOMPARE(fake->sent.size(), 1);
    QCOMPARE(fake->sent[0].first, PacketType::Rename);
    QCOMPARE(fake->sent[0].second, payload);
    fake->reply(PacketType::Rename);
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers[0][0].toBool(), true);
}

void tst_mWorker::reportTextBecomesObject()
{
    mWorker facade(nullptr, [](QObject *parent) { return new FakeTransport(parent); });
    QSignalSpy reports(&facade, &mWorker::sigCurState);
    emit facade.worker()->sigCurState("{\"read\":1, \"DI\":[0, 1] }");
    emit facade.worker()->sigCurState("not json");
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports[0][0].toJsonObject().value("read").toInt(), 1);
    QVERIFY(reports[1][0].toJsonObject().isEmpty());
}

void tst_mWorker::relaysReachTheWorker()
{
    FakeTransport *fake = nullptr;
    mWorker facade(nullptr, [&fake](QObject *parent) {
        fake = new FakeTransport(parent);
        return fake;
    });
    QSignalSpy reports(&facade, &mWorker::sigCurState);
    QSignalSpy devices(&facade, &mWorker::sigFindDevice);
    QSignalSpy ended(&facade, &mWorker::sigEndFindDevices);
    QSignalSpy status(&facade, &mWorker::sigConnectOK);
    QSignalSpy programs(&facade, &mWorker::sigReadProg);
    QSignalSpy progress(&facade, &mWorker::sigTransferProgress);
    QSignalSpy transfers(&facade, &mWorker::sigTransferEnded);
    QSignalSpy halts(&facade, &mWorker::sigHaltEnded);
    facade.mwStart();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports[0][0].toJsonObject().value("restart").toInt(), 0);
    facade.mwSelectDevice("{}");
    QCOMPARE(fake->disconnects, 1);
    facade.mwFindDevices();
    QCOMPARE(fake->searches, 1);
    fake->reportDevice("{ \"Name\":\"a\" }");
    fake->endSearch();
    QCOMPARE(devices.size(), 1);
    QCOMPARE(ended.size(), 1);
    facade.mwChangeProg({{"ProgData", QJsonArray{QJsonArray{}}}, {"configuration", QJsonObject{}}});
    fake->deliver(PacketType::State, QByteArray(29, '\0'));
    QCOMPARE(status.last()[0].toInt(), int(ConnectionStatus::FirstFrame));
    QCOMPARE(facade.worker()->state(), WorkerState::Connected);
    facade.mwCommand("restart");
    fake->reply(PacketType::Configuration);
    QCOMPARE(reports.last()[0].toJsonObject().value("start").toInt(), 1);
    QCOMPARE(progress.size(), 2);
    QCOMPARE(transfers.size(), 1);
    // Stopping halts the robot first: Connected once the halt record is answered.
    facade.mwStop();
    QCOMPARE(facade.worker()->state(), WorkerState::Stopping);
    fake->reply(PacketType::ManualCommand);
    QCOMPARE(facade.worker()->state(), WorkerState::Connected);
    QCOMPARE(halts.size(), 1);
    QTest::ignoreMessage(QtDebugMsg, "Input array");
    facade.mwDebugSignal();
    facade.mwManual(0, 0, false);
    QCOMPARE(facade.worker()->state(), WorkerState::Connected);
}

void tst_mWorker::statePacketsAreRelayedOnceEach()
{
    FakeTransport *fake = nullptr;
    mWorker facade(nullptr, [&fake](QObject *parent) {
        fake = new FakeTransport(parent);
        return fake;
    });
    QSignalSpy reports(&facade, &mWorker::sigCurState);
    QSignalSpy packets(&facade, &mWorker::sigStatePacket);
    facade.worker()->transport();
    facade.mwStart();
    facade.mwChangeProg({{"ProgData", QJsonArray{QJsonArray{}}}, {"configuration", QJsonObject{}}});
    QVERIFY(!reports.isEmpty());
    QCOMPARE(packets.size(), 0);

    const auto packet = [](int analog0) {
        QByteArray payload(29, '\0');
        payload[13] = char(analog0);
        return payload;
    };
    fake->deliver(PacketType::State, packet(10));
    fake->deliver(PacketType::State, packet(20));
    fake->deliver(PacketType::State, QByteArray(12, '\x7f')); // too short: no packet, no report
    facade.worker()->tslt();     // a lost link is reported with the last inputs
    facade.mwCommand("restart"); // a request and its reply: no packet either
    fake->reply(PacketType::Configuration);
    fake->deliver(PacketType::State, packet(30));

    QVERIFY(reports.size() > packets.size() + 2);
    QCOMPARE(packets.size(), 3);
    const QList<int> analog0{packets[0][0].toJsonObject()["AI"][0].toInt(),
                             packets[1][0].toJsonObject()["AI"][0].toInt(),
                             packets[2][0].toJsonObject()["AI"][0].toInt()};
    QCOMPARE(analog0, (QList<int>{10, 20, 30}));
}

QTEST_GUILESS_MAIN(tst_mWorker)
#include "tst_mworker.moc"
