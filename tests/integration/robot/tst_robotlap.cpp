#include "mbluetoothconnect.h"
#include "mworker.h"
#include "simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineF>
#include <QLoggingCategory>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <cmath>
#include <csignal>

namespace {

// The shipped track: a stadium line, straights 400 mm long at y = 250 and 750 mm, half circles
// of radius 250 mm around (500, 500) and (900, 500). See tools/make_worlds.py.
constexpr double kCentreX = 700;
constexpr double kCentreY = 500;
constexpr double kStraight = 400;
constexpr double kRadius = 250;
// The robot's centre may swing this far off the line's middle while its sensors follow it.
constexpr double kMaxOffTrackMm = 60;
constexpr int kLapTimeoutMs = 90000;

double distanceFromTrack(double x, double y)
{
    const double dx = std::abs(x - kCentreX) - kStraight / 2;
    const double dy = y - kCentreY;
    if (dx <= 0)
        return std::abs(std::abs(dy) - kRadius);
    return std::abs(std::hypot(dx, dy) - kRadius);
}

// What a trace says about the run so far.
struct Lap
{
    int samples = 0;
    double turnedDegrees = 0; // around the track's centre, counter-clockwise positive
    double worstOffTrack = 0;
    qint64 lastTime = -1;
    bool timesInOrder = true;
};

Lap readLap(const QString &path)
{
    Lap lap;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lap;
    double previousAngle = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject sample = QJsonDocument::fromJson(line).object();
        if (!sample.contains("t"))
            continue;
        const double x = sample.value("x").toDouble();
        const double y = sample.value("y").toDouble();
        const qint64 t = sample.value("t").toInteger();
        lap.timesInOrder = lap.timesInOrder && t > lap.lastTime && t % 50 == 0;
        const double angle = qRadiansToDegrees(std::atan2(y - kCentreY, x - kCentreX));
        if (lap.samples > 0)
            lap.turnedDegrees += std::remainder(angle - previousAngle, 360.0);
        previousAngle = angle;
        lap.worstOffTrack = qMax(lap.worstOffTrack, distanceFromTrack(x, y));
        lap.lastTime = t;
        ++lap.samples;
    }
    return lap;
}

QStringList worldArguments(const QString &trace, const QString &world = QStringLiteral("01_track"))
{
    return {"--world", QStringLiteral(TAVIRO_WORLDS_DIR "/%1/world.json").arg(world), "--trace",
            trace};
}

QJsonObject shippedProgram(const QString &path)
{
    QFile file(QStringLiteral(TAVIRO_WORLDS_DIR "/") + path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool waitForFlag(QSignalSpy &spy, const char *key, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    qsizetype seen = 0;
    while (!deadline.hasExpired()) {
        for (; seen < spy.count(); ++seen) {
            if (spy.at(seen).at(0).toJsonObject().value(QLatin1String(key)).toInt() == 1)
                return true;
        }
        spy.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return false;
}

} // namespace

// The shipped line follower keeps the virtual robot on the shipped track for a whole lap, with
// the controller and its robot in a taviro-sim process of their own.
class tst_RobotLap : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lapDrivenByTheEditorsLink();
    void lapDrivenByTaviroRun();
    void explorerRoamsTheArena();

private:
    void runProgram(mWorker &worker, const SimProcess &sim, const QJsonObject &program);
    void verifyLap(const QString &trace);
};

void tst_RobotLap::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    QVERIFY2(!shippedProgram("01_track/line-follower.json").isEmpty(),
             "the shipped line follower cannot be read");
}

void tst_RobotLap::verifyLap(const QString &trace)
{
    // Wait for the lap, failing as soon as the robot leaves the track.
    Lap lap;
    QDeadlineTimer deadline(kLapTimeoutMs);
    while (!deadline.hasExpired()) {
        lap = readLap(trace);
        if (lap.worstOffTrack > kMaxOffTrackMm || lap.turnedDegrees >= 360)
            break;
        QTest::qWait(250);
    }
    qInfo("lap: %d samples, %.0f degrees round the track, at most %.1f mm off the line",
          lap.samples, lap.turnedDegrees, lap.worstOffTrack);
    QVERIFY(lap.samples > 0);
    QVERIFY2(lap.timesInOrder, "trace lines are not 50 ms apart in order");
    QVERIFY2(lap.worstOffTrack <= kMaxOffTrackMm, "the robot left the track");
    QVERIFY2(lap.turnedDegrees >= 360, "no full lap in time");
}

