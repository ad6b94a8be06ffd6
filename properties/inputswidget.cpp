#include "inputswidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "brakewidget.h"
#include "clickableroundlabel.h"
#include "command.h"
#include "disabledreason.h"
#include "ledwidget.h"
#include "motorwidget.h"
#include "musicwidget.h"
#include "pausewidget.h"
#include "picturewidget.h"
#include "propertycontrols.h"
#include "servoswidget.h"
#include "servowidget.h"
#include "sidewidget.h"
#include "soundwidget.h"
#include "speedwidget.h"
#include "subprogramwidget.h"
#include "timerwidget.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

InputsWidget::InputsWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_subProgram = new SubProgramWidget(this);
    m_picture = new PictureWidget(this);
    m_music = new MusicWidget(this);
    m_sound = new SoundWidget(this);
    m_pause = new PauseWidget(this);
    m_led = new LedWidget(this);
    m_servo = new ServoWidget(this);
    m_servo->setSingle(true);
    m_servos = new ServosWidget(this);
    m_motor = new MotorWidget(this);
    m_timer = new TimerWidget(this);
    m_brake = new BrakeWidget(this);
    m_side = new SideWidget(this);
    m_speed = new SpeedWidget(this);

    m_runFrame = new QFrame(this);
    m_runFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto *runLayout = new QHBoxLayout(m_runFrame);
    runLayout->setContentsMargins(0, 8, 0, 8);
    m_runButton = PropertyControls::clickable(
        QStringLiteral("btnrun"), QStringLiteral("RunButtonWidth"),
        QStringLiteral("RunButtonHeight"), 40, QStringLiteral("ButtonRun"), m_runFrame);
    runLayout->addWidget(m_runButton, 0, Qt::AlignCenter);
    AccessibleText::set(m_runButton, QStringLiteral("ButtonRun"), QStringLiteral("ButtonRunHint"));
    m_runButton->setToolTip(AccessibleText::text(QStringLiteral("ButtonRunHint")));
    connect(m_runButton, &ClickableRoundLabel::clicked, this, &InputsWidget::runClicked);

    m_entries = {
        {QStringLiteral("subprogram"), m_subProgram, {QStringLiteral("proc")}},
        {QStringLiteral("brake"), m_brake, {QStringLiteral("brake")}},
        {QStringLiteral("motor"), m_motor, {QStringLiteral("motor")}},
        {QStringLiteral("servo"), m_servo, {QStringLiteral("servo"), QStringLiteral("angle")}},
        {QStringLiteral("servos"), m_servos, {QStringLiteral("servos")}},
        {QStringLiteral("led"), m_led, {QStringLiteral("pin"), QStringLiteral("state")}},
        {QStringLiteral("picture"), m_picture, {QStringLiteral("pict")}},
        // The sound and melody objects are copied key by key.
        {QStringLiteral("sound"), m_sound, {}},
        {QStringLiteral("piano"), m_music, {}},
        {QStringLiteral("pause"),
         m_pause,
         {QStringLiteral("hour"), QStringLiteral("minute"), QStringLiteral("second")}},
        {QStringLiteral("side"), m_side, {QStringLiteral("side")}},
        {QStringLiteral("speed"), m_speed, {QStringLiteral("speed")}},
        {QStringLiteral("timer"), m_timer, {QStringLiteral("timer"), QStringLiteral("time")}},
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    const QList<RightMenuInputsWidget *> column{m_subProgram, m_picture, m_music,  m_sound, m_pause,
                                                m_led,        m_servo,   m_servos, m_motor, m_timer,
                                                m_brake,      m_side,    m_speed};
    for (RightMenuInputsWidget *editor : column) {
        layout->addWidget(editor);
        connect(editor, &RightMenuInputsWidget::stateChanged, this,
                &InputsWidget::changeCommandData);
    }
    layout->addWidget(m_runFrame);
    layout->addStretch(1);
    hideAll();
}

void InputsWidget::hideAll()
{
    for (const Entry &entry : std::as_const(m_entries))
        entry.editor->hide();
    m_runFrame->hide();
}

const InputsWidget::Entry *InputsWidget::entryFor(const QString &inputName) const
{
    const QString name = inputName.toLower();
    for (const Entry &entry : m_entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

RightMenuInputsWidget *InputsWidget::editorFor(const QString &inputName) const
{
    const Entry *entry = entryFor(inputName);
    return entry ? entry->editor : nullptr;
}

void InputsWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    m_emitEnabled = false;
    hideAll();
    bool runnable = false;
    const QStringList inputs = command ? command->inputs() : QStringList();
    for (const QString &input : inputs) {
        const Entry *entry = entryFor(input);
        if (!entry)
            continue;
        entry->editor->show();
        entry->editor->setCommand(command);
        if (entry->editor != m_subProgram)
            runnable = true;
    }
    m_runFrame->setVisible(runnable);
    m_emitEnabled = true;
}

QJsonObject InputsWidget::toJson()
{
    QJsonObject action{{QStringLiteral("command"), command() ? command()->name() : QString()}};
    const QStringList inputs = command() ? command()->inputs() : QStringList();
    for (const QString &input : inputs) {
        const Entry *entry = entryFor(input);
        if (!entry)
            continue;
        QJsonObject fields = entry->editor->toJson();
        // The LED editor nests its two fields.
        if (entry->editor == m_led)
            fields = fields.value(QStringLiteral("led")).toObject();
        if (entry->fields.isEmpty()) {
            for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
                action.insert(it.key(), it.value());
        } else {
            for (const QString &field : entry->fields)
                action.insert(field, fields.value(field));
        }
    }
    return action;
}

void InputsWidget::setRunEnabled(bool enabled, const QString &reason)
{
    m_runFrame->setEnabled(enabled);
    const QString hint = AccessibleText::text(QStringLiteral("ButtonRunHint"));
    const QString why = enabled ? QString() : reason;
    m_runButton->setToolTip(DisabledReason::toolTip(hint, why));
    m_runButton->setAccessibleDescription(why.isEmpty() ? hint : why);
}

bool InputsWidget::isRunEnabled() const
{
    return m_runFrame->isEnabled();
}

bool InputsWidget::isRunShown() const
{
    return !m_runFrame->isHidden();
}

void InputsWidget::setSubprogramCounter(std::function<int()> counter)
{
    m_subProgram->setSubprogramCounter(std::move(counter));
}
