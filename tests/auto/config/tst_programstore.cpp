#include "appcontext.h"
#include "programstore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QJsonObject parse(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList names(const ProgramStore &store, int program)
{
    QStringList list;
    for (const Command *command : store.program(program))
        list.append(command->name());
    return list;
}

const QByteArray kState = R"({
    "Language": "English",
    "BluetoothDeviceName": "Robo 00:11:22:33:44:55",
    "ProgData": [
        [{"conditions": {"type": "always"}, "action": {"command": "m_fwd", "speed": 50}},
         {"conditions": {}, "action": {"command": "call", "proc": 1}}],
        [{"action": {"command": "mPause", "second": 1}}]
    ],
    "configuration": {"Motor1": 100, "pins": [{"pinLbl": "D5", "gadgetId": 40}]}
})";

} // namespace

class TestProgramStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstStart();
    void stateFileLoadsFully();
    void programsOnlyKeepsLanguageAndDevice();
    void loadDocument();
    void badFiles_data();
    void badFiles();
    void unreadableFileIsLogged();
    void nonArrayProgramsSkipped();
    void buildAndSaveState();
    void saveWithoutExtension();
    void saveToMissingFolder();
    void failedSaveKeepsOldFile();
    void createFolders();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString statePath() const { return m_home->filePath("Lumakit/states.json"); }
};

void TestProgramStore::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

void TestProgramStore::firstStart()
{
    ProgramStore store(m_home->path());
    QCOMPARE(store.stateFilePath(), m_home->path() + "/Lumakit/states.json");
    QCOMPARE(store.dataFolder(), m_home->path() + "/Lumakit");
    QCOMPARE(store.programsFolder(), m_home->path() + "/Lumakit/Programs");
    QCOMPARE(store.programCount(), 1);
    QVERIFY(store.program(0).isEmpty());
    QVERIFY(store.configuration().isEmpty());
    QVERIFY(store.language().isEmpty());
    QVERIFY(store.deviceText().isEmpty());
    QVERIFY(ProgramStore::defaultProgramPath().endsWith("//default.json"));
}

void TestProgramStore::stateFileLoadsFully()
{
    writeFile(statePath(), kState);
    ProgramStore store(m_home->path());
    QCOMPARE(store.language(), QStringLiteral("English"));
    QVERIFY(store.deviceText().contains("00:11:22:33:44:55"));
    QCOMPARE(store.programCount(), 2);
    QCOMPARE(names(store, 0), QStringList({"m_fwd", "call"}));
    QCOMPARE(names(store, 1), QStringList({"mPause"}));
    QCOMPARE(store.program(0)[0]->json(), parse(kState)["ProgData"][0][0].toObject());
    QCOMPARE(store.configuration().value("Motor1"), QJsonValue(100));
    QVERIFY(store.program(5).isEmpty());
}

void TestProgramStore::programsOnlyKeepsLanguageAndDevice()
{
    writeFile(statePath(), kState);
    ProgramStore store(m_home->path());
    const QString file = m_home->filePath("Lumakit/Programs/other.json");
    writeFile(file, R"({"Language": "Русский", "BluetoothDeviceName": "x",
                        "ProgData": [[{"action": {"command": "mSound"}}]]})");
    store.loadFile(file, ProgramStore::ProgramsOnly);
    QCOMPARE(store.language(), QStringLiteral("English"));
    QVERIFY(store.deviceText().contains("Robo"));
    QCOMPARE(store.programCount(), 1);
    QCOMPARE(names(store, 0), QStringList({"mSound"}));
    // A program file without a configuration brings an empty one.
    QVERIFY(store.configuration().isEmpty());

    store.loadFile(file, ProgramStore::Full);
    QCOMPARE(store.language(), QStringLiteral("Русский"));
    QCOMPARE(store.deviceText(), QStringLiteral("x"));
}

void TestProgramStore::loadDocument()
{
    ProgramStore store(m_home->path());
    store.setLanguage("English");
    store.loadDocument(parse(R"({"Language": "x", "ProgData": [[], [], []],
                                 "configuration": {"Motor2": 3}})"));
    QCOMPARE(store.language(), QStringLiteral("English"));
    QCOMPARE(store.programCount(), 3);
    QCOMPARE(store.configuration().value("Motor2"), QJsonValue(3));
}

void TestProgramStore::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("malformed") << QByteArray(R"({"ProgData": [[)");
    QTest::newRow("array") << QByteArray(R"([[{"action": {"command": "m_fwd"}}]])");
    QTest::newRow("ProgData not an array") << QByteArray(R"({"ProgData": {"0": []}})");
    QTest::newRow("configuration not an object")
        << QByteArray(R"({"ProgData": [[]], "configuration": [1]})");
}

void TestProgramStore::badFiles()
{
    QFETCH(QByteArray, content);
    writeFile(statePath(), content);
    ProgramStore store(m_home->path());
    QCOMPARE(store.programCount(), 1);
    QVERIFY(store.program(0).isEmpty());
    QVERIFY(store.configuration().isEmpty());
    QVERIFY(store.language().isEmpty());
}

