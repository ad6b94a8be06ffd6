#include "servowidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QJsonArray>
#include <QLabel>

ServoWidget::ServoWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    setMinimumHeight(0);
    AppContext &context = AppContext::instance();
    m_label = new QLabel(QStringLiteral("Servo"), this);
    m_label->setStyleSheet(QStringLiteral("color: white;"));
    m_label->setMinimumWidth(30);

    m_toggle = PropertyControls::toggle(QStringLiteral("prop_servo"),
                                        QStringLiteral("ServoWidgetIconWidth"),
                                        QStringLiteral("ServoWidgetIconHeight"), 50, QString(),
                                        QStringLiteral("ServoWidgetHint"), this);
    m_toggle->setDeselectable(true);

    m_slider = new SliderWithButtons(
        context.dimension(QStringLiteral("ServoWidgetSliderStart"), 0),
        context.dimension(QStringLiteral("ServoWidgetSliderStop"), 180),
        context.dimension(QStringLiteral("ServoWidgetSliderStep"), 1),
        context.dimension(QStringLiteral("ServoWidgetSliderDefault"), 90), this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(m_label);
    layout->addWidget(m_toggle);
    layout->addWidget(m_slider, 1);

    connect(m_toggle, &ToggledIconLabel::selected, this, &ServoWidget::changeCommandData);
    connect(m_slider, &SliderWithButtons::changedData, this, &ServoWidget::changeCommandData);
    nameControls();
}

void ServoWidget::nameControls()
{
    // Several rows stand one under the other: each names its servo by its pin.
    const QString pin = m_label->text();
    AccessibleText::setTexts(m_toggle, AccessibleText::format(QStringLiteral("ServoName")).arg(pin),
                             AccessibleText::text(QStringLiteral("ServoWidgetHint")));
    m_slider->setAccessibleLabel(AccessibleText::format(QStringLiteral("ServoAngleName")).arg(pin));
}

void ServoWidget::setPinLabel(const QString &text)
{
    m_pin = text;
    m_label->setText(text);
    nameControls();
}

void ServoWidget::reset()
{
    m_toggle->setUnselected();
}

bool ServoWidget::isSelected() const
{
    return m_toggle->isSelected();
}

void ServoWidget::setSingle(bool single)
{
    m_single = single;
    m_toggle->setVisible(!single);
    setMinimumHeight(single ? 120 : 0);
}

void ServoWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    m_emitEnabled = false;
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    if (m_single) {
        loadSingle(action, command->name());
    } else {
        const QJsonArray servos = action.value(QStringLiteral("servos")).toArray();
        for (const QJsonValue &value : servos) {
            const QJsonObject servo = value.toObject();
            if (servo.value(QStringLiteral("pin")).toString() == m_pin) {
                m_slider->setLineInput(
                    PropertyValues::readInt(servo.value(QStringLiteral("angle"))));
                m_toggle->setSelected();
            }
        }
    }
    m_emitEnabled = true;
}

void ServoWidget::loadSingle(const QJsonObject &action, const QString &commandName)
{
    // The servo named by "servo"; a new command without one takes the first servo of the set-up.
    // A named servo missing from the set-up is kept, not silently moved to another pin.
    const QString wanted = action.value(QStringLiteral("servo")).toString();
    const QList<PinAssignment> servos = AppContext::instance().outputPinsByCommand(commandName);
    const QString pin = !wanted.isEmpty() || servos.isEmpty() ? wanted : servos.first().pinLabel;
    setPinLabel(pin.isEmpty() ? QStringLiteral("Servo") : pin);
    m_pin = pin;
    m_toggle->setSelected();
    m_slider->setLineInput(PropertyValues::readInt(action.value(QStringLiteral("angle"))));
}

QJsonObject ServoWidget::toJson()
{
    if (m_single)
        return {{QStringLiteral("servo"), m_pin}, {QStringLiteral("angle"), m_slider->valueText()}};
    return {{QStringLiteral("pin"), m_pin}, {QStringLiteral("angle"), m_slider->valueText()}};
}
