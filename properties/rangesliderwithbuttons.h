#pragma once

#include "rightmenuinputswidget.h"

class ClickableRoundLabel;
class QLineEdit;
class RangeSlider;

// A range chooser of the condition editors: the upper value's field above a two-handle slider,
// the lower value's field below it, each field with a decrease and an increase button.
class RangeSliderWithButtons : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    RangeSliderWithButtons(int minimum, int maximum, int step, int lower, int upper,
                           QWidget *parent = nullptr);

    void setValues(int lower, int upper);
    // Names both fields (and their buttons) for assistive technology.
    void setAccessibleLabel(const QString &name);
    QString lowerText() const;
    QString upperText() const;
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    RangeSlider *rangeSlider() const { return m_slider; }
    QLineEdit *lowerLineEdit() const { return m_lowerEdit; }
    QLineEdit *upperLineEdit() const { return m_upperEdit; }
    ClickableRoundLabel *decreaseLowerButton() const { return m_decreaseLower; }
    ClickableRoundLabel *increaseLowerButton() const { return m_increaseLower; }
    ClickableRoundLabel *decreaseUpperButton() const { return m_decreaseUpper; }
    ClickableRoundLabel *increaseUpperButton() const { return m_increaseUpper; }

signals:
    void changedData();

public slots:
    void setUpperLineInput(int value);
    void setLowerLineInput(int value);
    void setValueFromUpperLineEdit(QString text);
    void setValueFromLowerLineEdit(QString text);
    void leftUpperButtonCLicked();
    void leftLowerButtonCLicked();
    void rightUpperButtonCLicked();
    void rightLowerButtonCLicked();
    void emitChangedData();
    void checkAndRepair();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ClickableRoundLabel *makeButton(const QString &stem, int width, int height);
    static int fieldInt(const QLineEdit *edit);
    static void writeField(QLineEdit *edit, int value);

    int m_minimum;
    int m_maximum;
    // While the user types, the slider's echo must not overwrite the text being typed.
    bool m_typing = false;
    QLineEdit *m_upperEdit = nullptr;
    QLineEdit *m_lowerEdit = nullptr;
    ClickableRoundLabel *m_decreaseUpper = nullptr;
    ClickableRoundLabel *m_increaseUpper = nullptr;
    ClickableRoundLabel *m_decreaseLower = nullptr;
    ClickableRoundLabel *m_increaseLower = nullptr;
    RangeSlider *m_slider = nullptr;
};
