#pragma once

#include "rightmenuinputswidget.h"

class QLabel;
class SliderWithButtons;
class ToggledIconLabel;

// One servo: its pin, whether it moves, and the angle to move to. As a row of the servos editor
// it reads and writes one element of "servos"; on its own (single mode) it edits the action's
// "servo" and "angle".
class ServoWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit ServoWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    void setPinLabel(const QString &text);
    QString pinLabel() const { return m_pin; }
    // Unselects the toggle without a signal.
    void reset();
    bool isSelected() const;

    // In single mode the servo always moves, so the toggle is hidden and the pin is taken from
    // "servo" (or the first servo of the pin set-up).
    void setSingle(bool single);
    bool isSingle() const { return m_single; }

    ToggledIconLabel *toggle() const { return m_toggle; }
    SliderWithButtons *slider() const { return m_slider; }
    QLabel *label() const { return m_label; }

private:
    void loadSingle(const QJsonObject &action, const QString &commandName);
    void nameControls();

    QString m_pin;
    bool m_single = false;
    QLabel *m_label = nullptr;
    ToggledIconLabel *m_toggle = nullptr;
    SliderWithButtons *m_slider = nullptr;
};
