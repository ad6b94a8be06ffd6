#include "benchprograms.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// The whole program from outside: the time from starting the process to its first frame, and the
// process's peak resident memory until then, with an empty program and with six programs of 60
// commands. Each case runs five times; the median counts.
class bench_Startup : public QObject
{
    Q_OBJECT

private slots:
    void firstFrame_data();
    void firstFrame();

private:
    struct Run
    {
        qint64 milliseconds = -1;
        qint64 peakKiB = -1;
    };
    Run startOnce(const QString &home, const QByteArray &state);
};

void bench_Startup::firstFrame_data()
{
    QTest::addColumn<QJsonObject>("document");
    QTest::newRow("empty program") << QJsonObject{{"ProgData", QJsonArray{QJsonArray{}}}};
    QTest::newRow("six programs of 60 commands") << BenchPrograms::sixPrograms();
}

bench_Startup::Run bench_Startup::startOnce(const QString &home, const QByteArray &state)
{
    // The program saves its state when it quits; every run starts from the same one.
    QFile file(home + QStringLiteral("/Lumakit/states.json"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(state) != state.size())
        return {};
    file.close();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer clock;
    clock.start();
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/taviro-start"),
                  {QStringLiteral("--report-first-frame")});
    QByteArray output;
    while (!output.contains('\n') && process.waitForReadyRead(30000))
        output += process.readAllStandardOutput();
    Run run;
    run.milliseconds = clock.elapsed();
    process.waitForFinished(30000);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("peak resident memory (\\d+) KiB"))
            .match(QString::fromUtf8(output));
    if (!match.hasMatch())
        return {};
    run.peakKiB = match.captured(1).toLongLong();
    return run;
}

void bench_Startup::firstFrame()
{
    QFETCH(QJsonObject, document);
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Lumakit/Programs")));
    document.insert(QStringLiteral("Language"), QStringLiteral("English"));
    const QByteArray state = QJsonDocument(document).toJson(QJsonDocument::Compact);

    QList<qint64> times;
    QList<qint64> peaks;
    for (int i = 0; i < 5; ++i) {
        const Run run = startOnce(home.path(), state);
        QVERIFY2(run.peakKiB > 0, "taviro-start did not report its first frame");
        times.append(run.milliseconds);
        peaks.append(run.peakKiB);
    }
    std::sort(times.begin(), times.end());
    std::sort(peaks.begin(), peaks.end());
    qInfo("start to first frame: %lld ms (median of 5; %lld to %lld); peak resident memory: "
          "%lld KiB (median; %lld to %lld)",
          times.at(2), times.first(), times.last(), peaks.at(2), peaks.first(), peaks.last());
}

QTEST_GUILESS_MAIN(bench_Startup)
#include "bench_startup.moc"
