#include "command.h"
#include "observer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

struct RecordingObserver : Observer
{
    int calls = 0;
    void subjectChanged(const QString &) override { ++calls; }
};

QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

class TestCommand : public QObject
{
    Q_OBJECT
private slots:
    void fromMenuEntry();
    void allowedConditions_data();
    void allowedConditions();
    void initialJson_data();
    void initialJson();
    void pictureIgnoresDefault();
    void setConditionKind_data();
    void setConditionKind();
    void loadDerivesKind_data();
    void loadDerivesKind();
    void setJsonNotifiesWithoutDerivingKind();
    void copies();
    void breakpointTravelsBesideTheJson();
    void detachDuringNotify();
};

void TestCommand::fromMenuEntry()
{
    const Command command = Command::fromMenuEntry(parse(R"({
        "Command": "m_fwd", "Picture": "cmd_fwd.v2.svg", "Tooltip": "Forward",
        "Default": {"speed": 50}, "Inputs": ["Speed", "timer"], "OutputGroup": ["Motor"]})"));
    QCOMPARE(command.name(), QStringLiteral("m_fwd"));
    QCOMPARE(command.toolTip(), QStringLiteral("Forward"));
    QCOMPARE(command.onIcon(), QStringLiteral("cmd_fwd_on.svg"));
    QCOMPARE(command.offIcon(), QStringLiteral("cmd_fwd_off.svg"));
    QCOMPARE(command.disabledIcon(), QStringLiteral("cmd_fwd_disable.svg"));
    QCOMPARE(command.inputs(), QStringList({"Speed", "timer"}));
    QCOMPARE(command.outputGroups(), QStringList({"Motor"}));
    QCOMPARE(command.conditionKind(), 0);
    QCOMPARE(command.json(), parse(R"({"conditions": {"type": "always"},
        "action": {"command": "m_fwd", "speed": 50, "timer": 0, "time": 0}})"));

    const Command empty =
        Command::fromMenuEntry(parse(R"({"Command": "empty", "Picture": "empty"})"));
    QCOMPARE(empty.onIcon(), QStringLiteral("empty_on.svg"));
    QCOMPARE(empty.json(),
             parse(R"({"conditions": {"type": "always"}, "action": {"command": "empty"}})"));
}

void TestCommand::allowedConditions_data()
{
    QTest::addColumn<QByteArray>("conditions");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("missing") << QByteArray() << QList<int>{0};
    QTest::newRow("single, counter")
        << QByteArray(R"(["single", "counter"])") << QList<int>{1, 3, 0};
    QTest::newRow("counter, always") << QByteArray(R"(["counter", "always"])") << QList<int>{3, 0};
    QTest::newRow("case and unknown")
        << QByteArray(R"(["CONDITIONS", "ConditionCounter", "sometimes"])") << QList<int>{2, 4, 0};
}

void TestCommand::allowedConditions()
{
    QFETCH(QByteArray, conditions);
    QFETCH(QList<int>, expected);
    QJsonObject entry{{"Command", "x"}};
    if (!conditions.isEmpty())
        entry.insert("Conditions", QJsonDocument::fromJson(conditions).array());
    QCOMPARE(Command::fromMenuEntry(entry).allowedConditions(), expected);
}

