#pragma once

#include "subject.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// One command: of the command menu (a template owned by the hardware description), of the program
// state store, or of a program row (a copy of the menu entry of the same name). It holds the
// command's JSON ({"conditions", "action"}) together with what the menu knows about its kind.
class Command : public Subject
{
public:
    // Condition kinds of a command, as offered by the row's chooser.
    enum ConditionKind
    {
        Always = 0,
        Single = 1,
        Conditions = 2,
        Counter = 3,
        ConditionCounter = 4,
    };

    Command() = default;
    // A command known only by name: JSON {"conditions": {}, "action": {"command": name}}.
    explicit Command(const QString &name);
    // A command menu entry of base.json: "Command", "Picture", "Tooltip", "Default", "Conditions",
    // "Inputs", "OutputGroup". The JSON is the initial JSON of a new command (see initialJson).
    static Command fromMenuEntry(const QJsonObject &entry);

    // Copies every member, observers included; copies of menu entries therefore start without.
    Command(const Command &other) = default;
    Command &operator=(const Command &other) = default;
    ~Command() override = default;

    const QString &name() const { return m_name; }
    const QString &toolTip() const { return m_toolTip; }
    const QString &onIcon() const { return m_onIcon; }
    const QString &offIcon() const { return m_offIcon; }
    const QString &disabledIcon() const { return m_disabledIcon; }
    const QJsonObject &defaultAction() const { return m_defaultAction; }
    const QList<int> &allowedConditions() const { return m_allowedConditions; }
    const QStringList &inputs() const { return m_inputs; }
    const QStringList &outputGroups() const { return m_outputGroups; }
    const QJsonObject &json() const { return m_json; }
    int conditionKind() const { return m_conditionKind; }

    // Takes the kind only when the menu entry allows it; no notification.
    void setConditionKind(int kind);
    // Replaces the JSON and tells the observers; the breakpoint stays as it is.
    void setJson(const QJsonObject &commandObject);
    // Replaces the JSON and the breakpoint with those of a command object as program documents
    // hold it, derives the condition kind from its "conditions", tells the observers.
    void load(const QJsonObject &commandObject);

    // A run started from the editor pauses before this command. The mark is the editor's, not
    // part of json(): it travels with the command (drags, undo) and into documentJson().
    bool hasBreakpoint() const { return m_breakpoint; }
    void setBreakpoint(bool on);
    // json() as program documents hold it: with the breakpoint mark when there is one.
    QJsonObject documentJson() const;

    // The JSON of a freshly created command: {"type": "always"} conditions (kind 0) and an action
    // with "command" plus the fields of every input kind, from defaultAction or built-in values.
    QJsonObject initialJson() const;

    // "always" 0, "single" 1, "conditions" 2, "counter" 3, "conditioncounter" 4, ignoring case;
    // anything else 0.
    static int conditionKindFromName(const QString &name);
    // The kind a conditions object stands for, or -1 when its "type" names none.
    static int conditionKindOf(const QJsonObject &conditions);

private:
    QString m_name;
    QString m_toolTip;
    QString m_onIcon;
    QString m_offIcon;
    QString m_disabledIcon;
    QJsonObject m_defaultAction;
    QList<int> m_allowedConditions{Always};
    QStringList m_inputs;
    QStringList m_outputGroups;
    QJsonObject m_json;
    int m_conditionKind = Always;
    bool m_breakpoint = false;
};
