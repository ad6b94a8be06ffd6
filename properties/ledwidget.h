#pragma once

#include "rightmenuinputswidget.h"

class PinComboBoxModel;
class RightMenuComboBox;
class ToggledIconLabel;

// Which LED to switch and whether it goes on or off.
class LedWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit LedWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    // {"led": {"pin", "state"}}; the panel copies both fields into the action.
    QJsonObject toJson() override;

    RightMenuComboBox *comboBox() const { return m_combo; }
    ToggledIconLabel *toggle() const { return m_toggle; }

private:
    RightMenuComboBox *m_combo = nullptr;
    PinComboBoxModel *m_model = nullptr;
    QJsonValue m_loadedPin;
    ToggledIconLabel *m_toggle = nullptr;
};
