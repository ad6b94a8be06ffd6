#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "memoryimage.h"
#include "simprocess.h"
#include "tavirocrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace LinkProtocol;

using namespace LinkTestProgram;

namespace {

bool writeJson(const QString &path, const QJsonObject &object)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(object).toJson()) > 0;
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

class tst_LinkIntegration : public QObject
{
    Q_OBJECT
private slots:
    void writeThenRead_data();
    void writeThenRead();
    void refusesProgramThatDoesNotCompile();
    void readOfErasedMemoryDoesNotDecode();
    void unreachableControllerTimesOut();
    void simulatorTakesInputsAndOutlivesClients();
    void runFollowsProgram_data();
    void runFollowsProgram();
    void runOfEndlessCycleStopsAfterSeconds();
    void runRefusesProgramThatDoesNotCompile();
    void classOfRobots();
};

void tst_LinkIntegration::writeThenRead_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<int>("extraCommands");
    // The slow rows only write and read once, to keep the test short.
    QTest::addColumn<bool>("rereads");
    QTest::newRow("clean link") << QStringList{} << 0 << true;
    QTest::newRow("large program") << QStringList{} << 200 << true;
    QTest::newRow("every fault switch") << QStringList{"--interval",      "20", "--drop-every", "3",
                                                       "--corrupt-every", "4",  "--latency",    "2"}
                                        << 40 << true;
    // An AVR's EEPROM and a radio link, with state packets faster than a chunk is written.
    const QStringList slow{"--ms-per-byte", "3.3", "--step-ms", "30",
                           "--interval",    "50",  "--latency", "5"};
    QTest::newRow("slow controller") << slow << 40 << false;
    QTest::newRow("slow controller, lost replies")
        << slow + QStringList{"--drop-every", "5"} << 40 << false;
    QTest::newRow("slow controller, noise") << slow + QStringList{"--noise"} << 40 << false;
    QTest::newRow("slow controller, lost requests")
        << slow + QStringList{"--lose-request-every", "7"} << 40 << false;
}

void tst_LinkIntegration::writeThenRead()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, extraCommands);
    QFETCH(bool, rereads);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString eeprom = dir.filePath("eeprom.bin");
    SimProcess sim;
    QVERIFY(sim.start(simArguments + QStringList{"--eeprom", eeprom}));

    const QJsonObject program = sampleProgram(extraCommands);
    ImageBuilder builder;
    QVERIFY(builder.buildImage(program).success);
    const QString programPath = dir.filePath("program.json");
    QVERIFY(writeJson(programPath, program));
    const TavirocRun write =
        taviroc({"write", "--device", sim.address(), programPath, "--timeout", "60"});
    QVERIFY2(write.exitCode == 0, write.err.constData());

    const QString readPath = dir.filePath("read.json");
    const TavirocRun read =
        taviroc({"read", "--device", sim.address(), "-o", readPath, "--timeout", "60"});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    QCOMPARE(readJson(readPath), expectedReadBack(program));
    if (!rereads) {
        QCOMPARE(sim.stop(), 0);
        QFile saved(eeprom);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), memoryOf(program));
        return;
    }

    // Printed to stdout without -o.
    const TavirocRun printed = taviroc({"read", "--device", sim.address(), "--timeout", "60"});
    QCOMPARE(printed.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(printed.out).object(), expectedReadBack(program));

    QCOMPARE(sim.stop(SIGINT), 0);
    QFile saved(eeprom);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), memoryOf(program));

    // A new controller process starts from the saved memory.
    SimProcess again;
    QVERIFY(again.start({"--eeprom", eeprom}));
    const TavirocRun reread = taviroc({"read", "--device", again.address(), "--timeout", "60"});
    QCOMPARE(reread.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(reread.out).object(), expectedReadBack(program));
    QCOMPARE(again.stop(), 0);
}

void tst_LinkIntegration::refusesProgramThatDoesNotCompile()
{
    QTemporaryDir dir;
    const QString eeprom = dir.filePath("eeprom.bin");
    SimProcess sim;
    QVERIFY(sim.start({"--eeprom", eeprom}));
    QJsonObject program = sampleProgram();
    program["ProgData"] = QJsonArray{QJsonArray{command("call", {{"proc", 4}})}};
    const QString programPath = dir.filePath("bad.json");
    QVERIFY(writeJson(programPath, program));
    const TavirocRun write = taviroc({"write", "--device", sim.address(), programPath});
    QCOMPARE(write.exitCode, 1);
    QVERIFY(write.err.contains("nothing was sent"));
    QCOMPARE(sim.stop(), 0);
    QFile saved(eeprom);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(kMemorySize, '\xff'));
}

