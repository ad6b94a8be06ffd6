#pragma once

#include "rightmenuinputswidget.h"

#include <QList>
#include <QString>

#include <functional>

class BrakeWidget;
class ClickableRoundLabel;
class LedWidget;
class MotorWidget;
class MusicWidget;
class PauseWidget;
class PictureWidget;
class ServoWidget;
class ServosWidget;
class SideWidget;
class SoundWidget;
class SpeedWidget;
class SubProgramWidget;
class TimerWidget;

// The column of property editors below the condition editor, and the run button. Which editors
// show follows the "Inputs" list of the command's menu entry.
class InputsWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit InputsWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    void hideAll();
    // The action object: "command" and the fields of every listed input, nothing else.
    QJsonObject toJson() override;
    // Enables the run button, or disables it with the words that say why (and what to do first).
    void setRunEnabled(bool enabled, const QString &reason = {});
    bool isRunEnabled() const;
    bool isRunShown() const;

    void setSubprogramCounter(std::function<int()> counter);

    // The editor for an input name (any letter case); nullptr for an unknown name.
    RightMenuInputsWidget *editorFor(const QString &inputName) const;

    SubProgramWidget *subProgramWidget() const { return m_subProgram; }
    PictureWidget *pictureWidget() const { return m_picture; }
    MusicWidget *musicWidget() const { return m_music; }
    SoundWidget *soundWidget() const { return m_sound; }
    PauseWidget *pauseWidget() const { return m_pause; }
    LedWidget *ledWidget() const { return m_led; }
    ServoWidget *servoWidget() const { return m_servo; }
    ServosWidget *servosWidget() const { return m_servos; }
    MotorWidget *motorWidget() const { return m_motor; }
    TimerWidget *timerWidget() const { return m_timer; }
    BrakeWidget *brakeWidget() const { return m_brake; }
    SideWidget *sideWidget() const { return m_side; }
    SpeedWidget *speedWidget() const { return m_speed; }
    ClickableRoundLabel *runButton() const { return m_runButton; }
    // The frame of the run button; the panel keeps it in sight below its scrolling editors.
    QFrame *runFrame() const { return m_runFrame; }

signals:
    void runClicked();

private:
    struct Entry
    {
        QString name;
        RightMenuInputsWidget *editor;
        QStringList fields;
    };
    const Entry *entryFor(const QString &inputName) const;

    SubProgramWidget *m_subProgram = nullptr;
    PictureWidget *m_picture = nullptr;
    MusicWidget *m_music = nullptr;
    SoundWidget *m_sound = nullptr;
    PauseWidget *m_pause = nullptr;
    LedWidget *m_led = nullptr;
    ServoWidget *m_servo = nullptr;
    ServosWidget *m_servos = nullptr;
    MotorWidget *m_motor = nullptr;
    TimerWidget *m_timer = nullptr;
    BrakeWidget *m_brake = nullptr;
    SideWidget *m_side = nullptr;
    SpeedWidget *m_speed = nullptr;
    QFrame *m_runFrame = nullptr;
    ClickableRoundLabel *m_runButton = nullptr;
    QList<Entry> m_entries;
};
