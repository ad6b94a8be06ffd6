#include "appcontext.h"
#include "programstore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

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
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void init();
    void firstStart();
    void stateFileLoadsFully();
    void programsOnlyKeepsLanguageAndDevice();
    void loadDocument();
    void firstStartTakesTheKitSetUp();
    void badFiles_data();
    void badFiles();
    void unreadableStateIsNeverOverwritten();
    void isProgramDocument_data();
    void isProgramDocument();
    void unreadableFileIsLogged();
    void nonArrayProgramsSkipped();
    void buildAndSaveState();
    void breakpointsSurviveSaveAndLoad();
    void saveWithoutExtension();
    void saveToMissingFolder();
    void failedSaveKeepsOldFile();
    void createFolders();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString statePath() const { return m_home->filePath("Lumakit/states.json"); }
    QString noDefault() const { return m_home->filePath("no-default.json"); }
    QStringList brokenCopies() const
    {
        return QDir(m_home->filePath("Lumakit")).entryList({"states.json.broken-*"}, QDir::Files);
    }
};

void TestProgramStore::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

void TestProgramStore::firstStart()
{
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore store(m_home->path(), noDefault());
    store.setLanguage("English");
    store.loadDocument(parse(R"({"Language": "x", "ProgData": [[], [], []],
                                 "configuration": {"Motor2": 3}})"));
    QCOMPARE(store.language(), QStringLiteral("English"));
    QCOMPARE(store.programCount(), 3);
    QCOMPARE(store.configuration().value("Motor2"), QJsonValue(3));
}

void TestProgramStore::breakpointsSurviveSaveAndLoad()
{
    // A state file with a mark on the second main command, written by this version, and an
    // older program file without any.
    QJsonObject state = parse(kState);
    QJsonArray programs = state.value("ProgData").toArray();
    QJsonArray main = programs.at(0).toArray();
    QJsonObject call = main.at(1).toObject();
    call.insert("breakpoint", true);
    main.replace(1, call);
    programs.replace(0, main);
    state.insert("ProgData", programs);
    writeFile(m_home->filePath("Lumakit/states.json"), QJsonDocument(state).toJson());

    ProgramStore store(m_home->path(), noDefault());
    QList<QList<Command *>> lists{store.program(0), store.program(1)};
    QCOMPARE(lists[0][0]->hasBreakpoint(), false);
    QCOMPARE(lists[0][1]->hasBreakpoint(), true);
    QCOMPARE(lists[1][0]->hasBreakpoint(), false);
    QVERIFY(store.saveState("English", store.buildDocument(lists)));
    const QJsonObject saved = parse(readFile(store.stateFilePath()));
    const QJsonArray savedMain = saved.value("ProgData").toArray().at(0).toArray();
    QCOMPARE(savedMain.at(1).toObject().value("breakpoint"), QJsonValue(true));
    QVERIFY(!savedMain.at(0).toObject().contains("breakpoint"));

    // The older file loads as before, without marks.
    const QString older = m_home->filePath("older.json");
    writeFile(older, kState);
    store.loadFile(older, ProgramStore::ProgramsOnly);
    QCOMPARE(names(store, 0), (QStringList{"m_fwd", "call"}));
    for (const Command *command : store.program(0))
        QVERIFY(!command->hasBreakpoint());
}

void TestProgramStore::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("keptAside");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("malformed") << QByteArray(R"({"ProgData": [[)") << true;
    QTest::newRow("array") << QByteArray(R"([[{"action": {"command": "m_fwd"}}]])") << true;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4) << true;
    QTest::newRow("ProgData not an array") << QByteArray(R"({"ProgData": {"0": []}})") << false;
    QTest::newRow("configuration not an object")
        << QByteArray(R"({"ProgData": [[]], "configuration": [1]})") << false;
}

void TestProgramStore::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, keptAside);
    writeFile(statePath(), content);
    if (keptAside)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Saved state .* is not a JSON"));
    if (keptAside)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Kept the broken state as "));
    ProgramStore store(m_home->path(), noDefault());
    QCOMPARE(store.programCount(), 1);
    QVERIFY(store.program(0).isEmpty());
    QVERIFY(store.configuration().isEmpty());
    QVERIFY(store.language().isEmpty());

    // A file that is not JSON is moved aside byte for byte before anything can be saved over it;
    // the user is told once.
    const QStringList copies = brokenCopies();
    QCOMPARE(copies.size(), keptAside ? 1 : 0);
    if (!keptAside) {
        QVERIFY(store.takeBrokenStateCopy().isEmpty());
        return;
    }
    QCOMPARE(readFile(m_home->filePath("Lumakit/" + copies.first())), content);
    QVERIFY(!QFile::exists(statePath()));
    QCOMPARE(store.takeBrokenStateCopy(), m_home->filePath("Lumakit/" + copies.first()));
    QVERIFY(store.takeBrokenStateCopy().isEmpty());
    QVERIFY(store.saveState("English", parse(R"({"ProgData": [[]]})")));
    QCOMPARE(readFile(m_home->filePath("Lumakit/" + copies.first())), content);

    // A second broken start keeps both copies.
    writeFile(statePath(), content);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Saved state .* is not a JSON"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Kept the broken state as "));
    ProgramStore again(m_home->path(), noDefault());
    QCOMPARE(brokenCopies().size(), 2);
}

