#include "internalworker.h"
#include "linkproblem.h"
#include "linktestprogram.h"
#include "mbluetoothconnect.h"
#include "transferprogress.h"
#include "virtualcontroller.h"
#include "virtualcontrollerserial.h"
#include "virtualserialports.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

using namespace LinkProtocol;

using namespace LinkTestProgram;

namespace {
// Fast enough that a whole memory crosses the line in half a second.
constexpr int kTestBaudRate = 115200;

QString serialText(const QString &path)
{
    return mBluetoothConnect::deviceText(
        QStringLiteral("Cable"), QStringLiteral("serial:%1@%2").arg(path).arg(kTestBaudRate));
}
} // namespace

// The worker over a serial port: the virtual controller served on a pseudo-terminal, opened like
// a USB cable or a bound Bluetooth module, through the same connection steps as the other kinds.
class tst_SerialLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void writeReadAndRun();
    void cablePulledMidWrite();
    void portRefused_data();
    void portRefused();
    void publishedPorts_data();
    void publishedPorts();

private:
    // Hands the worker the program and connects it to the port.
    void connectWorker(internalWorker &worker, const QJsonObject &program);

    QTemporaryDir m_dir;
    VirtualController m_controller;
    std::unique_ptr<VirtualControllerSerial> m_serial;
    QString m_path;
};

void tst_SerialLink::init()
{
    m_serial = std::make_unique<VirtualControllerSerial>(m_controller);
    m_serial->setBaudRate(kTestBaudRate);
    m_controller.setStateInterval(50);
    m_path = m_dir.filePath(QStringLiteral("robot"));
    QVERIFY2(m_serial->open(m_path), qPrintable(m_serial->errorString()));
}

void tst_SerialLink::connectWorker(internalWorker &worker, const QJsonObject &program)
{
    worker.mwChangeProg(program);
    worker.mwStart();
    worker.mwSelectDevice(serialText(m_path));
    worker.tslt();
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 5000);
    QVERIFY(m_serial->hasClient());
}

void tst_SerialLink::writeReadAndRun()
{
    const QJsonObject program = sampleProgram(260);
    internalWorker worker;
    QSignalSpy programs(&worker, &internalWorker::sigReadProg);
    connectWorker(worker, program);
    if (QTest::currentTestFailed())
        return;
    worker.mwCommand("write");
    QCOMPARE(worker.state(), WorkerState::Writing);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Connected, 20000);
    QCOMPARE(m_controller.eeprom(), memoryOf(program));
    worker.mwCommand("read");
    QTRY_COMPARE_WITH_TIMEOUT(programs.size(), 1, 20000);
    QCOMPARE(programs[0][0].toJsonObject(), expectedReadBack(program));

    const QJsonObject run{
        {"ProgData", QJsonArray{QJsonArray{command("m_fwd", {{"speed", 40}}),
                                           command("mSetleds", {{"pin", "D2"}, {"state", 1}}),
                                           command("m_stop", {{"brake", 1}})}}},
        {"configuration", QJsonObject{{"Motor1", 1}, {"Motor2", 2}}}};
    QSignalSpy done(&worker, &internalWorker::sigCommandDone);
    QSignalSpy ended(&worker, &internalWorker::sigRunEnded);
    worker.mwChangeProg(run);
    worker.mwCommand("restart");
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Ready, 5000);
    worker.mwCommand("start");
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
    QCOMPARE(ended[0][0].toBool(), true);
    QCOMPARE(done.size(), 3);
}

void tst_SerialLink::cablePulledMidWrite()
{
    const QJsonObject program = sampleProgram(260);
    internalWorker worker;
    QSignalSpy problems(&worker, &internalWorker::sigLinkProblem);
    QSignalSpy ends(&worker, &internalWorker::sigTransferEnded);
    QSignalSpy programs(&worker, &internalWorker::sigReadProg);
    connectWorker(worker, program);
    if (QTest::currentTestFailed())
        return;
    worker.mwCommand("write");
    QTRY_VERIFY_WITH_TIMEOUT(worker.memoryAddress() >= 1024, 10000);
    m_serial->unplug(3000);
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Disconnected, 5000);
    // The write waits for the link; plugged out, the page says so until the port is back.
    QCOMPARE(ends.size(), 1);
    QCOMPARE(ends[0][1].toInt(), int(LinkTransfer::WaitingForLink));
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 5000);
    QCOMPARE(problems.last()[0].toInt(), int(LinkProblem::PortMissing));

    QSignalSpy back(m_serial.get(), &VirtualControllerSerial::pluggedIn);
    QVERIFY(back.wait(5000));
    QSignalSpy ticks(&worker, &internalWorker::sigErrorConnect);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(worker.state(), WorkerState::Writing, 5000);
    const qint64 resumedMs = clock.elapsed();
    QTRY_COMPARE_WITH_TIMEOUT(ends.size(), 2, 20000);
    qInfo("write resumed %lld ms and done %lld ms after the cable was back, %lld watchdog ticks",
          resumedMs, clock.elapsed(), qint64(ticks.size()));
    QVERIFY(ticks.size() <= 2);
    QCOMPARE(ends[1][1].toInt(), int(LinkTransfer::Done));
    QCOMPARE(m_controller.eeprom(), memoryOf(program));
    worker.mwCommand("read");
    QTRY_COMPARE_WITH_TIMEOUT(programs.size(), 1, 20000);
    QCOMPARE(programs[0][0].toJsonObject(), expectedReadBack(program));
}

