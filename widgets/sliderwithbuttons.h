#pragma once

#include "rightmenuinputswidget.h"

#include <QString>

class ClickableRoundLabel;
class QLineEdit;
class QSlider;

// A value chooser of the property editors: a text field over a slider, with a decrease and an
// increase button at the field's ends. The field accepts typed values and checks them on every
// keystroke. In decimal mode the value is held in tenths and shown with one decimal. By keyboard,
// the slider takes the arrow keys, and Up and Down in the field step as the buttons do.
class SliderWithButtons : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    SliderWithButtons(int minimum, int maximum, int step, int value, QWidget *parent = nullptr);

    void setDecimal(bool decimal);
    // Names the field and the slider (and their buttons) for assistive technology.
    void setAccessibleLabel(const QString &name);
    bool isDecimal() const { return m_decimal; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // The field's text as the editors write it into a command: a typed decimal comma is given
    // as a point, so "1,5" is stored as "1.5".
    QString valueText() const;
    // Shows a value read from a document, in whole units (tenths are rounded in decimal mode,
    // whole mode truncates), clamped to the range; NaN and infinities land on a bound.
    void setUnits(double units);
    // The field's value in slider units (tenths in decimal mode).
    int value() const;

    QLineEdit *lineEdit() const { return m_lineEdit; }
    QSlider *slider() const { return m_slider; }
    ClickableRoundLabel *decreaseButton() const { return m_decrease; }
    ClickableRoundLabel *increaseButton() const { return m_increase; }

signals:
    void changedData();

public slots:
    // Moves the slider and writes the field; the value is clamped to the range.
    void setLineInput(int value);
    void setValueFromLineEdit(QString text);
    void leftButtonCLicked();
    void rightButtonCLicked();
    void emitChangedData();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString formatted(int value) const;
    int fieldValue() const;
    void showValueOnSlider(int value);

    int m_minimum;
    int m_maximum;
    bool m_decimal = false;
    QString m_lastValidText;
    ClickableRoundLabel *m_decrease = nullptr;
    ClickableRoundLabel *m_increase = nullptr;
    QLineEdit *m_lineEdit = nullptr;
    QSlider *m_slider = nullptr;
    // Set between a user's slider action (click on the groove, a key) and the value change it
    // brings, so that only such changes, not loads, are reported as edits.
    bool m_userSliderAction = false;
};
