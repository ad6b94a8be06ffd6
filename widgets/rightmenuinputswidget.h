#pragma once

#include <QFrame>
#include <QJsonObject>

class Command;

// Base of every editor in the property panel: it knows the command being edited and whether a
// change should be reported. Editors clear the flag while they load a command so that filling
// their controls does not write the command back.
class RightMenuInputsWidget : public QFrame
{
    Q_OBJECT
public:
    explicit RightMenuInputsWidget(QWidget *parent = nullptr);

    virtual void setCommand(Command *command);
    Command *command() const { return m_command; }
    // The fields this editor contributes to the command; editors without fields return nothing.
    virtual QJsonObject toJson() { return {}; }

    bool emitEnabled() const { return m_emitEnabled; }
    void setEmitEnabled(bool enabled) { m_emitEnabled = enabled; }

signals:
    void stateChanged();

public slots:
    virtual void changeCommandData();

protected:
    Command *m_command = nullptr;
    bool m_emitEnabled = true;
};
