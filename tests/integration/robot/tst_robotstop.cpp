#include "mworker.h"
#include "reportwait.h"
#include "simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

// Drives forward for ever, with the arena's robot: the program the controller would run on its
// own until it hit a wall.
QJsonObject endlessForward()
{
    QFile file(QStringLiteral(TAVIRO_WORLDS_DIR "/02_arena/explorer.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonArray main{command("mStartCycle"), command("m_fwd", {{"speed", 50}}),
                          command("mEndCycle")};
    document.insert("ProgData", QJsonArray{main});
    return document;
}

struct Sample
{
    qint64 t = 0;
    double left = 0;
    double right = 0;
    double x = 0;
    double y = 0;
};

QList<Sample> readTrace(const QString &path)
{
    QList<Sample> samples;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return samples;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject sample = QJsonDocument::fromJson(line).object();
        if (!sample.contains("t"))
            continue;
        const QJsonObject outputs = sample.value("outputs").toObject();
        samples.append({sample.value("t").toInteger(), outputs.value("left").toDouble(),
                        outputs.value("right").toDouble(), sample.value("x").toDouble(),
                        sample.value("y").toDouble()});
    }
    return samples;
}

bool moving(const Sample &sample)
{
    return sample.left != 0 || sample.right != 0;
}

// Waits until the trace holds `count` samples after the first one that satisfies `wanted`.
QList<Sample> waitForTrace(const QString &path, const std::function<bool(const Sample &)> &wanted,
                           int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QList<Sample> samples;
    while (!deadline.hasExpired()) {
        samples = readTrace(path);
        for (qsizetype i = 0; i < samples.size(); ++i) {
            if (wanted(samples.at(i)) && samples.size() - i > count)
                return samples;
        }
        QTest::qWait(50);
    }
    return samples;
}

} // namespace

// Stop brings the virtual robot to rest: an endless forward cycle is stopped from the editor's
// link and by the end of a timed taviroc run, and the robot's trace shows both wheels at 0.
class tst_RobotStop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stopFromTheEditorsLink();
    void timedTavirocRunHalts();

private:
    static void verifyHalted(const QString &trace);
};

void tst_RobotStop::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    QVERIFY(!endlessForward().isEmpty());
}

void tst_RobotStop::verifyHalted(const QString &trace)
{
    // The robot drove, then its wheels went to 0 and stayed there: it stands where it stopped.
    constexpr int kRestingSamples = 4;
    QList<Sample> samples;
    qsizetype lastMoving = -1;
    QDeadlineTimer deadline(10000);
    do {
        QTest::qWait(50);
        samples = readTrace(trace);
        lastMoving = -1;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            if (moving(samples.at(i)))
                lastMoving = i;
        }
    } while (!deadline.hasExpired() &&
             (lastMoving < 0 || samples.size() - lastMoving <= kRestingSamples));
    QVERIFY2(lastMoving >= 0, "the robot never drove");
    QVERIFY2(samples.size() - lastMoving > kRestingSamples, "the wheels did not stop");
    const Sample &rest = samples.at(lastMoving + 1);
    for (qsizetype i = lastMoving + 1; i < samples.size(); ++i) {
        QCOMPARE(samples.at(i).x, rest.x);
        QCOMPARE(samples.at(i).y, rest.y);
    }
}

void tst_RobotStop::stopFromTheEditorsLink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString trace = dir.filePath("trace.jsonl");
    SimProcess sim;
    QVERIFY(sim.start({"--world", TAVIRO_WORLDS_DIR "/02_arena/world.json", "--trace", trace}));
    mWorker worker;
    QSignalSpy reports(&worker, &mWorker::sigCurState);
    QSignalSpy halts(&worker, &mWorker::sigHaltEnded);
    qsizetype seen = 0;
    auto flag = [](const char *key, int value) {
        return [key, value](const QJsonObject &r) {
            return r.value(QLatin1String(key)).toInt() == value;
        };
    };
    worker.mwSelectDevice(sim.deviceText());
    worker.mwStart();
    worker.mwChangeProg(endlessForward());
    QVERIFY(ReportWait::until(reports, &seen, flag("restart", 1), 30000));
    worker.mwCommand("restart");
    QVERIFY(ReportWait::until(reports, &seen, flag("start", 1), 30000));
    worker.mwCommand("start");
    QVERIFY(ReportWait::until(reports, &seen, flag("run", 1), 10000));
    const QList<Sample> driving = waitForTrace(trace, moving, 2, 10000);
    QVERIFY(!driving.isEmpty() && moving(driving.last()));

    worker.mwCommand("stop");
    QVERIFY(halts.wait(10000));
    QCOMPARE(halts.first().first().toBool(), true);
    QVERIFY(ReportWait::until(
        reports, &seen,
        [](const QJsonObject &r) {
            return r.value("run").toInt() == 0 && r.value("start").toInt() == 1;
        },
        5000));
    verifyHalted(trace);
    QCOMPARE(sim.stop(), 0);
}

void tst_RobotStop::timedTavirocRunHalts()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString trace = dir.filePath("trace.jsonl");
    const QString program = dir.filePath("forward.json");
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(endlessForward()).toJson());
    file.close();
    SimProcess sim;
    QVERIFY(sim.start({"--world", TAVIRO_WORLDS_DIR "/02_arena/world.json", "--trace", trace}));
    QProcess run;
    run.start(TAVIROC_PATH, {"run", "--device", sim.address(), program, "--seconds", "1"});
    QVERIFY(run.waitForFinished(30000));
    QCOMPARE(run.exitCode(), 0);
    verifyHalted(trace);
    QCOMPARE(sim.stop(), 0);
}

QTEST_GUILESS_MAIN(tst_RobotStop)
#include "tst_robotstop.moc"
