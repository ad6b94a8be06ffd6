#include "memoryimage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run taviroc(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TAVIROC_PATH), arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return Run{};
    }
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kGoodProgram[] = R"({"ProgData": [
    [{"action": {"command": "m_fwd", "speed": 60, "timer": 1, "time": 2, "brake": 1}},
     {"action": {"command": "call", "proc": 1}}],
    [{"conditions": {"type": "single", "data": [{"pin": "D3", "level": "1"}]},
      "action": {"command": "mSetleds", "pin": "D13", "state": 1}}]],
    "configuration": {"Motor1": 1, "Motor2": 2, "pins": [{"pinLbl": "D9", "gadgetId": 20}]}})";

const char kFailingProgram[] = R"({"ProgData": [
    [{"action": {"command": "m_stop"}}, {"action": {"command": "call", "proc": 4}}]]})";

} // namespace

class tst_Taviroc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void help_data();
    void help();
    void usageErrors_data();
    void usageErrors();
    void compileWritesTheImage();
    void compileFailureStillWritesTheImage_data();
    void compileFailureStillWritesTheImage();
    void decodeToStdout();
    void decodeToFile();
    void decodeReadBackMemory();
    void decodeMalformed_data();
    void decodeMalformed();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void tst_Taviroc::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeFile(path("good.json"), kGoodProgram));
    QVERIFY(writeFile(path("failing.json"), kFailingProgram));
    QVERIFY(writeFile(path("array.json"), "[1, 2]"));
    QVERIFY(writeFile(path("broken.json"), "{\"ProgData\": ["));
}

void tst_Taviroc::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("mentions");

    QTest::newRow("overview") << QStringList{"--help"} << QStringList{"compile", "decode"};
    QTest::newRow("compile") << QStringList{"compile", "--help"}
                             << QStringList{"taviroc compile", "-o", "PROGRAM.json"};
    QTest::newRow("decode") << QStringList{"decode", "-h"}
                            << QStringList{"taviroc decode", "IMAGE.bin", "--verbose"};
}

void tst_Taviroc::help()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mentions);

    const Run run = taviroc(arguments);
    QCOMPARE(run.exitCode, 0);
    for (const QString &mention : mentions)
        QVERIFY2(run.out.contains(mention.toUtf8()), qPrintable(mention));
}

void tst_Taviroc::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("no arguments") << QStringList();
    QTest::newRow("unknown command") << QStringList{"flash"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("compile without output") << QStringList{"compile", "good.json"};
    QTest::newRow("compile without input") << QStringList{"compile", "-o", "x.bin"};
    QTest::newRow("compile two inputs")
        << QStringList{"compile", "good.json", "failing.json", "-o", "x.bin"};
    QTest::newRow("compile unknown option")
        << QStringList{"compile", "good.json", "-o", "x.bin", "--fast"};
    QTest::newRow("compile missing file") << QStringList{"compile", "missing.json", "-o", "x.bin"};
    QTest::newRow("compile a folder") << QStringList{"compile", ".", "-o", "x.bin"};
    QTest::newRow("compile broken JSON") << QStringList{"compile", "broken.json", "-o", "x.bin"};
    QTest::newRow("compile JSON array") << QStringList{"compile", "array.json", "-o", "x.bin"};
    QTest::newRow("compile to a missing folder")
        << QStringList{"compile", "good.json", "-o", "no/such/folder/x.bin"};
    QTest::newRow("decode without input") << QStringList{"decode"};
    QTest::newRow("decode missing file") << QStringList{"decode", "missing.bin"};
    QTest::newRow("decode unknown option") << QStringList{"decode", "good.json", "-x"};
    const QString a = "tcp://127.0.0.1:1";
    const QString b = "tcp://127.0.0.1:2";
    QTest::newRow("write to one robot twice")
        << QStringList{"write", "--device", a, "--device", a, "good.json"};
    QTest::newRow("run on two robots")
        << QStringList{"run", "--device", a, "--device", b, "good.json"};
    QTest::newRow("read two robots without a folder")
        << QStringList{"read", "--device", a, "--device", b};
    QTest::newRow("read two robots into one file")
        << QStringList{"read", "--device", a, "--device", b, "-o", "x.bin", "--output-dir", "."};
    QTest::newRow("read into a missing folder")
        << QStringList{"read", "--device", a, "--output-dir", "no/such/folder"};
    QTest::newRow("rename without a name") << QStringList{"rename", "--device", a};
    QTest::newRow("identify two robots") << QStringList{"identify", "--device", a, "--device", b};
}

void tst_Taviroc::usageErrors()
{
    QFETCH(QStringList, arguments);
    // Relative names refer to the test's folder.
    for (QString &argument : arguments) {
        if (argument.endsWith(QLatin1String(".json")) || argument.endsWith(QLatin1String(".bin")) ||
            argument == QLatin1String("."))
            argument = path(argument);
    }
    const Run run = taviroc(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFile::exists(path("x.bin")));
}

