#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The shipped Linux flashing script, run against a fake avrdude: it must refuse clearly when
// something is missing and pass the right arguments when everything is there.
class tst_FlashScript : public QObject
{
    Q_OBJECT
private slots:
    void failures_data();
    void failures();
    void passesArgumentsToAvrdude_data();
    void passesArgumentsToAvrdude();

private:
    struct Result
    {
        int exitCode = -1;
        QString output;
        QString error;
    };
    static void writeFile(const QString &path, const QByteArray &content, bool executable = false);
    static Result run(const QTemporaryDir &dir, const QStringList &arguments);
    static QTemporaryDir *makeFolder();
};

void tst_FlashScript::writeFile(const QString &path, const QByteArray &content, bool executable)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

tst_FlashScript::Result tst_FlashScript::run(const QTemporaryDir &dir, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Only the fake tool folder, so a real avrdude on this machine is never found.
    env.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("bin")));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("/bin/bash"),
                  QStringList{dir.filePath(QStringLiteral("fw/prog2"))} + arguments);
    Result result;
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.error = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QTemporaryDir *tst_FlashScript::makeFolder()
{
    auto *dir = new QTemporaryDir;
    QDir(dir->path()).mkpath(QStringLiteral("fw"));
    QDir(dir->path()).mkpath(QStringLiteral("bin"));
    QFile::copy(QStringLiteral(TAVIRO_FIRMWARE_SOURCE "/linux/prog2"),
                dir->filePath(QStringLiteral("fw/prog2")));
    return dir;
}

void tst_FlashScript::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("conf");
    QTest::addColumn<QStringList>("hexFiles");
    QTest::addColumn<bool>("withAvrdude");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QByteArray conf = "MCU=atmega328p\nPROGRAMMER=arduino\n";
    const QStringList oneHex{QStringLiteral("robot.hex")};
    const QStringList port{QStringLiteral("/dev/rfcomm0")};
    QTest::newRow("no port") << QStringList{} << conf << oneHex << true << 2 << "no serial port";
    QTest::newRow("empty port") << QStringList{QString()} << conf << oneHex << true << 2
                                << "no serial port";
    QTest::newRow("no settings") << port << QByteArray() << oneHex << true << 3
                                 << "settings file prog2.conf not found";
    QTest::newRow("no MCU") << port << QByteArray("PROGRAMMER=arduino\n") << oneHex << true << 3
                            << "MCU is not set";
    QTest::newRow("no programmer")
        << port << QByteArray("MCU=atmega328p\n") << oneHex << true << 3 << "PROGRAMMER is not set";
    QTest::newRow("no firmware") << port << conf << QStringList{} << true << 4
                                 << "no firmware file";
    QTest::newRow("two firmwares")
        << port << conf << QStringList{QStringLiteral("a.hex"), QStringLiteral("b.hex")} << true
        << 4 << "several firmware files";
    QTest::newRow("named firmware missing")
        << port << QByteArray(conf + "FIRMWARE=other.hex\n") << oneHex << true << 4
        << "firmware file other.hex named in prog2.conf not found";
    QTest::newRow("no avrdude") << port << conf << oneHex << false << 5 << "avrdude not found";
    QTest::newRow("named avrdude missing")
        << port << QByteArray(conf + "AVRDUDE=tools/avrdude\n") << oneHex << true << 5
        << "avrdude tools/avrdude named in prog2.conf not found";
}

void tst_FlashScript::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, conf);
    QFETCH(QStringList, hexFiles);
    QFETCH(bool, withAvrdude);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QScopedPointer<QTemporaryDir> dir(makeFolder());
    if (!conf.isEmpty())
        writeFile(dir->filePath(QStringLiteral("fw/prog2.conf")), conf);
    for (const QString &hex : hexFiles)
        writeFile(dir->filePath(QStringLiteral("fw/") + hex), ":00000001FF\n");
    const QString marker = dir->filePath(QStringLiteral("flashed"));
    if (withAvrdude)
        writeFile(dir->filePath(QStringLiteral("bin/avrdude")),
                  "#!/bin/bash\necho called > '" + marker.toUtf8() + "'\n", true);

    const Result result = run(*dir, arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.error.contains(message), qPrintable(result.error));
    QVERIFY(!QFile::exists(marker));
}

void tst_FlashScript::passesArgumentsToAvrdude_data()
{
    QTest::addColumn<QByteArray>("conf");
    QTest::addColumn<bool>("withAvrdudeConf");
    QTest::addColumn<int>("toolExit");
    QTest::addColumn<QString>("expectedArguments");

    const QByteArray conf = "# kit settings\nMCU = atmega328p\r\nPROGRAMMER=arduino\r\n";
    QTest::newRow("plain") << conf << false << 0
                           << "-p atmega328p -c arduino -P /dev/rfcomm0 -D -U flash:w:robot.hex:i";
    QTest::newRow("baud and avrdude.conf")
        << QByteArray(conf + "BAUD=57600\n") << true << 0
        << "-p atmega328p -c arduino -P /dev/rfcomm0 -D -U flash:w:robot.hex:i -b 57600 "
           "-C avrdude.conf";
    QTest::newRow("avrdude fails") << conf << false << 1
                                   << "-p atmega328p -c arduino -P /dev/rfcomm0 -D -U "
                                      "flash:w:robot.hex:i";
}

void tst_FlashScript::passesArgumentsToAvrdude()
{
    QFETCH(QByteArray, conf);
    QFETCH(bool, withAvrdudeConf);
    QFETCH(int, toolExit);
    QFETCH(QString, expectedArguments);

    QScopedPointer<QTemporaryDir> dir(makeFolder());
    writeFile(dir->filePath(QStringLiteral("fw/prog2.conf")), conf);
    writeFile(dir->filePath(QStringLiteral("fw/robot.hex")), ":00000001FF\n");
    if (withAvrdudeConf)
        writeFile(dir->filePath(QStringLiteral("fw/avrdude.conf")), "# settings\n");
    const QString record = dir->filePath(QStringLiteral("arguments"));
    writeFile(dir->filePath(QStringLiteral("bin/avrdude")),
              "#!/bin/bash\necho \"$*\" > '" + record.toUtf8() + "'\nexit " +
                  QByteArray::number(toolExit) + "\n",
              true);

    const Result result = run(*dir, {QStringLiteral("/dev/rfcomm0")});
    QCOMPARE(result.exitCode, toolExit);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), expectedArguments);
    if (toolExit == 0)
        QVERIFY(result.output.contains(QLatin1String("prog2: done")));
    else
        QVERIFY(result.error.contains(QLatin1String("avrdude failed with exit code 1")));
}

QTEST_GUILESS_MAIN(tst_FlashScript)
#include "tst_flashscript.moc"
