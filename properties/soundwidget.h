#pragma once

#include "rightmenuinputswidget.h"

class PianoKeybord;
class SliderWithButtons;

// One tone: the key, its octave and how long it sounds (seconds, to a tenth).
class SoundWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit SoundWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    PianoKeybord *keyboard() const { return m_keyboard; }
    SliderWithButtons *octaveSlider() const { return m_octave; }
    SliderWithButtons *timeSlider() const { return m_time; }

private:
    PianoKeybord *m_keyboard = nullptr;
    SliderWithButtons *m_octave = nullptr;
    SliderWithButtons *m_time = nullptr;
};
