#include "oneconditionwidget.h"

#include "accessibletext.h"
#include "analogconditionwidget.h"
#include "appcontext.h"
#include "command.h"
#include "digitconditionwidget.h"
#include "pincomboboxmodel.h"
#include "propertycontrols.h"
#include "rightmenucombobox.h"

#include <QEvent>
#include <QJsonArray>
#include <QLabel>
#include <QVBoxLayout>

OneConditionWidget::OneConditionWidget(int conditionIndex, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_conditionIndex(conditionIndex)
{
    setMinimumHeight(0);
    m_pins = new RightMenuComboBox(this);
    m_caption = PropertyControls::caption(QStringLiteral("ConditionInputString"), this, m_pins);
    m_pins->setIconSize(QSize(30, 30));
    m_pins->setStyleSheet(QStringLiteral(
        "OneConditionWidget QComboBox QAbstractItemView QScrollBar:vertical { background-color: "
        "green; color: black; }"));
    m_pins->installEventFilter(this);
    AccessibleText::set(m_pins, QStringLiteral("ConditionInputString"));
    m_model = new PinComboBoxModel({}, this);
    m_pins->setModel(m_model);

    m_digit = new DigitConditionWidget(conditionIndex, this);
    m_analog = new AnalogConditionWidget(conditionIndex, this);
    m_digit->hide();
    m_analog->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_caption);
    layout->addWidget(m_pins);
    layout->addWidget(m_digit);
    layout->addWidget(m_analog);

    connect(m_pins, &QComboBox::currentIndexChanged, this, &OneConditionWidget::selectWidget);
    connect(m_digit, &RightMenuInputsWidget::stateChanged, this,
            &OneConditionWidget::changeCommandData);
    connect(m_analog, &RightMenuInputsWidget::stateChanged, this,
            &OneConditionWidget::changeCommandData);
}

void OneConditionWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    m_emitEnabled = false;

    // The pins follow the current pin set-up, so the list is rebuilt on every load.
    PinComboBoxModel *old = m_model;
    m_model = new PinComboBoxModel(AppContext::instance().inputAssignments(), this);
    m_pins->setModel(m_model);
    delete old;

    m_digit->setCommand(command);
    m_analog->setCommand(command);
    selectWidget();

    m_loadedCondition = command ? command->json()
                                      .value(QStringLiteral("conditions"))
                                      .toObject()
                                      .value(QStringLiteral("data"))
                                      .toArray()
                                      .at(m_conditionIndex)
                                      .toObject()
                                : QJsonObject();
    const QString pin = m_loadedCondition.value(QStringLiteral("pin")).toString();
    int row = m_model->findRow(PinComboBoxModel::PinLabelRole, pin);
    // A condition that names no pin yet (its kind was just chosen) starts on the first sensor
    // offered, so that it is a whole condition from the start.
    if (row < 0 && !m_loadedCondition.contains(QStringLiteral("pin")) && m_model->rowCount() > 0)
        row = 0;
    m_pins->setCurrentIndex(row);
    m_emitEnabled = true;
}

QJsonObject OneConditionWidget::toJson()
{
    const int row = m_pins->currentIndex();
    // A condition on a pin the set-up does not offer stays as it was loaded until the user
    // chooses a pin.
    if (row < 0 && !m_loadedCondition.value(QStringLiteral("pin")).toString().isEmpty())
        return m_loadedCondition;
    const QModelIndex index = m_model->index(row, 0);
    QJsonObject json;
    json.insert(QStringLiteral("pin"),
                row >= 0 ? QJsonValue(index.data(PinComboBoxModel::PinLabelRole).toString())
                         : QJsonValue(QJsonValue::Null));
    if (row >= 0 && index.data(PinComboBoxModel::DigitalRole).toBool()) {
        json.insert(QStringLiteral("equation"), QStringLiteral("equals"));
        json.insert(QStringLiteral("level"), m_digit->toJson().value(QStringLiteral("level")));
    } else {
        const QJsonObject analog = m_analog->toJson();
        json.insert(QStringLiteral("equation"), analog.value(QStringLiteral("equation")));
        json.insert(QStringLiteral("level"), analog.value(QStringLiteral("level")));
        json.insert(QStringLiteral("level2"), analog.contains(QStringLiteral("level2"))
                                                  ? analog.value(QStringLiteral("level2"))
                                                  : QJsonValue(QJsonValue::Null));
    }
    return json;
}

void OneConditionWidget::selectWidget()
{
    m_digit->hide();
    m_analog->hide();
    const int row = m_pins->currentIndex();
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        const int input = index.data(PinComboBoxModel::InputNumberRole).toInt();
        if (index.data(PinComboBoxModel::DigitalRole).toBool()) {
            m_digit->setCommand(command());
            m_digit->setInputNumber(input);
            m_digit->show();
        } else {
            m_analog->setCommand(command());
            m_analog->setInputNumber(input);
            m_analog->show();
        }
    }
    changeCommandData();
}

void OneConditionWidget::setCurrentControllerValue(QJsonObject json)
{
    m_digit->setCurrentControllerValue(json);
    m_analog->setCurrentControllerValue(json);
}

bool OneConditionWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Scrolling the panel must never change the chosen pin.
    if (watched == m_pins && event->type() == QEvent::Wheel)
        return true;
    return RightMenuInputsWidget::eventFilter(watched, event);
}
