#include "internalworker.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "memoryimage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace LinkTestProgram;

namespace {

// taviro-sim as a child process on a free loopback port; stopped with SIGTERM at the end.
class SimProcess
{
public:
    bool start(const QStringList &arguments)
    {
        m_process.start(TAVIRO_SIM_PATH, QStringList{"--listen", "127.0.0.1:0"} + arguments);
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.contains('\n') && clock.elapsed() < 10000) {
            m_process.waitForReadyRead(200);
            line += m_process.readAllStandardOutput();
        }
        const QByteArray prefix = "listening on 127.0.0.1:";
        if (!line.startsWith(prefix))
            return false;
        m_port = line.mid(prefix.size()).trimmed().toUShort();
        return m_port != 0;
    }
    QString address() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port); }
    QString deviceText() const { return mBluetoothConnect::deviceText("Virtual", address()); }
    QProcess &process() { return m_process; }
    // Ends it the way a user would; returns the exit code.
    int stop(int signal = SIGTERM)
    {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(10000))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result taviroc(const QStringList &arguments)
{
    QProcess process;
    process.start(TAVIROC_PATH, arguments);
    Result result;
    if (!process.waitForFinished(100000)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

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
};

void tst_LinkIntegration::writeThenRead_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<int>("extraCommands");
    QTest::newRow("clean link") << QStringList{} << 0;
    QTest::newRow("large program") << QStringList{} << 200;
    QTest::newRow("every fault switch") << QStringList{"--interval",      "20", "--drop-every", "3",
                                                       "--corrupt-every", "4",  "--latency",    "2"}
                                        << 40;
}

void tst_LinkIntegration::writeThenRead()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, extraCommands);
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
    const Result write =
        taviroc({"write", "--device", sim.address(), programPath, "--timeout", "60"});
    QVERIFY2(write.exitCode == 0, write.err.constData());

    const QString readPath = dir.filePath("read.json");
    const Result read =
        taviroc({"read", "--device", sim.address(), "-o", readPath, "--timeout", "60"});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    QCOMPARE(readJson(readPath), expectedReadBack(program));

    // Printed to stdout without -o.
    const Result printed = taviroc({"read", "--device", sim.address(), "--timeout", "60"});
    QCOMPARE(printed.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(printed.out).object(), expectedReadBack(program));

    QCOMPARE(sim.stop(SIGINT), 0);
    QFile saved(eeprom);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), memoryOf(program));

    // A new controller process starts from the saved memory.
    SimProcess again;
    QVERIFY(again.start({"--eeprom", eeprom}));
    const Result reread = taviroc({"read", "--device", again.address(), "--timeout", "60"});
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
    const Result write = taviroc({"write", "--device", sim.address(), programPath});
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
    const Result read = taviroc({"read", "--device", sim.address(), "--timeout", "30"});
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
    const Result write = taviroc({"write", "--device", address, programPath, "--timeout", "2"});
    QCOMPARE(write.exitCode, 3);
    // One line of reason, whatever the compiler logged before it.
    QCOMPARE(write.err.count("taviroc: "), 1);
    QVERIFY(write.err.contains("timeout after 2 s"));
    const Result read = taviroc({"read", "--device", address, "--timeout", "1"});
    QCOMPARE(read.exitCode, 3);
    const Result bad = taviroc({"read", "--device", "tcp://nowhere"});
    QCOMPARE(bad.exitCode, 2);
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
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), 1, 10000);
    sim.process().write("di 5 1\nai 3 200\nnonsense\n");
    QTRY_COMPARE_WITH_TIMEOUT(report.value("DI").toArray().at(5).toInt(), 1, 5000);
    QCOMPARE(report.value("AI").toArray().at(3).toInt(), 200);
    // Closing its input and dropping its client do not end the controller.
    sim.process().closeWriteChannel();
    worker.mwSelectDevice(sim.deviceText());
    QCOMPARE(worker.state(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), 1, 10000);
    QCOMPARE(sim.process().state(), QProcess::Running);
    QCOMPARE(sim.stop(), 0);
}

QTEST_GUILESS_MAIN(tst_LinkIntegration)
#include "tst_linkintegration.moc"