void TestProgramStore::firstStartTakesTheKitSetUp()
{
    const QString kit = m_home->filePath("default.json");
    writeFile(kit, R"({"ProgData": [[]], "Language": "x", "BluetoothDeviceName": "y",
                       "configuration": {"Motor1": 100, "pins": [{"pinLbl": "D5", "gadgetId": 40}]}})");
    ProgramStore store(m_home->path(), kit);
    QCOMPARE(store.programCount(), 1);
    QVERIFY(store.program(0).isEmpty());
    QCOMPARE(store.configuration().value("Motor1"), QJsonValue(100));
    QCOMPARE(store.configuration().value("pins").toArray().size(), 1);
    // The language page still comes first, and no device is invented.
    QVERIFY(store.language().isEmpty());
    QVERIFY(store.deviceText().isEmpty());
}

void TestProgramStore::unreadableStateIsNeverOverwritten()
{
    // Something that cannot be read as a file is moved aside as it is.
    QVERIFY(QDir().mkpath(statePath() + "/inside"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Kept the broken state as "));
    ProgramStore moved(m_home->path(), noDefault());
    QCOMPARE(brokenCopies().size(), 0); // a folder, not a file
    QVERIFY(QFileInfo(moved.takeBrokenStateCopy() + "/inside").isDir());
    QVERIFY(moved.saveState("English", parse(R"({"ProgData": [[]]})")));

    // A state file in a folder that refuses changes can be neither read nor moved: saving is
    // refused rather than replacing it unseen.
    QVERIFY(QFile::remove(statePath()));
#if defined(Q_OS_UNIX)
    if (geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
#else
    QSKIP("a folder that refuses changes is made with POSIX permissions");
#endif
    writeFile(statePath(), kState);
    QFile::setPermissions(statePath(), QFileDevice::WriteOwner);
    QFile::setPermissions(m_home->filePath("Lumakit"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot move the broken state "));
    ProgramStore store(m_home->path(), noDefault());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Not saving over the unreadable state"));
    QVERIFY(!store.saveState("English", parse(R"({"ProgData": [[]]})")));
    QCOMPARE(store.takeBrokenStateCopy(), statePath());
    QFile::setPermissions(m_home->filePath("Lumakit"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(statePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(readFile(statePath()), kState);
}

void TestProgramStore::isProgramDocument_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("program");
    QTest::newRow("program") << QByteArray(R"({"ProgData": [[]]})") << true;
    QTest::newRow("with configuration")
        << QByteArray(R"({"ProgData": [], "configuration": {}})") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("not JSON") << QByteArray("hello") << false;
    QTest::newRow("truncated") << QByteArray(R"({"ProgData": [[)") << false;
    QTest::newRow("array") << QByteArray("[[]]") << false;
    QTest::newRow("other object") << QByteArray(R"({"name": "a"})") << false;
    QTest::newRow("ProgData not an array") << QByteArray(R"({"ProgData": 3})") << false;
}

void TestProgramStore::isProgramDocument()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, program);
    QCOMPARE(ProgramStore::isProgramDocument(text), program);
}

void TestProgramStore::unreadableFileIsLogged()
{
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore store(m_home->path(), noDefault());
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
    ProgramStore reloaded(m_home->path(), noDefault());
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

#if !defined(Q_OS_UNIX)
    QSKIP("a full disk is imitated with a POSIX file size limit");
#else
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
#endif
}

void TestProgramStore::createFolders()
{
    ProgramStore store(m_home->path(), noDefault());
    QTest::ignoreMessage(QtDebugMsg, ("Create path: " + store.dataFolder()).toUtf8());
    QTest::ignoreMessage(QtDebugMsg, ("Create path: " + store.programsFolder()).toUtf8());
    store.createFolders();
    QVERIFY(QDir(store.programsFolder()).exists());
    store.createFolders(); // nothing more to do, nothing logged

    // A file where the folder should be: creation fails, start-up goes on.
    const QString home = m_home->filePath("blocked");
    writeFile(home + "/Lumakit", "not a folder");
    ProgramStore blocked(home, noDefault());
    QTest::ignoreMessage(QtDebugMsg,
                         ("OiVoij, cannot create path: " + blocked.dataFolder()).toUtf8());
    QTest::ignoreMessage(QtDebugMsg,
                         ("OiVoij, cannot create path: " + blocked.programsFolder()).toUtf8());
    blocked.createFolders();
}

QTEST_MAIN(TestProgramStore)
#include "tst_programstore.moc"
