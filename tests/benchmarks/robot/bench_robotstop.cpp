// Time from pressing Stop to both wheels of the virtual robot at 0, for an endless forward cycle
// run from the editor's link over loopback TCP: five stops per cell, each at another point of
// the cycle, and their median. The wheels count as stopped when the controller executes the
// halt record; the robot's next physics step (10 ms) moves it no further.
//
// Cells: the controller's reply latency, its state packet interval and the time it takes to
// answer a command packet. A cell list can be given as arguments, e.g.
// "bench_robotstop stop:20ms/100ms/0ms".

#include "mbluetoothconnect.h"
#include "mworker.h"
#include "robotconfiguration.h"
#include "robotmodel.h"
#include "virtualcontrollerserver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kStops = 5;

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

QJsonObject endlessForward()
{
    const QJsonArray main{command("mStartCycle"), command("m_fwd", {{"speed", 50}}),
                          command("mEndCycle")};
    const QJsonObject configuration{{"Motor1", 100}, {"Motor2", 100}, {"pins", QJsonArray{}}};
    return {{"ProgData", QJsonArray{main}}, {"configuration", configuration}};
}

bool wheelsTurn(const VirtualController &controller)
{
    const WheelSpeeds wheels = RobotModel::wheelSpeedsFor(
        controller.outputs(), RobotConfiguration::fromRecord(controller.configuration()), 2.0);
    return wheels.left != 0 || wheels.right != 0;
}

void quietLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
}

bool waitForFlag(QSignalSpy &spy, const char *key, int value, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    const qsizetype from = spy.size();
    while (!deadline.hasExpired()) {
        for (qsizetype i = from; i < spy.size(); ++i) {
            if (spy.at(i).at(0).toJsonObject().value(QLatin1String(key)).toInt() == value)
                return true;
        }
        spy.wait(50);
    }
    return false;
}

} // namespace

class bench_RobotStop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stop_data();
    void stop();
};

void bench_RobotStop::initTestCase()
{
    qInstallMessageHandler(quietLog);
    std::printf("%-24s | %-40s | %s\n", "latency/interval/answer", "stop to wheels at 0 (ms)",
                "median");
    std::fflush(stdout);
}

void bench_RobotStop::stop_data()
{
    QTest::addColumn<int>("latencyMs");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("stepMs");
    QTest::newRow("0ms/100ms/0ms") << 0 << 100 << 0;
    QTest::newRow("20ms/100ms/0ms") << 20 << 100 << 0;
    QTest::newRow("50ms/100ms/0ms") << 50 << 100 << 0;
    // A controller that is slow to take a command: the halt waits for the one in flight.
    QTest::newRow("20ms/100ms/30ms") << 20 << 100 << 30;
}

void bench_RobotStop::stop()
{
    QFETCH(int, latencyMs);
    QFETCH(int, intervalMs);
    QFETCH(int, stepMs);
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    VirtualController &controller = server.controller();
    controller.setLatency(latencyMs);
    controller.setStateInterval(intervalMs);
    controller.setStepMs(stepMs);

    mWorker worker;
    QSignalSpy reports(&worker, &mWorker::sigCurState);
    worker.mwSelectDevice(
        mBluetoothConnect::deviceText("Virtual", QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
    worker.mwStart();
    worker.mwChangeProg(endlessForward());
    QVERIFY(waitForFlag(reports, "restart", 1, 30000));
    worker.mwCommand("restart");
    QVERIFY(waitForFlag(reports, "start", 1, 10000));

    QList<double> times;
    for (int i = 0; i < kStops; ++i) {
        worker.mwCommand("start");
        QTRY_VERIFY_WITH_TIMEOUT(wheelsTurn(controller), 10000);
        // Each stop falls on another point of the cycle.
        QTest::qWait(300 + i * 37);
        QElapsedTimer clock;
        double stoppedMs = -1;
        QMetaObject::Connection watch =
            connect(&controller, &VirtualController::outputsChanged, this, [&] {
                if (stoppedMs < 0 && !wheelsTurn(controller))
                    stoppedMs = clock.nsecsElapsed() / 1e6;
            });
        clock.start();
        worker.mwCommand("stop");
        QTRY_VERIFY_WITH_TIMEOUT(stoppedMs >= 0, 10000);
        disconnect(watch);
        times.append(stoppedMs);
        QVERIFY(waitForFlag(reports, "start", 1, 10000));
    }
    QStringList texts;
    for (double ms : std::as_const(times))
        texts.append(QString::number(ms, 'f', 1));
    std::sort(times.begin(), times.end());
    std::printf("%-24s | %-40s | %.1f\n", QTest::currentDataTag(), qPrintable(texts.join(", ")),
                times.at(kStops / 2));
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(bench_RobotStop)
#include "bench_robotstop.moc"
