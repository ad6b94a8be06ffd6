#include "command.h"

#include "breakpoint.h"
#include "imagenames.h"

#include <QJsonArray>
#include <QJsonValue>

namespace {

const QString kPictureDefault = QStringLiteral(
    "[0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, "
    "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0]");

} // namespace

Command::Command(const QString &name)
    : m_name(name)
    , m_json{{QStringLiteral("conditions"), QJsonObject()},
             {QStringLiteral("action"), QJsonObject{{QStringLiteral("command"), name}}}}
{}

Command Command::fromMenuEntry(const QJsonObject &entry)
{
    Command command(entry.value(QStringLiteral("Command")).toString());
    const QString stem = ImageNames::stemOf(entry.value(QStringLiteral("Picture")).toString());
    command.m_onIcon = stem + QStringLiteral("_on.svg");
    command.m_offIcon = stem + QStringLiteral("_off.svg");
    command.m_disabledIcon = stem + QStringLiteral("_disable.svg");
    command.m_toolTip = entry.value(QStringLiteral("Tooltip")).toString();
    command.m_defaultAction = entry.value(QStringLiteral("Default")).toObject();

    command.m_allowedConditions.clear();
    const QJsonArray conditions = entry.value(QStringLiteral("Conditions")).toArray();
    for (const QJsonValue &value : conditions)
        command.m_allowedConditions.append(conditionKindFromName(value.toString()));
    // "always" is always possible: a command can run unconditionally.
    if (!command.m_allowedConditions.contains(Always))
        command.m_allowedConditions.append(Always);
    command.m_conditionKind = Always;

    const QJsonArray inputs = entry.value(QStringLiteral("Inputs")).toArray();
    for (const QJsonValue &value : inputs)
        command.m_inputs.append(value.toString());
    const QJsonArray groups = entry.value(QStringLiteral("OutputGroup")).toArray();
    for (const QJsonValue &value : groups)
        command.m_outputGroups.append(value.toString());

    command.m_json = command.initialJson();
    return command;
}

void Command::setConditionKind(int kind)
{
    if (m_allowedConditions.contains(kind))
        m_conditionKind = kind;
}

void Command::setJson(const QJsonObject &commandObject)
{
    m_json = commandObject;
    m_json.remove(Breakpoint::key());
    notifyObservers();
}

void Command::load(const QJsonObject &commandObject)
{
    m_json = commandObject;
    m_breakpoint = Breakpoint::isSet(commandObject);
    m_json.remove(Breakpoint::key());
    const int kind = conditionKindOf(commandObject.value(QStringLiteral("conditions")).toObject());
    if (kind >= 0)
        m_conditionKind = kind;
    notifyObservers();
}

void Command::setBreakpoint(bool on)
{
    if (m_breakpoint == on)
        return;
    m_breakpoint = on;
    notifyObservers();
}

QJsonObject Command::documentJson() const
{
    if (!m_breakpoint)
        return m_json;
    QJsonObject object = m_json;
    object.insert(Breakpoint::key(), true);
    return object;
}

QJsonObject Command::initialJson() const
{
    QJsonObject action{{QStringLiteral("command"), m_name}};
    auto put = [&](const QString &field, const QJsonValue &builtIn) {
        action.insert(field,
                      m_defaultAction.contains(field) ? m_defaultAction.value(field) : builtIn);
    };
    for (const QString &input : m_inputs) {
        const QString kind = input.toLower();
        if (kind == QLatin1String("timer")) {
            put(QStringLiteral("timer"), 0);
            put(QStringLiteral("time"), 0);
        } else if (kind == QLatin1String("brake")) {
            put(QStringLiteral("brake"), 0);
        } else if (kind == QLatin1String("motor")) {
            put(QStringLiteral("motor"), QString());
        } else if (kind == QLatin1String("servo")) {
            put(QStringLiteral("servo"), QString());
            put(QStringLiteral("angle"), 0);
        } else if (kind == QLatin1String("servos")) {
            put(QStringLiteral("servos"), QStringLiteral("[]"));
        } else if (kind == QLatin1String("led")) {
            put(QStringLiteral("pin"), QString());
            put(QStringLiteral("state"), 0);
        } else if (kind == QLatin1String("picture")) {
            // An empty picture is the only sensible start, whatever the menu says.
            action.insert(QStringLiteral("pict"), kPictureDefault);
        } else if (kind == QLatin1String("sound")) {
            put(QStringLiteral("note"), QStringLiteral("C"));
            put(QStringLiteral("octave"), QStringLiteral("4"));
            put(QStringLiteral("time"), QStringLiteral("1"));
        } else if (kind == QLatin1String("piano")) {
            put(QStringLiteral("tempo"), QStringLiteral("90"));
            put(QStringLiteral("sounds"), QStringLiteral("[]"));
        } else if (kind == QLatin1String("side")) {
            put(QStringLiteral("side"), 1);
        } else if (kind == QLatin1String("speed")) {
            put(QStringLiteral("speed"), 0);
        } else if (kind == QLatin1String("pause")) {
            put(QStringLiteral("hour"), 0);
            put(QStringLiteral("minute"), 0);
            put(QStringLiteral("second"), 0);
        }
        // "subprogram" has no field until its editor writes "proc".
    }

    QJsonObject conditions = m_json.value(QStringLiteral("conditions")).toObject();
    if (m_conditionKind == Always)
        conditions = QJsonObject{{QStringLiteral("type"), QStringLiteral("always")}};
    return QJsonObject{{QStringLiteral("conditions"), conditions},
                       {QStringLiteral("action"), action}};
}

int Command::conditionKindFromName(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("single"))
        return Single;
    if (lower == QLatin1String("conditions"))
        return Conditions;
    if (lower == QLatin1String("counter"))
        return Counter;
    if (lower == QLatin1String("conditioncounter"))
        return ConditionCounter;
    return Always;
}

int Command::conditionKindOf(const QJsonObject &conditions)
{
    const QString type = conditions.value(QStringLiteral("type")).toString();
    bool hasCounter = false;
    const QJsonArray data = conditions.value(QStringLiteral("data")).toArray();
    for (const QJsonValue &value : data) {
        if (value.toObject().value(QStringLiteral("equation")).toString() ==
            QLatin1String("counter"))
            hasCounter = true;
    }
    if (type == QLatin1String("always"))
        return Always;
    if (type == QLatin1String("single"))
        return hasCounter ? Counter : Single;
    if (type == QLatin1String("and") || type == QLatin1String("or"))
        return hasCounter ? ConditionCounter : Conditions;
    return -1;
}