void tst_LinkIntegration::readOfErasedMemoryDoesNotDecode()
{
    SimProcess sim;
    QVERIFY(sim.start({}));
    const TavirocRun read = taviroc({"read", "--device", sim.address(), "--timeout", "30"});
    QCOMPARE(read.exitCode, 1);
    QVERIFY(read.out.isEmpty());
}

void tst_LinkIntegration::unreachableControllerTimesOut()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    QTemporaryDir dir;
    const QString programPath = dir.filePath("program.json");
    QVERIFY(writeJson(programPath, sampleProgram()));
    const TavirocRun write = taviroc({"write", "--device", address, programPath, "--timeout", "2"});
    QCOMPARE(write.exitCode, 3);
    // One line of reason, whatever the compiler logged before it.
    QCOMPARE(write.err.count("taviroc: "), 1);
    QVERIFY(write.err.contains("timeout after 2 s"));
    const TavirocRun read = taviroc({"read", "--device", address, "--timeout", "1"});
    QCOMPARE(read.exitCode, 3);
    const TavirocRun run = taviroc({"run", "--device", address, programPath, "--timeout", "1"});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.err.count("taviroc: "), 1);
    QVERIFY(run.out.isEmpty());
    const TavirocRun bad = taviroc({"read", "--device", "tcp://nowhere"});
    QCOMPARE(bad.exitCode, 2);
}

void tst_LinkIntegration::classOfRobots()
{
    QTemporaryDir home;
    // taviroc keeps the class in the home folder.
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", realHome); });
    SimProcess sim;
    QVERIFY(sim.start({"--robots", "3", "--eeprom", home.filePath("robot.bin")}));
    for (int i = 0; i < 3; ++i) {
        const TavirocRun rename =
            taviroc({"rename", "--device", sim.address(i), QStringLiteral("Robot %1").arg(i + 1)});
        QVERIFY2(rename.exitCode == 0, rename.err.constData());
    }
    const QJsonObject program = sampleProgram(24);
    const QString programPath = home.filePath("program.json");
    QVERIFY(writeJson(programPath, program));
    const QStringList all{"--device",     sim.address(0), "--device",
                          sim.address(1), "--device",     sim.address(2)};
    const TavirocRun write = taviroc(QStringList{"write"} + all + QStringList{programPath});
    QVERIFY2(write.exitCode == 0, write.err.constData());
    QCOMPARE(write.out, QStringLiteral("%1\tRobot 1\twritten\n%2\tRobot 2\twritten\n"
                                       "%3\tRobot 3\twritten\n")
                            .arg(sim.address(0), sim.address(1), sim.address(2))
                            .toUtf8());

    QVERIFY(QDir(home.path()).mkdir("class"));
    const TavirocRun read =
        taviroc(QStringList{"read"} + all + QStringList{"--output-dir", home.filePath("class")});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    for (int i = 0; i < 3; ++i) {
        QJsonObject document =
            readJson(home.filePath(QStringLiteral("class/Robot %1.json").arg(i + 1)));
        QCOMPARE(document.take("robot").toObject(),
                 (QJsonObject{{"name", QStringLiteral("Robot %1").arg(i + 1)},
                              {"address", sim.address(i)},
                              {"number", i + 1}}));
        QCOMPARE(document, expectedReadBack(program));
    }

    // One robot out of reach: the others are written, and the exit says not all were.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString away = QStringLiteral("tcp://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    const TavirocRun partly = taviroc(
        {"write", "--device", sim.address(0), "--device", away, programPath, "--timeout", "2"});
    QCOMPARE(partly.exitCode, 3);
    const QList<QByteArray> lines = partly.out.split('\n');
    QCOMPARE(lines.value(0), QStringLiteral("%1\tRobot 1\twritten").arg(sim.address(0)).toUtf8());
    QVERIFY2(lines.value(1).startsWith(away.toUtf8() + "\t-\tfailed: timeout after 2 s"),
             partly.out.constData());
    QCOMPARE(sim.stop(), 0);
    for (int i = 1; i <= 3; ++i) {
        QFile saved(home.filePath(QStringLiteral("robot.bin.%1").arg(i)));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), memoryOf(program));
    }
}

void tst_LinkIntegration::simulatorTakesInputsAndOutlivesClients()
{
    SimProcess sim;
    QVERIFY(sim.start({"--interval", "20"}));
    internalWorker worker;
    QJsonObject report;
    connect(&worker, &internalWorker::sigCurState, this, [&report](const QString &text) {
        report = QJsonDocument::fromJson(text.toUtf8()).object();
    });
    worker.mwStart();
    worker.mwSelectDevice(sim.deviceText());
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    sim.process().write("di 5 1\nai 3 200\nnonsense\n");
    QTRY_COMPARE_WITH_TIMEOUT(report.value("DI").toArray().at(5).toInt(), 1, 5000);
    QCOMPARE(report.value("AI").toArray().at(3).toInt(), 200);
    // Closing its input and dropping its client do not end the controller.
    sim.process().closeWriteChannel();
    worker.mwSelectDevice(sim.deviceText());
    QCOMPARE(worker.state(), WorkerState::Disconnected);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 10000);
    QCOMPARE(sim.process().state(), QProcess::Running);
    QCOMPARE(sim.stop(), 0);
}