void TestCommand::initialJson_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("defaults");
    QTest::addColumn<QByteArray>("fields");

    QTest::newRow("subprogram") << "subprogram" << QByteArray("{}") << QByteArray("{}");
    QTest::newRow("timer") << "timer" << QByteArray("{}")
                           << QByteArray(R"({"timer": 0, "time": 0})");
    QTest::newRow("timer with default") << "TIMER" << QByteArray(R"({"time": "2.5"})")
                                        << QByteArray(R"({"timer": 0, "time": "2.5"})");
    QTest::newRow("brake") << "brake" << QByteArray("{}") << QByteArray(R"({"brake": 0})");
    QTest::newRow("motor") << "motor" << QByteArray("{}") << QByteArray(R"({"motor": ""})");
    QTest::newRow("servo") << "servo" << QByteArray("{}")
                           << QByteArray(R"({"servo": "", "angle": 0})");
    QTest::newRow("servos") << "servos" << QByteArray("{}") << QByteArray(R"({"servos": "[]"})");
    QTest::newRow("led") << "led" << QByteArray(R"({"state": 1})")
                         << QByteArray(R"({"pin": "", "state": 1})");
    QTest::newRow("sound") << "sound" << QByteArray("{}")
                           << QByteArray(R"({"note": "C", "octave": "4", "time": "1"})");
    QTest::newRow("piano") << "piano" << QByteArray("{}")
                           << QByteArray(R"({"tempo": "90", "sounds": "[]"})");
    QTest::newRow("side") << "side" << QByteArray("{}") << QByteArray(R"({"side": 1})");
    QTest::newRow("speed") << "Speed" << QByteArray(R"({"speed": 70, "unused": 1})")
                           << QByteArray(R"({"speed": 70})");
    QTest::newRow("pause") << "pause" << QByteArray("{}")
                           << QByteArray(R"({"hour": 0, "minute": 0, "second": 0})");
    QTest::newRow("unknown") << "colour" << QByteArray("{}") << QByteArray("{}");
}

