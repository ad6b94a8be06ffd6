#include "appcontext.h"
#include "configtestdata.h"
#include "hardwaredescription.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace ConfigTestData;

class TestAppContext : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void textBeforeAnyDictionary();
    void textLookups();
    void languageSwitchChangesTexts();
    void dimensions();
    void writeBeforeAnyRead();
    void roundTrip();
    void motorsUnset();
    void skippedEntries();
    void gadgetFlags_data();
    void gadgetFlags();
    void outputPinsByCommand();
    void groupListedOnce();
    void commandMapChangeRebuildsLists();
    void inputAssignments();

private:
    std::unique_ptr<HardwareDescription> load(const QString &folder);
    QTemporaryDir m_dir;
};

void TestAppContext::initTestCase()
{
    // The messages checked here are debug lines, which a default run leaves out.
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true"));
    QVERIFY(m_dir.isValid());
    QVERIFY(writeJson(m_dir.filePath("kit/base.json"), kitDescription()));
    QJsonObject other = kitDescription("Other");
    other["Dictionary"] = QJsonObject{{"ButtonRun", "Start"}};
    QVERIFY(writeJson(m_dir.filePath("other/base.json"), other));
    QVERIFY(writeJson(m_dir.filePath("bare/base.json"), minimalDescription("Bare")));
}

std::unique_ptr<HardwareDescription> TestAppContext::load(const QString &folder)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot load font"));
    return std::make_unique<HardwareDescription>(m_dir.filePath(folder + "/base.json"));
}

void TestAppContext::textBeforeAnyDictionary()
{
    // Runs first: nothing has been published yet.
    QCOMPARE(AppContext::instance().text("ButtonRun"), QStringLiteral("No dict"));
    QCOMPARE(AppContext::instance().dimension("Width", 17), 17);
}

void TestAppContext::textLookups()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    QCOMPARE(context.text("ButtonRun"), QStringLiteral("Run"));
    QCOMPARE(context.text("Empty"), QString());
    QTest::ignoreMessage(QtDebugMsg, "No ditionary string: buttonRun");
    QCOMPARE(context.text("buttonRun"), QStringLiteral("No key"));

    const auto bare = load("bare");
    QTest::ignoreMessage(QtDebugMsg, "No ditionary string: ButtonRun");
    QCOMPARE(context.text("ButtonRun"), QStringLiteral("No key"));
    QTest::ignoreMessage(QtDebugMsg, "No string for ButtonRun");
    QCOMPARE(bare->text("ButtonRun"), QStringLiteral("No key"));
}

void TestAppContext::languageSwitchChangesTexts()
{
    auto description = load("kit");
    QCOMPARE(AppContext::instance().text("ButtonRun"), QStringLiteral("Run"));
    description = load("other");
    QCOMPARE(AppContext::instance().text("ButtonRun"), QStringLiteral("Start"));
}

void TestAppContext::dimensions()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    QCOMPARE(context.dimension("Width", 1), 33);
    QCOMPARE(context.dimension("Half", 1), 0);
    QTest::ignoreMessage(QtDebugMsg, "No dimensions: width");
    QCOMPARE(context.dimension("width", 12), 12);
}

void TestAppContext::writeBeforeAnyRead()
{
    // Runs before any readConfiguration: both motors still hold their start value.
    const QJsonObject written = AppContext::instance().writeConfiguration();
    QCOMPARE(written.value("Motor1"), QJsonValue(100));
    QCOMPARE(written.value("Motor2"), QJsonValue(100));
    QCOMPARE(written.value("pins"), QJsonValue(QJsonArray()));
    QCOMPARE(written.value("servocalibr"), QJsonValue(QJsonArray()));
}

void TestAppContext::roundTrip()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    const QJsonObject configuration = QJsonDocument::fromJson(R"({
        "Motor1": 120, "Motor2": 80,
        "pins": [{"pinLbl": "D5", "gadgetId": 40}, {"pinLbl": "D14", "gadgetId": 1},
                 {"pinLbl": "D2", "gadgetId": 20}],
        "servocalibr": [{"pin": "D2", "zero": 95}, {"pin": "D9", "zero": 3}]})")
                                          .object();
    context.readConfiguration(configuration);
    QCOMPARE(context.writeConfiguration(), configuration);

    const QList<PinAssignment> &assignments = context.pinAssignments();
    QCOMPARE(assignments.size(), 3);
    QCOMPARE(assignments[1].pinName, QStringLiteral("A0"));
    QCOMPARE(assignments[1].pinLabel, QStringLiteral("D14"));
    QVERIFY(assignments[1].digital);
    QCOMPARE(assignments[1].displayText(), QStringLiteral("A0 Button"));
    QCOMPARE(context.servoCalibrations().size(), 2);
    QCOMPARE(context.servoCalibrations()[0].zero, 95);
    QCOMPARE(context.motor1(), 120);
    QCOMPARE(context.motor2(), 80);
}

void TestAppContext::motorsUnset()
{
    AppContext &context = AppContext::instance();
    context.readConfiguration(QJsonDocument::fromJson(R"({"Motor2": 0, "pins": []})").object());
    QCOMPARE(context.motor1(), AppContext::MotorNotSet);
    QCOMPARE(context.motor2(), 0);
    const QJsonObject written = context.writeConfiguration();
    QVERIFY(!written.contains("Motor1"));
    QCOMPARE(written.value("Motor2"), QJsonValue(0));
    QCOMPARE(written.value("servocalibr"), QJsonValue(QJsonArray()));

    context.setMotor1(150);
    QCOMPARE(context.writeConfiguration().value("Motor1"), QJsonValue(150));
}

