#pragma once

#include "rightmenuinputswidget.h"

#include <QJsonObject>
#include <QList>

class FocusGrid;
class QLineEdit;
class RangeSliderWithButtons;
class SliderWithButtons;
class ToggledIconLabel;

// Comparison of an analog input with one threshold (equals, unequal, smaller, greater) or with a
// window (inside, outside), with the input's present value beside it.
class AnalogConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    enum Comparison
    {
        Equal,
        Unequal,
        Smaller,
        Bigger,
        Inside,
        Outside
    };

    explicit AnalogConditionWidget(int conditionIndex, QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    // Also remembers the shown values, so that switching between one threshold and a window
    // carries the value over.
    QJsonObject toJson() override;

    void setInputNumber(int number) { m_inputNumber = number; }
    int inputNumber() const { return m_inputNumber; }

    ToggledIconLabel *toggle(Comparison comparison) const { return m_toggles.at(comparison); }
    SliderWithButtons *thresholdSlider() const { return m_threshold; }
    RangeSliderWithButtons *windowSlider() const { return m_window; }
    QLineEdit *liveValue() const { return m_liveValue; }
    bool windowShown() const { return m_windowShown; }

public slots:
    void changeCommandData() override;
    void setCurrentControllerValue(QJsonObject json);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Tab reaches the comparisons at the chosen one.
    void followChoice();
    bool windowComparison() const;
    void rememberShownValues();
    void showWindow(bool window);

    int m_conditionIndex;
    int m_inputNumber = -1;
    int m_lower = 0;
    int m_upper = 255;
    bool m_windowShown = false;
    QList<ToggledIconLabel *> m_toggles;
    FocusGrid *m_toggleKeys = nullptr;
    SliderWithButtons *m_threshold = nullptr;
    RangeSliderWithButtons *m_window = nullptr;
    QLineEdit *m_liveValue = nullptr;
};
