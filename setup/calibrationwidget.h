#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class SliderWithButtons;

// One calibration value: a drive motor's power or a servo's zero position, 0..200.
class CalibrationWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int Minimum = 0;
    static constexpr int Maximum = 200;
    static constexpr int Neutral = 100;

    // name identifies the row ("Motor1", "Motor2" or a pin label); caption is what the user reads.
    CalibrationWidget(const QString &name, int value, const QString &caption = QString(),
                      QWidget *parent = nullptr);

    QString name() const { return m_name; }
    int value() const;
    SliderWithButtons *slider() const { return m_slider; }
    QLabel *captionLabel() const { return m_label; }

public slots:
    // Shows the value clamped into the row's range.
    void setLineInput(int value);

private:
    QString m_name;
    QLabel *m_label = nullptr;
    SliderWithButtons *m_slider = nullptr;
};