void TestAppContext::skippedEntries()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Configuration entry skipped: pin D7"));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("Configuration entry skipped: pin D5, gadget 99"));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression("Configuration entry skipped: pin D2, gadget -1"));
    context.readConfiguration(QJsonDocument::fromJson(R"({"pins": [
        {"pinLbl": "D7", "gadgetId": 40}, {"pinLbl": "D5", "gadgetId": 99},
        {"pinLbl": "D2", "gadgetId": "30"}, {"pinLbl": "D5", "gadgetId": 41}]})")
                                  .object());
    QCOMPARE(context.pinAssignments().size(), 1);
    QCOMPARE(context.pinAssignments()[0].gadget.id, 41);
    QCOMPARE(context.gadgetFlags(), quint32(0x2));
}

void TestAppContext::gadgetFlags_data()
{
    QTest::addColumn<QList<int>>("gadgets");
    QTest::addColumn<quint32>("flags");
    QTest::newRow("none") << QList<int>{} << quint32(0);
    QTest::newRow("motor 1") << QList<int>{40} << quint32(0x1);
    QTest::newRow("both motors") << QList<int>{41, 40} << quint32(0x3);
    QTest::newRow("servo") << QList<int>{20} << quint32(0x4);
    QTest::newRow("buzzer") << QList<int>{70} << quint32(0x8);
    QTest::newRow("matrix") << QList<int>{60} << quint32(0x10);
    QTest::newRow("led") << QList<int>{30} << quint32(0x20);
    QTest::newRow("i2c") << QList<int>{50} << quint32(0x8000);
    QTest::newRow("inputs only") << QList<int>{1, 11} << quint32(0);
    QTest::newRow("everything") << QList<int>{40, 41, 20, 70, 60, 30, 50, 1} << quint32(0x803f);
}

void TestAppContext::gadgetFlags()
{
    QFETCH(QList<int>, gadgets);
    QFETCH(quint32, flags);
    AppContext &context = AppContext::instance();
    QMap<int, GadgetInfo> map;
    QMap<QString, PinInfo> pins;
    QJsonArray entries;
    for (int id : gadgets) {
        GadgetInfo gadget;
        gadget.id = id;
        map.insert(id, gadget);
        PinInfo pin;
        pin.index = id;
        pin.name = QStringLiteral("P%1").arg(id);
        pins.insert(pin.name, pin);
        entries.append(QJsonObject{{"pinLbl", pin.name}, {"gadgetId", id}});
    }
    context.setGadgetMap(map);
    context.setPinMap(pins);
    context.readConfiguration({{"pins", entries}});
    QCOMPARE(context.gadgetFlags(), flags);
}

void TestAppContext::outputPinsByCommand()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    context.readConfiguration(QJsonDocument::fromJson(R"({"pins": [
        {"pinLbl": "D5", "gadgetId": 40}, {"pinLbl": "D2", "gadgetId": 20},
        {"pinLbl": "D14", "gadgetId": 41}, {"pinLbl": "A0", "gadgetId": 11}]})")
                                  .object());
    auto labels = [&](const QString &command) {
        QStringList list;
        for (const PinAssignment &assignment : context.outputPinsByCommand(command))
            list.append(assignment.pinLabel + ":" + QString::number(assignment.gadget.id));
        return list;
    };
    // The later "mrall" entry, without output groups, is the one in the map.
    QCOMPARE(labels("mrall"), QStringList());
    QCOMPARE(labels("mServowork"), QStringList({"D5:40", "D2:20", "D14:41"}));
    QCOMPARE(labels("mMatrix"), QStringList());
    QCOMPARE(labels("unknown"), QStringList());
}

void TestAppContext::groupListedOnce()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    context.readConfiguration(QJsonDocument::fromJson(R"({"pins": [
        {"pinLbl": "D2", "gadgetId": 60}, {"pinLbl": "D5", "gadgetId": 60},
        {"pinLbl": "A0", "gadgetId": 60}]})")
                                  .object());
    QCOMPARE(context.pinAssignments().size(), 3);
    const QList<PinAssignment> matrix = context.outputPinsByCommand("mMatrix");
    QCOMPARE(matrix.size(), 1);
    QCOMPARE(matrix[0].pinLabel, QStringLiteral("D2"));
    QCOMPARE(context.gadgetFlags(), quint32(0x10));
}

void TestAppContext::commandMapChangeRebuildsLists()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    context.readConfiguration(
        QJsonDocument::fromJson(R"({"pins": [{"pinLbl": "D5", "gadgetId": 40}]})").object());
    QCOMPARE(context.outputPinsByCommand("mServowork").size(), 1);
    context.setCommandMap({});
    QVERIFY(context.outputPinsByCommand("mServowork").isEmpty());
    context.setCommandMap(description->commandMap());
    QCOMPARE(context.outputPinsByCommand("mServowork").size(), 1);
}

void TestAppContext::inputAssignments()
{
    const auto description = load("kit");
    AppContext &context = AppContext::instance();
    context.readConfiguration(QJsonDocument::fromJson(R"({"pins": [
        {"pinLbl": "A0", "gadgetId": 11}, {"pinLbl": "D5", "gadgetId": 40},
        {"pinLbl": "D2", "gadgetId": 1}]})")
                                  .object());
    const QList<PinAssignment> &inputs = context.inputAssignments();
    QCOMPARE(inputs.size(), 2);
    QCOMPARE(inputs[0].pinLabel, QStringLiteral("A0"));
    QVERIFY(inputs[0].analog());
    QCOMPARE(inputs[1].pinLabel, QStringLiteral("D2"));
    QVERIFY(inputs[1].digital);

    context.clearPinAssignments();
    QVERIFY(context.inputAssignments().isEmpty());
    QCOMPARE(context.gadgetFlags(), quint32(0));
}

QTEST_MAIN(TestAppContext)
#include "tst_appcontext.moc"