void tst_RobotLap::lapDrivenByTheEditorsLink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString trace = dir.filePath("trace.jsonl");
    SimProcess sim;
    QVERIFY(sim.start(worldArguments(trace)));
    mWorker worker;
    runProgram(worker, sim, shippedProgram("01_track/line-follower.json"));
    verifyLap(trace);
    worker.mwCommand("stop");
    QCOMPARE(sim.stop(), 0);
}

void tst_RobotLap::runProgram(mWorker &worker, const SimProcess &sim, const QJsonObject &program)
{
    // The same facade the editor uses: connect, hand over the program, restart, start.
    QSignalSpy reports(&worker, &mWorker::sigCurState);
    worker.mwSelectDevice(mBluetoothConnect::deviceText("Virtual", sim.address()));
    worker.mwStart();
    worker.mwChangeProg(program);
    QVERIFY(waitForFlag(reports, "restart", 30000));
    worker.mwCommand("restart");
    QVERIFY(waitForFlag(reports, "start", 30000));
    worker.mwCommand("start");
    QVERIFY(waitForFlag(reports, "stop", 10000));
}

void tst_RobotLap::explorerRoamsTheArena()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString trace = dir.filePath("trace.jsonl");
    SimProcess sim;
    QVERIFY(sim.start(worldArguments(trace, "02_arena")));
    mWorker worker;
    runProgram(worker, sim, shippedProgram("02_arena/explorer.json"));
    if (QTest::currentTestFailed())
        return;

    // It drives, turns away from walls (its distance sensor reads near ones), and its body
    // never enters a wall: the arena's inside is 20-980 x 20-780 mm, the body 75 mm round.
    double path = 0;
    double lowestDistance = 255;
    bool insideArena = true;
    QDeadlineTimer deadline(40000);
    while (!deadline.hasExpired() && (path < 1500 || lowestDistance > 15)) {
        path = 0;
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QPointF previous;
        bool first = true;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject sample = QJsonDocument::fromJson(line).object();
            if (!sample.contains("t"))
                continue;
            const QPointF at(sample.value("x").toDouble(), sample.value("y").toDouble());
            if (!first)
                path += QLineF(previous, at).length();
            first = false;
            previous = at;
            insideArena = insideArena && at.x() >= 95 - 0.5 && at.x() <= 905 + 0.5 &&
                          at.y() >= 95 - 0.5 && at.y() <= 705 + 0.5;
            lowestDistance =
                qMin(lowestDistance, sample.value("inputs").toObject().value("A0").toDouble(255));
        }
        QTest::qWait(250);
    }
    qInfo("explorer: %.0f mm driven, nearest wall read as %.0f", path, lowestDistance);
    QVERIFY(insideArena);
    QVERIFY(path >= 1500);
    QVERIFY(lowestDistance <= 15);
    worker.mwCommand("stop");
    QCOMPARE(sim.stop(), 0);
}

void tst_RobotLap::lapDrivenByTaviroRun()
{
    QProcess help;
    help.start(TAVIROC_PATH, {"run", "--help"});
    if (!help.waitForFinished(10000) || help.exitCode() != 0)
        QSKIP("this taviroc has no run command");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString trace = dir.filePath("trace.jsonl");
    const QString program = dir.filePath("line-follower.json");
    QVERIFY(QFile::copy(QStringLiteral(TAVIRO_WORLDS_DIR "/01_track/line-follower.json"), program));
    SimProcess sim;
    QVERIFY(sim.start(worldArguments(trace)));
    QProcess run;
    run.start(TAVIROC_PATH, {"run", "--device", sim.address(), program, "--seconds",
                             QString::number(kLapTimeoutMs / 1000)});
    QVERIFY(run.waitForStarted(10000));
    verifyLap(trace);
    run.kill();
    run.waitForFinished(5000);
    QCOMPARE(sim.stop(), 0);
}

QTEST_GUILESS_MAIN(tst_RobotLap)
#include "tst_robotlap.moc"
