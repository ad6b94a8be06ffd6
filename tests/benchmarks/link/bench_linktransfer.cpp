// Writes and reads back a full 4096-byte memory image against the virtual controller with a
// 20 ms reply latency, and compares the time taken with the floor the latency alone sets.

#include "internalworker.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kLatencyMs = 20;

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

// 6 bytes of configuration, 331 × 12 + 8 × 13 bytes of commands, return and end frames: 4096.
QJsonObject fullProgram()
{
    QJsonArray main;
    for (int i = 0; i < 331; ++i)
        main.append(command("mnop"));
    for (int i = 0; i < 8; ++i)
        main.append(command("mSetleds", {{"pin", QStringLiteral("D%1").arg(i)}, {"state", 1}}));
    return {{"ProgData", QJsonArray{main}}, {"configuration", QJsonObject{}}};
}

// Log lines go to stderr as in the program itself, not through the test logger.
void plainLog(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
}

} // namespace

class bench_LinkTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void transfer_data();
    void transfer();

private:
    VirtualControllerServer m_server;
    std::unique_ptr<internalWorker> m_worker;
    QElapsedTimer m_clock;
    int m_requests = 0;
    qint64 m_lastOutputNs = 0;
    // Time from the controller's last bytes leaving to the next request arriving: the editor's
    // own share of a round trip, loopback transfer included.
    qint64 m_turnaroundNs = 0;
    // Time from a request arriving to the controller's next bytes leaving: the modelled radio
    // latency as the simulator actually served it.
    qint64 m_requestNs = -1;
    qint64 m_servedNs = 0;
};

void bench_LinkTransfer::initTestCase()
{
    qInstallMessageHandler(plainLog);
    const quint16 port = m_server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    m_server.controller().setLatency(kLatencyMs);
    m_clock.start();
    connect(&m_server.controller(), &VirtualController::bytesToSend, this,
            [this](const QByteArray &bytes) {
                m_lastOutputNs = m_clock.nsecsElapsed();
                // Replies have bit 7 in their type; state packets do not.
                const bool reply = bytes.size() > 2 && (quint8(bytes[2]) & 0x80);
                if (reply && m_requestNs >= 0)
                    m_servedNs += m_lastOutputNs - m_requestNs;
                if (reply)
                    m_requestNs = -1;
            });
    connect(&m_server.controller(), &VirtualController::requestHandled, this, [this] {
        ++m_requests;
        m_requestNs = m_clock.nsecsElapsed();
        m_turnaroundNs += m_requestNs - m_lastOutputNs;
    });
    m_worker = std::make_unique<internalWorker>();
    m_worker->mwChangeProg(fullProgram());
    QCOMPARE(m_worker->memoryImage().size(), 4096);
    QVERIFY(m_worker->programOk());
    m_worker->mwStart();
    m_worker->mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    QTRY_COMPARE_WITH_TIMEOUT(m_worker->state(), 1, 10000);
}

void bench_LinkTransfer::transfer_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("busyState");
    QTest::newRow("write 4096 bytes") << QString("write") << 7;
    QTest::newRow("read 4096 bytes") << QString("read") << 8;
}

void bench_LinkTransfer::transfer()
{
    QFETCH(QString, command);
    QFETCH(int, busyState);
    qint64 elapsed = 0;
    int requests = 0;
    QBENCHMARK
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_worker->state(), 1, 10000);
        m_requests = 0;
        m_turnaroundNs = 0;
        m_servedNs = 0;
        m_lastOutputNs = m_clock.nsecsElapsed();
        QElapsedTimer clock;
        clock.start();
        m_worker->mwCommand(command);
        QCOMPARE(m_worker->state(), busyState);
        while (m_worker->state() == busyState)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        elapsed = clock.elapsed();
        requests = m_requests;
    }
    QCOMPARE(m_worker->state(), 1);
    QCOMPARE(m_worker->memoryAddress(), 4096);
    if (command == QLatin1String("write"))
        QCOMPARE(m_server.controller().eeprom(), m_worker->memoryImage());
    const qint64 floor = qint64(requests) * kLatencyMs;
    const double turnaroundMs = requests ? double(m_turnaroundNs) / requests / 1e6 : 0.0;
    const double servedMs = requests ? double(m_servedNs) / requests / 1e6 : 0.0;
    const double servedFloor = requests * servedMs;
    std::printf(
        "%s: %lld ms for %d round trips; floor %lld ms; ratio %.3f; per round trip: "
        "controller latency served %.3f ms, editor turnaround %.3f ms; ratio to the latency "
        "served %.3f\n",
        qPrintable(command), elapsed, requests, floor, floor ? double(elapsed) / floor : 0.0,
        servedMs, turnaroundMs, servedFloor > 0 ? elapsed / servedFloor : 0.0);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(bench_LinkTransfer)
#include "bench_linktransfer.moc"
