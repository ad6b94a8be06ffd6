// Writes and reads back a full 4096-byte memory image against the virtual controller for a grid
// of radio latencies, EEPROM write times and state packet intervals, clean and with faults, and
// prints per cell how close the link comes to its floor and how many requests it needed.
//
// floor = chunks × (latency + bytes per chunk × ms per byte); requests / chunks is 1.00 when
// every chunk went out exactly once. With faults, extra requests are set against the frames the
// link lost (replies dropped or swallowed by noise, requests ignored by the controller).
//
// A cell list can be given as arguments, e.g. "bench_linktransfer transfer:clean/20ms/3.3/50".

#include "deframer.h"
#include "internalworker.h"
#include "mbluetoothconnect.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

using namespace LinkProtocol;

namespace {

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

// Link log lines only with TAVIRO_BENCH_LOG set: the table is what matters here.
void quietLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg || qEnvironmentVariableIsSet("TAVIRO_BENCH_LOG"))
        std::fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
}

struct Transfer
{
    qint64 ms = 0;
    int requests = 0;
    int lostFrames = 0;
    bool exact = false;
};

} // namespace

class bench_LinkTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void transfer_data();
    void transfer();
};

void bench_LinkTransfer::initTestCase()
{
    // The messages checked here are debug lines, which a default run leaves out.
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true"));
    qInstallMessageHandler(quietLog);
    std::printf("%-40s | %-26s | %-26s\n", "cell", "write: time/floor req/chunk",
                "read: time/floor req/chunk");
    std::fflush(stdout);
}

void bench_LinkTransfer::transfer_data()
{
    QTest::addColumn<int>("latencyMs");
    QTest::addColumn<double>("msPerByte");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<QString>("fault");
    for (int latency : {5, 20, 40})
        for (double msPerByte : {0.0, 3.3})
            for (int interval : {50, 100})
                QTest::addRow("clean/%dms/%.1f/%d", latency, msPerByte, interval)
                    << latency << msPerByte << interval << QString();
    for (const char *fault : {"drop-every 5", "noise", "lose-request-every 7"})
        for (int interval : {50, 100})
            QTest::addRow("%s/20ms/3.3/%d", fault, interval)
                << 20 << 3.3 << interval << QString::fromLatin1(fault);
}

void bench_LinkTransfer::transfer()
{
    QFETCH(int, latencyMs);
    QFETCH(double, msPerByte);
    QFETCH(int, intervalMs);
    QFETCH(QString, fault);

    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    controller.setLatency(latencyMs);
    controller.setMsPerByte(msPerByte);
    controller.setStateInterval(intervalMs);
    if (fault == QLatin1String("drop-every 5"))
        controller.setDropEvery(5);
    else if (fault == QLatin1String("noise"))
        controller.setNoise(true);
    else if (fault == QLatin1String("lose-request-every 7"))
        controller.setLoseRequestEvery(7);

    // Replies as the editor's deframer sees them, to count those the noise swallowed.
    Deframer monitor;
    connect(&monitor.receiveTimer(), &QTimer::timeout, &monitor, &Deframer::reset);
    int repliesDelivered = 0;
    connect(&monitor, &Deframer::packetReceived, this, [&](int type, const QByteArray &) {
        if (LinkProtocol::isReply(type))
            ++repliesDelivered;
    });
    connect(&controller, &VirtualController::bytesToSend, &monitor,
            [&monitor](const QByteArray &bytes) { monitor.feed(bytes); });
    int requests = 0;
    connect(&controller, &VirtualController::requestArrived, this, [&](int) { ++requests; });

    // A fresh worker per cell: it has measured nothing of this link yet.
    internalWorker worker;
    worker.mwChangeProg(fullProgram());
    QCOMPARE(worker.memoryImage().size(), 4096);
    worker.mwStart();
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);

    QSignalSpy programs(&worker, &internalWorker::sigReadProg);
    const auto measure = [&](const QString &name, WorkerState busyState) {
        Transfer result;
        requests = 0;
        repliesDelivered = 0;
        const int repliesBefore = controller.repliesSent();
        const int lostBefore = controller.requestsLost();
        QElapsedTimer clock;
        clock.start();
        worker.mwCommand(name);
        if (worker.state() != busyState)
            return result;
        while (worker.state() == busyState && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        result.ms = clock.elapsed();
        result.requests = requests;
        result.lostFrames = (controller.repliesSent() - repliesBefore - repliesDelivered) +
                            (controller.requestsLost() - lostBefore);
        result.exact =
            worker.state() == WorkerState::Connected && worker.memoryAddress() >= kMemorySize;
        return result;
    };

    const Transfer write = measure(QStringLiteral("write"), WorkerState::Writing);
    const bool written = write.exact && controller.eeprom() == worker.memoryImage();
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    const Transfer read = measure(QStringLiteral("read"), WorkerState::Reading);
    const bool readBack = read.exact && programs.size() == 1;

    const int chunks = kMemorySize / kMaxChunk;
    const double writeFloor = chunks * (latencyMs + kMaxChunk * msPerByte);
    const double readFloor = chunks * latencyMs;
    const auto cell = [&](const Transfer &t, double floor, bool exact) {
        QString text = QStringLiteral("%1 ms %2 %3")
                           .arg(t.ms, 6)
                           .arg(t.ms / floor, 5, 'f', 3)
                           .arg(double(t.requests) / chunks, 5, 'f', 3);
        if (!fault.isEmpty()) {
            const int extra = t.requests - chunks;
            text += QStringLiteral(" extra %1/lost %2").arg(extra).arg(t.lostFrames);
        }
        if (!exact)
            text += QStringLiteral(" NOT EXACT");
        return text;
    };
    std::printf("%-40s | %s | %s\n", QTest::currentDataTag(),
                qPrintable(cell(write, writeFloor, written)),
                qPrintable(cell(read, readFloor, readBack)));
    std::fflush(stdout);
    QVERIFY(written);
    QVERIFY(readBack);
}

QTEST_GUILESS_MAIN(bench_LinkTransfer)
#include "bench_linktransfer.moc"