void TestCommand::initialJson()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, defaults);
    QFETCH(QByteArray, fields);
    const QJsonObject entry{{"Command", "cmd"},
                            {"Inputs", QJsonArray{input}},
                            {"Default", QJsonDocument::fromJson(defaults).object()}};
    QJsonObject action = QJsonDocument::fromJson(fields).object();
    action.insert("command", "cmd");
    const QJsonObject expected{{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
    QCOMPARE(Command::fromMenuEntry(entry).json(), expected);
}

void TestCommand::pictureIgnoresDefault()
{
    const Command command = Command::fromMenuEntry(
        parse(R"({"Command": "mMatrix", "Inputs": ["picture"], "Default": {"pict": [1, 1]}})"));
    const QString pict = command.json()["action"]["pict"].toString();
    QCOMPARE(pict.count(QLatin1Char('0')), 64);
    QVERIFY(pict.startsWith('[') && pict.endsWith(']'));
}

void TestCommand::setConditionKind_data()
{
    QTest::addColumn<QByteArray>("allowed");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("expected");
    QTest::newRow("allowed") << QByteArray(R"(["single"])") << 1 << 1;
    QTest::newRow("not allowed") << QByteArray(R"(["single"])") << 3 << 0;
    QTest::newRow("always always allowed") << QByteArray(R"(["counter"])") << 0 << 0;
    QTest::newRow("out of range") << QByteArray(R"(["single"])") << 7 << 0;
}

void TestCommand::setConditionKind()
{
    QFETCH(QByteArray, allowed);
    QFETCH(int, kind);
    QFETCH(int, expected);
    Command command = Command::fromMenuEntry(
        {{"Command", "c"}, {"Conditions", QJsonDocument::fromJson(allowed).array()}});
    RecordingObserver observer;
    command.attach(&observer);
    command.setConditionKind(kind);
    QCOMPARE(command.conditionKind(), expected);
    QCOMPARE(observer.calls, 0);
    command.detach(&observer);
}

void TestCommand::loadDerivesKind_data()
{
    QTest::addColumn<QByteArray>("conditions");
    QTest::addColumn<int>("kind");
    QTest::newRow("always") << QByteArray(R"({"type": "always"})") << 0;
    QTest::newRow("single") << QByteArray(R"({"type": "single", "data": [{"pin": "D3"}]})") << 1;
    QTest::newRow("single counter")
        << QByteArray(R"({"type": "single", "data": [{"equation": "counter", "level": "7"}]})")
        << 3;
    QTest::newRow("and") << QByteArray(R"({"type": "and", "data": [{"pin": "D3"}, {"pin": "A1"}]})")
                         << 2;
    QTest::newRow("or with counter")
        << QByteArray(R"({"type": "or", "data": [{"pin": "D3"}, {"equation": "counter"}]})") << 4;
    QTest::newRow("no type keeps kind") << QByteArray(R"({"data": []})") << 2;
    QTest::newRow("unknown type keeps kind") << QByteArray(R"({"type": "xor"})") << 2;
}

void TestCommand::loadDerivesKind()
{
    QFETCH(QByteArray, conditions);
    QFETCH(int, kind);
    Command command =
        Command::fromMenuEntry(parse(R"({"Command": "c", "Conditions": ["conditions"]})"));
    command.setConditionKind(2);
    RecordingObserver observer;
    command.attach(&observer);
    const QJsonObject object{{"conditions", QJsonDocument::fromJson(conditions).object()},
                             {"action", QJsonObject{{"command", "c"}}}};
    command.load(object);
    QCOMPARE(command.conditionKind(), kind);
    QCOMPARE(command.json(), object);
    QCOMPARE(observer.calls, 1);
}

void TestCommand::setJsonNotifiesWithoutDerivingKind()
{
    Command command("mPause");
    QCOMPARE(command.json(), parse(R"({"conditions": {}, "action": {"command": "mPause"}})"));
    RecordingObserver first;
    RecordingObserver second;
    command.attach(&first);
    command.attach(&second);
    command.setJson(parse(R"({"conditions": {"type": "single", "data": [{}]}, "action": {}})"));
    QCOMPARE(command.conditionKind(), 0);
    QCOMPARE(first.calls, 1);
    QCOMPARE(second.calls, 1);
    command.detach(&first);
    command.setJson({});
    QCOMPARE(first.calls, 1);
    QCOMPARE(second.calls, 2);
}

void TestCommand::copies()
{
    const Command menuEntry = Command::fromMenuEntry(
        parse(R"({"Command": "mSetleds", "Conditions": ["single"], "Inputs": ["led"]})"));
    Command rowCommand(menuEntry);
    QVERIFY(rowCommand.observers().isEmpty());
    RecordingObserver row;
    rowCommand.attach(&row);
    QVERIFY(menuEntry.observers().isEmpty());
    QCOMPARE(rowCommand.json(), menuEntry.json());
    QCOMPARE(rowCommand.allowedConditions(), menuEntry.allowedConditions());

    // A copy of an observed command carries its observers along.
    Command copy(rowCommand);
    QCOMPARE(copy.observers().size(), 1);
    copy.setJson({});
    QCOMPARE(row.calls, 1);
}

void TestCommand::breakpointTravelsBesideTheJson()
{
    const QJsonObject marked =
        parse(R"({"conditions": {}, "action": {"command": "m_fwd"}, "breakpoint": true})");
    Command command("m_fwd");
    RecordingObserver row;
    command.attach(&row);
    command.load(marked);
    QVERIFY(command.hasBreakpoint());
    QVERIFY(!command.json().contains("breakpoint"));
    QCOMPARE(command.documentJson(), marked);
    QCOMPARE(row.calls, 1);

    // Edits of the panel replace the JSON without touching the mark; a stray key is no mark.
    command.setJson(parse(R"({"conditions": {}, "action": {"command": "m_fwd", "speed": 9},
                              "breakpoint": false})"));
    QVERIFY(command.hasBreakpoint());
    QVERIFY(!command.json().contains("breakpoint"));
    QCOMPARE(command.documentJson().value("breakpoint"), QJsonValue(true));

    // Toggling tells the row once per change; a copy (the row an undo brings back) keeps it.
    command.setBreakpoint(true);
    QCOMPARE(row.calls, 2);
    const Command copy(command);
    QVERIFY(copy.hasBreakpoint());
    command.setBreakpoint(false);
    QCOMPARE(row.calls, 3);
    QVERIFY(!command.documentJson().contains("breakpoint"));

    // Older documents have no mark at all.
    command.load(parse(R"({"conditions": {}, "action": {"command": "m_fwd"}})"));
    QVERIFY(!command.hasBreakpoint());
}

void TestCommand::detachDuringNotify()
{
    struct SelfDetaching : Observer
    {
        Command *command = nullptr;
        int calls = 0;
        void subjectChanged(const QString &) override
        {
            ++calls;
            command->detach(this);
        }
    };
    Command command("call");
    SelfDetaching a;
    SelfDetaching b;
    a.command = b.command = &command;
    command.attach(&a);
    command.attach(&b);
    command.setJson({});
    QCOMPARE(a.calls, 1);
    QCOMPARE(b.calls, 1);
    QVERIFY(command.observers().isEmpty());
}

QTEST_MAIN(TestCommand)
#include "tst_command.moc"
