#include "digitconditionwidget.h"

#include "accessibletext.h"
#include "command.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QJsonArray>
#include <QLineEdit>

DigitConditionWidget::DigitConditionWidget(int conditionIndex, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_conditionIndex(conditionIndex)
{
    setMinimumHeight(0);
    m_pressed = PropertyControls::toggle(
        QStringLiteral("digibutton"), QStringLiteral("PropertyPressedWidth"),
        QStringLiteral("PropertyPressedHeight"), 40, QStringLiteral("PropertyPressed"),
        QStringLiteral("PropertyPressedHint"), this);
    m_unpressed = PropertyControls::toggle(
        QStringLiteral("digibutton"), QStringLiteral("PropertyPressedWidth"),
        QStringLiteral("PropertyPressedHeight"), 40, QStringLiteral("PropertyUnpressed"),
        QStringLiteral("PropertyUnpressedHint"), this);
    m_pressed->groupWith(m_unpressed);
    m_pressed->setSelected();

    m_liveValue = new QLineEdit(this);
    m_liveValue->setReadOnly(true);
    m_liveValue->setAlignment(Qt::AlignCenter);
    m_liveValue->setMaximumWidth(100);
    m_liveValue->setFocusPolicy(Qt::NoFocus);
    AccessibleText::set(m_liveValue, QStringLiteral("LiveValueName"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(m_pressed);
    layout->addWidget(m_unpressed);
    layout->addStretch(1);
    layout->addWidget(m_liveValue);

    connect(m_pressed, &ToggledIconLabel::selected, this, &DigitConditionWidget::changeCommandData);
    connect(m_unpressed, &ToggledIconLabel::selected, this,
            &DigitConditionWidget::changeCommandData);
}

void DigitConditionWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QJsonValue condition = command->json()
                                     .value(QStringLiteral("conditions"))
                                     .toObject()
                                     .value(QStringLiteral("data"))
                                     .toArray()
                                     .at(m_conditionIndex);
    // A level stored as a number means the same input state as its text form.
    const bool pressed =
        PropertyValues::readInt(condition.toObject().value(QStringLiteral("level"))) != 0;
    if (pressed)
        m_pressed->setSelected();
    else
        m_unpressed->setSelected();
}

QJsonObject DigitConditionWidget::toJson()
{
    return {{QStringLiteral("level"),
             m_pressed->isSelected() ? QStringLiteral("1") : QStringLiteral("0")}};
}

void DigitConditionWidget::setCurrentControllerValue(QJsonObject json)
{
    const QJsonArray inputs = json.value(QStringLiteral("DI")).toArray();
    if (m_inputNumber < 0 || m_inputNumber >= inputs.size())
        return;
    m_liveValue->setText(inputs.at(m_inputNumber).toInt() == 1 ? QStringLiteral("Pressed")
                                                               : QStringLiteral("Unpressed"));
}