void tst_SerialLink::portRefused_data()
{
    QTest::addColumn<bool>("permission");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("no permission") << true << QByteArray("join the group dialout");
    QTest::newRow("held by another program") << false << QByteArray("is busy");
}

void tst_SerialLink::portRefused()
{
    QFETCH(bool, permission);
    QFETCH(QByteArray, reason);
    QSerialPort other(m_path);
    QStringList command{QStringLiteral(TAVIROC_PATH)};
    if (permission) {
        // As a port of the dialout group the user is not in; root is made to honour that too.
        QVERIFY(::chown(QFile::encodeName(m_serial->terminalPath()).constData(), getuid(),
                        getgrnam("dialout")->gr_gid) == 0);
        QVERIFY(
            QFile::setPermissions(m_serial->terminalPath(), QFile::ReadGroup | QFile::WriteGroup));
        if (::getuid() == 0)
            command = QStringList{"setpriv", "--bounding-set", "-dac_override,-dac_read_search"} +
                      command;
    } else {
        QVERIFY(other.open(QIODevice::ReadWrite));
    }
    QTemporaryDir dir;
    QFile file(dir.filePath("program.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(sampleProgram()).toJson());
    file.close();
    QProcess taviroc;
    const QString program = command.takeFirst();
    taviroc.start(program, command + QStringList{"write", "--device", "serial:" + m_path,
                                                 "--timeout", "2", file.fileName()});
    QVERIFY(taviroc.waitForFinished(20000));
    const QByteArray error = taviroc.readAllStandardError();
    QVERIFY2(taviroc.exitCode() == 3, error.constData());
    QVERIFY2(error.contains(reason), error.constData());
}

void tst_SerialLink::publishedPorts_data()
{
    QTest::addColumn<QString>("problem"); // with the folder
    QTest::addColumn<int>("mode");        // Qt's flags of the folder made before: 0 none, -1 a link
    QTest::addColumn<QString>("target");  // of the published link; empty: the terminal
    QTest::addColumn<QString>("foreign"); // handed to another user
    QTest::newRow("missing, made for the owner") << QString() << 0 << QString() << QString();
    QTest::newRow("another user's") << "belongs to another user" << 0x7700 << QString() << ".";
    QTest::newRow("open to all") << "written by other users" << 0x7777 << QString() << QString();
    QTest::newRow("a link instead") << "is a symbolic link" << -1 << QString() << QString();
    QTest::newRow("link to a file") << QString() << 0x7700 << "/etc/passwd" << QString();
    QTest::newRow("dangling link") << QString() << 0x7700 << "/nowhere" << QString();
    QTest::newRow("another user's link") << QString() << 0x7700 << QString() << "taviro-sim-1";
}

void tst_SerialLink::publishedPorts()
{
    QFETCH(QString, problem);
    QFETCH(int, mode);
    QFETCH(QString, target);
    QFETCH(QString, foreign);
    if (!foreign.isEmpty() && ::getuid() != 0)
        QSKIP("only root can hand a file to another user");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString dir = runtime.filePath("taviro-serial"), name = "taviro-sim-1";
    QVERIFY(mode <= 0 ||
            (QDir().mkdir(dir) && QFile::setPermissions(dir, QFile::Permissions(mode))));
    QVERIFY(mode >= 0 || QFile::link(runtime.path(), dir));
    QVERIFY(foreign != "." || ::lchown(QFile::encodeName(dir + '/' + foreign), 65534, 65534) == 0);
    QString error;
    const QString link = VirtualSerialPorts::publish(
        name, target.isEmpty() ? m_serial->terminalPath() : target, &error);
    QVERIFY2(error.contains(problem) && link.isEmpty() == !problem.isEmpty(), qPrintable(error));
    QVERIFY(foreign != name || ::lchown(QFile::encodeName(dir + '/' + foreign), 65534, 65534) == 0);
    QVERIFY(mode || QFile::permissions(dir) == QFile::Permissions(0x7700)); // made for the owner
    if (!problem.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(problem));
    const bool listed = target.isEmpty() && foreign.isEmpty() && problem.isEmpty();
    QCOMPARE(VirtualSerialPorts::present(), listed ? QStringList{link} : QStringList{});
}

QTEST_GUILESS_MAIN(tst_SerialLink)
#include "tst_seriallink.moc"
