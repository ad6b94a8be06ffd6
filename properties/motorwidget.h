#pragma once

#include "rightmenuinputswidget.h"

class PinComboBoxModel;
class RightMenuComboBox;

// Which motor a single-motor command drives, chosen among the motors of the pin set-up.
class MotorWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit MotorWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    RightMenuComboBox *comboBox() const { return m_combo; }

private:
    RightMenuComboBox *m_combo = nullptr;
    PinComboBoxModel *m_model = nullptr;
    QJsonValue m_loadedMotor;
};