void tst_Taviroc::compileWritesTheImage()
{
    const Run run = taviroc({"compile", path("good.json"), "-o", path("good.bin")});
    QCOMPARE(run.exitCode, 0);
    // As quiet as the editor; the compiler's trace only when asked for.
    QCOMPARE(run.err, QByteArray());
    const Run verbose =
        taviroc({"compile", path("good.json"), "-o", path("good.bin"), "--verbose"});
    QVERIFY(verbose.err.contains("Subprogram count: 1"));

    ImageBuilder builder;
    const auto expected = builder.buildImage(QJsonDocument::fromJson(kGoodProgram).object());
    QVERIFY(expected.success);
    QCOMPARE(readFile(path("good.bin")).toHex(' '), expected.image.toHex(' '));
}

void tst_Taviroc::compileFailureStillWritesTheImage_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("logLine");

    QTest::newRow("missing subprogram")
        << QByteArray(kFailingProgram) << QByteArray("Error command at 1 procedure 0");
    QTest::newRow("open cycle")
        << QByteArray(R"({"ProgData": [[{"action": {"command": "mStartCycle"}}]]})")
        << QByteArray("Cycle count error");
    QTest::newRow("melody too long") << QByteArray() << QByteArray("Command too long");
}

void tst_Taviroc::compileFailureStillWritesTheImage()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, logLine);

    if (program.isEmpty()) {
        QJsonArray sounds;
        for (int i = 0; i < 130; ++i)
            sounds.append(QJsonObject{{"note", "A"}, {"octave", 4}, {"length", 2}});
        const QJsonObject music{{"command", "mMusic"}, {"tempo", 90}, {"sounds", sounds}};
        program =
            QJsonDocument(
                QJsonObject{{"ProgData", QJsonArray{QJsonArray{QJsonObject{{"action", music}}}}}})
                .toJson();
    }
    QVERIFY(writeFile(path("failing-case.json"), program));
    const Run run = taviroc({"compile", path("failing-case.json"), "-o", path("failing.bin")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(logLine), run.err.constData());

    ImageBuilder builder;
    const auto expected = builder.buildImage(QJsonDocument::fromJson(program).object());
    QVERIFY(!expected.success);
    QCOMPARE(readFile(path("failing.bin")).toHex(' '), expected.image.toHex(' '));
}

void tst_Taviroc::decodeToStdout()
{
    ImageBuilder builder;
    const QByteArray image =
        builder.buildImage(QJsonDocument::fromJson(kGoodProgram).object()).image;
    QVERIFY(writeFile(path("stdout.bin"), image));

    const Run run = taviroc({"decode", path("stdout.bin")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(run.out).object(), *decodeImage(image));
    QVERIFY(!run.err.contains("CMD:"));

    const Run verbose = taviroc({"decode", "--verbose", path("stdout.bin")});
    QCOMPARE(verbose.exitCode, 0);
    QVERIFY(verbose.err.contains("CMD: 35"));
}

void tst_Taviroc::decodeToFile()
{
    ImageBuilder builder;
    const QByteArray image =
        builder.buildImage(QJsonDocument::fromJson(kGoodProgram).object()).image;
    QVERIFY(writeFile(path("file.bin"), image));

    const Run run = taviroc({"decode", path("file.bin"), "-o", path("decoded.json")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
    const QJsonObject decoded = QJsonDocument::fromJson(readFile(path("decoded.json"))).object();
    QCOMPARE(decoded, *decodeImage(image));

    // The decoded document compiles to the same image again.
    const Run again = taviroc({"compile", path("decoded.json"), "-o", path("again.bin")});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(readFile(path("again.bin")).toHex(' '), image.toHex(' '));
}

void tst_Taviroc::decodeReadBackMemory()
{
    ImageBuilder builder;
    QByteArray memory = builder.buildImage(QJsonDocument::fromJson(kGoodProgram).object()).image;
    memory.append(QByteArray(kMemorySize - memory.size(), char(0xFF)));
    QVERIFY(writeFile(path("memory.bin"), memory));

    const Run run = taviroc({"decode", path("memory.bin")});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject document = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(document.value("ProgData").toArray().size(), 2);
    QCOMPARE(document.value("configuration").toObject().value("Motor2").toInt(), 2);
}

void tst_Taviroc::decodeMalformed_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QByteArray>("logLine");

    QTest::newRow("erased memory")
        << QByteArray(kMemorySize, char(0xFF)) << QByteArray("EEPROM Data corrupted");
    QTest::newRow("empty file") << QByteArray() << QByteArray("Unclosed EEPROM data");
    QTest::newRow("no end frame") << QByteArray::fromHex("01 04 00000000")
                                  << QByteArray("Unclosed EEPROM data");
}

void tst_Taviroc::decodeMalformed()
{
    QFETCH(QByteArray, image);
    QFETCH(QByteArray, logLine);

    QVERIFY(writeFile(path("malformed.bin"), image));
    const Run run = taviroc({"decode", path("malformed.bin"), "-o", path("malformed.json")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(logLine), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QVERIFY(!QFile::exists(path("malformed.json")));
}

QTEST_GUILESS_MAIN(tst_Taviroc)
#include "tst_taviroc.moc"