void tst_LinkIntegration::runFollowsProgram_data()
{
    QTest::addColumn<QStringList>("simArguments");
    // Step packets are answered later than three state packets, and requests get lost.
    QTest::newRow("late step replies, lost requests") << QStringList{
        "--interval", "20", "--step-ms", "80", "--latency", "5", "--lose-request-every", "7"};
    QTest::newRow("late step replies, lost replies, noise") << QStringList{
        "--interval", "20", "--step-ms", "80", "--latency", "5", "--drop-every", "6", "--noise"};
}

void tst_LinkIntegration::runFollowsProgram()
{
    QFETCH(QStringList, simArguments);
    // 25 commands in the main program, the 13th calls a subprogram of 5: 30 executed.
    QJsonArray main;
    QStringList expected;
    for (int row = 1; row <= 25; ++row) {
        if (row == 13) {
            main.append(command("call", {{"proc", 1}}));
            expected << "main 13 call";
            for (int sub = 1; sub <= 5; ++sub)
                expected << QStringLiteral("sub1 %1 mSetleds").arg(sub);
        } else if (row % 2) {
            main.append(command("mSetleds", {{"pin", QStringLiteral("D%1").arg(row % 8)},
                                             {"state", row % 4 == 1 ? 1 : 0}}));
            expected << QStringLiteral("main %1 mSetleds").arg(row);
        } else {
            main.append(command("m_fwd", {{"speed", row * 4}}));
            expected << QStringLiteral("main %1 m_fwd").arg(row);
        }
    }
    QJsonArray sub;
    for (int i = 0; i < 5; ++i)
        sub.append(command("mSetleds", {{"pin", QStringLiteral("D%1").arg(i)}, {"state", 1}}));
    const QJsonObject program{{"ProgData", QJsonArray{main, sub}},
                              {"configuration", sampleProgram().value("configuration")}};
    QTemporaryDir dir;
    const QString programPath = dir.filePath("run.json");
    QVERIFY(writeJson(programPath, program));
    SimProcess sim;
    QVERIFY(sim.start(simArguments));
    const TavirocRun run =
        taviroc({"run", "--device", sim.address(), programPath, "--timeout", "60"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, expected);
    QCOMPARE(sim.stop(), 0);
}

void tst_LinkIntegration::runOfEndlessCycleStopsAfterSeconds()
{
    const QJsonObject program{
        {"ProgData", QJsonArray{QJsonArray{command("mStartCycle"),
                                           command("mSetleds", {{"pin", "D2"}, {"state", 1}}),
                                           command("mEndCycle")}}},
        {"configuration", sampleProgram().value("configuration")}};
    QTemporaryDir dir;
    const QString programPath = dir.filePath("endless.json");
    QVERIFY(writeJson(programPath, program));
    SimProcess sim;
    QVERIFY(sim.start({"--interval", "20"}));
    QElapsedTimer clock;
    clock.start();
    const TavirocRun run = taviroc(
        {"run", "--device", sim.address(), programPath, "--seconds", "1", "--timeout", "20"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(clock.elapsed() >= 1000);
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 6, run.out.constData());
    QCOMPARE(lines.first(), QString("main 1 mStartCycle"));
    // After the start, the body and the end take turns until the stop.
    for (int i = 1; i < lines.size(); ++i)
        QCOMPARE(lines[i], QString(i % 2 ? "main 2 mSetleds" : "main 3 mEndCycle"));

    // The run was stopped: the controller takes the next one at once.
    const TavirocRun again = taviroc(
        {"run", "--device", sim.address(), programPath, "--seconds", "1", "--timeout", "20"});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(sim.stop(), 0);
}

void tst_LinkIntegration::runRefusesProgramThatDoesNotCompile()
{
    QTemporaryDir dir;
    SimProcess sim;
    QVERIFY(sim.start({}));
    QJsonObject program = sampleProgram();
    program["ProgData"] = QJsonArray{QJsonArray{command("call", {{"proc", 4}})}};
    const QString programPath = dir.filePath("bad.json");
    QVERIFY(writeJson(programPath, program));
    const TavirocRun run = taviroc({"run", "--device", sim.address(), programPath});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains("nothing was sent"));
    const TavirocRun usage =
        taviroc({"run", "--device", sim.address(), programPath, "--seconds", "x"});
    QCOMPARE(usage.exitCode, 2);
    QCOMPARE(sim.stop(), 0);
}

QTEST_GUILESS_MAIN(tst_LinkIntegration)
#include "tst_linkintegration.moc"
