#pragma once

#include "rightmenuinputswidget.h"

#include <QList>

class ClickableRoundLabel;
class PianoKeybord;
class QListWidget;
class SliderWithButtons;
class SliderWithIcons;
class ToggledIconLabel;

// A melody: every key click adds a note of the chosen octave and length to the list; pauses
// and deletions edit it; the tempo applies to the whole melody. Delete in the list deletes as
// the delete button does.
class MusicWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit MusicWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    // Length of the chosen note-length button, in the controller's melody units.
    int selectedLength() const;

    PianoKeybord *keyboard() const { return m_keyboard; }
    SliderWithButtons *octaveSlider() const { return m_octave; }
    SliderWithButtons *tempoSlider() const { return m_tempo; }
    ToggledIconLabel *lengthButton(int index) const { return m_lengths.value(index); }
    ClickableRoundLabel *pauseButton() const { return m_pause; }
    ClickableRoundLabel *deleteButton() const { return m_delete; }
    QListWidget *noteList() const { return m_list; }

public slots:
    void addNote();
    void addPause();
    void delNote();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    PianoKeybord *m_keyboard = nullptr;
    SliderWithButtons *m_octave = nullptr;
    SliderWithButtons *m_tempo = nullptr;
    QList<ToggledIconLabel *> m_lengths;
    ClickableRoundLabel *m_pause = nullptr;
    ClickableRoundLabel *m_delete = nullptr;
    QListWidget *m_list = nullptr;
    SliderWithIcons *m_scrollBar = nullptr;
};