void TestProgramStore::unreadableFileIsLogged()
{
    ProgramStore store(m_home->path());
    const QString folder = m_home->filePath("program.json");
    QVERIFY(QDir().mkpath(folder));
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^Cannot read " + QRegularExpression::escape(folder) + ": "));
    store.loadFile(folder, ProgramStore::ProgramsOnly);
    QCOMPARE(store.programCount(), 1);

    // A missing file is silently empty.
    store.loadFile(m_home->filePath("missing.json"), ProgramStore::ProgramsOnly);
    QCOMPARE(store.programCount(), 1);
}

void TestProgramStore::nonArrayProgramsSkipped()
{
    ProgramStore store(m_home->path());
    store.loadDocument(parse(R"({"ProgData": [
        [{"action": {"command": "a"}}], 7, {"x": 1}, [{"action": {"command": "b"}}, 5], []]})"));
    QCOMPARE(store.programCount(), 3);
    QCOMPARE(names(store, 0), QStringList({"a"}));
    // A command that is not an object still takes its place, nameless.
    QCOMPARE(names(store, 1), QStringList({"b", ""}));
    QVERIFY(store.program(2).isEmpty());
}

void TestProgramStore::buildAndSaveState()
{
    AppContext::instance().readConfiguration({});
    AppContext::instance().setMotor1(100);
    ProgramStore store(m_home->path());
    store.setDeviceText("robot");
    Command first("m_fwd");
    Command second("mPause");
    const QJsonObject document = store.buildDocument({{&first}, {}, {&second}});
    QCOMPARE(document.value("BluetoothDeviceName"), QJsonValue("robot"));
    QCOMPARE(document["ProgData"].toArray().size(), 3);
    QCOMPARE(document["ProgData"][0][0].toObject(), first.json());
    QCOMPARE(document["ProgData"][2][0].toObject(), second.json());
    QCOMPARE(document["configuration"].toObject(), AppContext::instance().writeConfiguration());
    QVERIFY(!document.contains("Language"));

    QVERIFY(QDir().mkpath(store.dataFolder()));
    QVERIFY(store.saveState("Русский", document));
    const QByteArray saved = readFile(statePath());
    QVERIFY(saved.contains("\n    \"")); // indented
    ProgramStore reloaded(m_home->path());
    QCOMPARE(reloaded.language(), QStringLiteral("Русский"));
    QCOMPARE(reloaded.deviceText(), QStringLiteral("robot"));
    QCOMPARE(reloaded.programCount(), 3);
    QCOMPARE(names(reloaded, 2), QStringList({"mPause"}));
}

void TestProgramStore::saveWithoutExtension()
{
    const QString path = m_home->filePath("my program");
    QVERIFY(ProgramStore::saveFile(path, parse(R"({"ProgData": [[]]})")));
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + ".json"));
    QCOMPARE(QDir(m_home->path()).entryList(QDir::Files), QStringList({"my program"}));
}

void TestProgramStore::saveToMissingFolder()
{
    const QString path = m_home->filePath("no/such/folder/p.json");
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^Cannot open " + QRegularExpression::escape(path) + " for writing: "));
    QVERIFY(!ProgramStore::saveFile(path, {}));
    QVERIFY(!QFile::exists(path));
}

void TestProgramStore::failedSaveKeepsOldFile()
{
    const QString path = m_home->filePath("keep.json");
    const QByteArray old = "{\"ProgData\": [[]]}";
    writeFile(path, old);

    // Make the disk "full" for anything beyond a few bytes: the write fails, the commit refuses.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    QJsonArray big;
    for (int i = 0; i < 100; ++i)
        big.append(QJsonObject{{"action", QJsonObject{{"command", "m_fwd"}}}});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot save " +
                                                          QRegularExpression::escape(path) + ": "));
    const bool ok = ProgramStore::saveFile(path, {{"ProgData", QJsonArray{big}}});
    setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY(!ok);
    QCOMPARE(readFile(path), old);
    QCOMPARE(QDir(m_home->path()).entryList(QDir::Files), QStringList({"keep.json"}));
}

void TestProgramStore::createFolders()
{
    ProgramStore store(m_home->path());
    QTest::ignoreMessage(QtDebugMsg, ("Create path: " + store.dataFolder()).toUtf8());
    QTest::ignoreMessage(QtDebugMsg, ("Create path: " + store.programsFolder()).toUtf8());
    store.createFolders();
    QVERIFY(QDir(store.programsFolder()).exists());
    store.createFolders(); // nothing more to do, nothing logged

    // A file where the folder should be: creation fails, start-up goes on.
    const QString home = m_home->filePath("blocked");
    writeFile(home + "/Lumakit", "not a folder");
    ProgramStore blocked(home);
    QTest::ignoreMessage(QtDebugMsg,
                         ("OiVoij, cannot create path: " + blocked.dataFolder()).toUtf8());
    QTest::ignoreMessage(QtDebugMsg,
                         ("OiVoij, cannot create path: " + blocked.programsFolder()).toUtf8());
    blocked.createFolders();
}

QTEST_MAIN(TestProgramStore)
#include "tst_programstore.moc"
