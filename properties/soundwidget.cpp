#include "soundwidget.h"

#include "accessibletext.h"
#include "command.h"
#include "pianokeybord.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

SoundWidget::SoundWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_keyboard = new PianoKeybord(this, true);
    m_octave = new SliderWithButtons(0, 5, 1, 3, this);
    m_time = new SliderWithButtons(0, 25, 1, 10, this);
    m_time->setDecimal(true);
    m_octave->setAccessibleLabel(AccessibleText::text(QStringLiteral("PianoOctave")));
    m_time->setAccessibleLabel(AccessibleText::text(QStringLiteral("SoundTime")));

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    grid->addWidget(PropertyControls::caption(QStringLiteral("PianoOctave"), this), 0, 0);
    grid->addWidget(m_octave, 0, 1);
    grid->addWidget(PropertyControls::caption(QStringLiteral("SoundTime"), this), 1, 0);
    grid->addWidget(m_time, 1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_keyboard);
    layout->addLayout(grid);

    connect(m_keyboard, &PianoKeybord::keyClicked, this, &SoundWidget::changeCommandData);
    connect(m_octave, &SliderWithButtons::changedData, this, &SoundWidget::changeCommandData);
    connect(m_time, &SliderWithButtons::changedData, this, &SoundWidget::changeCommandData);
}

void SoundWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    m_octave->setLineInput(PropertyValues::readInt(action.value(QStringLiteral("octave"))));
    m_keyboard->setCurrentKey(action.value(QStringLiteral("note")).toString());
    // Shown in tenths, rounded to the nearest one.
    m_time->setUnits(PropertyValues::readNumber(action.value(QStringLiteral("time"))));
}

QJsonObject SoundWidget::toJson()
{
    return {{QStringLiteral("note"), m_keyboard->currentKey()},
            {QStringLiteral("time"), m_time->valueText()},
            {QStringLiteral("octave"), m_octave->valueText()}};
}
