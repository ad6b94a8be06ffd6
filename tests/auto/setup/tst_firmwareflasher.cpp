#include "firmwareflasher.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Fake flashing scripts in a temporary application folder; no real flasher is ever run.
class tst_FirmwareFlasher : public QObject
{
    Q_OBJECT
private slots:
    void missingFolderOrScript_data();
    void missingFolderOrScript();
    void scriptOutcome_data();
    void scriptOutcome();
    void secondStartWhileFlashingIsRefused();
    void windowsLayoutStartsScriptItself();
    void scriptThatCannotStartFreesTheButton();

private:
    static void writeScript(const QString &path, const QByteArray &body, bool executable = true);
};

void tst_FirmwareFlasher::writeScript(const QString &path, const QByteArray &body, bool executable)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/bash\n" + body);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

void tst_FirmwareFlasher::missingFolderOrScript_data()
{
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QString>("createFolder");
    QTest::addColumn<int>("expected");

    const int noDir = int(FirmwareFlasher::StartResult::DirectoryNotFound);
    const int noScript = int(FirmwareFlasher::StartResult::ScriptNotFound);
    QTest::newRow("linux, no folder") << false << QString() << noDir;
    QTest::newRow("linux, other platform's folder only") << false << "firmware/windows" << noDir;
    QTest::newRow("linux, folder without script") << false << "firmware/linux" << noScript;
    QTest::newRow("windows, no folder") << true << QString() << noDir;
    QTest::newRow("windows, folder without script") << true << "firmware/windows" << noScript;
}

void tst_FirmwareFlasher::missingFolderOrScript()
{
    QFETCH(bool, windows);
    QFETCH(QString, createFolder);
    QFETCH(int, expected);

    QTemporaryDir app;
    if (!createFolder.isEmpty())
        QVERIFY(QDir(app.path()).mkpath(createFolder));
    FirmwareFlasher flasher;
    flasher.setApplicationFolder(app.path());
    flasher.setWindowsLayout(windows);
    QSignalSpy started(&flasher, &FirmwareFlasher::flashingStarted);

    QCOMPARE(int(flasher.start(QStringLiteral("COM3"))), expected);
    QVERIFY(!flasher.isFlashing());
    QVERIFY(!flasher.process());
    QCOMPARE(started.count(), 0);
}

void tst_FirmwareFlasher::scriptOutcome_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("success");

    QTest::newRow("success") << QByteArray("echo flashing \"$1\"\nexit 0\n") << "/dev/ttyUSB0"
                             << true;
    QTest::newRow("failure") << QByteArray("echo 'no firmware' >&2\nexit 4\n") << "/dev/ttyUSB0"
                             << false;
    QTest::newRow("crash") << QByteArray("kill -9 $$\n") << "COM4" << false;
    QTest::newRow("empty port") << QByteArray("[ -n \"$1\" ] || exit 2\n") << QString() << false;
}

void tst_FirmwareFlasher::scriptOutcome()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, port);
    QFETCH(bool, success);

    QTemporaryDir app;
    const QString record = app.filePath(QStringLiteral("args"));
    writeScript(app.filePath(QStringLiteral("firmware/linux/prog2")),
                "printf '%s|%s\\n' \"$PWD\" \"$*\" > '" + record.toUtf8() + "'\n" + body, false);
    FirmwareFlasher flasher;
    flasher.setApplicationFolder(app.path());
    flasher.setWindowsLayout(false);
    QSignalSpy finished(&flasher, &FirmwareFlasher::flashingFinished);

    QCOMPARE(flasher.start(port), FirmwareFlasher::StartResult::Started);
    QVERIFY(flasher.isFlashing());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), success);
    QVERIFY(!flasher.isFlashing());

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString expectedDir =
        QDir(app.filePath(QStringLiteral("firmware/linux"))).canonicalPath();
    QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), expectedDir + QLatin1Char('|') + port);
    // The finished process is released.
    QTRY_VERIFY(!flasher.process());
}

void tst_FirmwareFlasher::secondStartWhileFlashingIsRefused()
{
    QTemporaryDir app;
    const QString runs = app.filePath(QStringLiteral("runs"));
    // Waits on standard input, so the test decides when the flash ends.
    writeScript(app.filePath(QStringLiteral("firmware/linux/prog2")),
                "echo run >> '" + runs.toUtf8() + "'\nread code\nexit \"$code\"\n");
    FirmwareFlasher flasher;
    flasher.setApplicationFolder(app.path());
    flasher.setWindowsLayout(false);
    QSignalSpy started(&flasher, &FirmwareFlasher::flashingStarted);
    QSignalSpy finished(&flasher, &FirmwareFlasher::flashingFinished);

    QCOMPARE(flasher.start(QStringLiteral("COM1")), FirmwareFlasher::StartResult::Started);
    QProcess *process = flasher.process();
    QVERIFY(process);
    QVERIFY(process->waitForStarted(10000));
    QCOMPARE(flasher.start(QStringLiteral("COM1")), FirmwareFlasher::StartResult::AlreadyRunning);
    QCOMPARE(flasher.process(), process);
    QCOMPARE(started.count(), 1);

    process->write("0\n");
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QFile file(runs);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("run\n"));

    // Once the flash is over the button works again.
    QTRY_VERIFY(!flasher.process());
    QCOMPARE(flasher.start(QStringLiteral("COM1")), FirmwareFlasher::StartResult::Started);
    QVERIFY(flasher.process()->waitForStarted(10000));
    flasher.process()->write("1\n");
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(1).at(0).toBool(), false);
}

void tst_FirmwareFlasher::windowsLayoutStartsScriptItself()
{
    QTemporaryDir app;
    const QString record = app.filePath(QStringLiteral("args"));
    writeScript(app.filePath(QStringLiteral("firmware/windows/prog2.bat")),
                "echo \"$0|$*\" > '" + record.toUtf8() + "'\n");
    FirmwareFlasher flasher;
    flasher.setApplicationFolder(app.path());
    flasher.setWindowsLayout(true);
    QSignalSpy finished(&flasher, &FirmwareFlasher::flashingFinished);

    QCOMPARE(flasher.start(QStringLiteral("COM7")), FirmwareFlasher::StartResult::Started);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(),
             flasher.scriptPath() + QStringLiteral("|COM7"));
}

void tst_FirmwareFlasher::scriptThatCannotStartFreesTheButton()
{
    QTemporaryDir app;
    // Not executable: starting the script itself fails.
    writeScript(app.filePath(QStringLiteral("firmware/windows/prog2.bat")), "exit 0\n", false);
    FirmwareFlasher flasher;
    flasher.setApplicationFolder(app.path());
    flasher.setWindowsLayout(true);
    QSignalSpy finished(&flasher, &FirmwareFlasher::flashingFinished);

    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("^Firmware process error: FailedToStart")));
    QCOMPARE(flasher.start(QStringLiteral("COM7")), FirmwareFlasher::StartResult::Started);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QVERIFY(!flasher.isFlashing());
    QTRY_VERIFY(!flasher.process());
}

QTEST_GUILESS_MAIN(tst_FirmwareFlasher)
#include "tst_firmwareflasher.moc"
