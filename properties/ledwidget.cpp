#include "ledwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "pincomboboxmodel.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "rightmenucombobox.h"
#include "togglediconlabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

LedWidget::LedWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_combo = new RightMenuComboBox(this);
    m_combo->setIconSize(QSize(30, 30));
    m_model = new PinComboBoxModel({}, this);
    m_combo->setModel(m_model);

    m_toggle = PropertyControls::toggle(QStringLiteral("prop_led"),
                                        QStringLiteral("PropertyLedWidgetWidth"),
                                        QStringLiteral("PropertyLedWidgetHeight"), 40, QString(),
                                        QStringLiteral("PropertyLedHint"), this);
    m_toggle->setDeselectable(true);
    AccessibleText::set(m_combo, QStringLiteral("LedText"));
    AccessibleText::set(m_toggle, QStringLiteral("PropertyLed"), QStringLiteral("PropertyLedHint"));

    const int spacing = AppContext::instance().dimension(QStringLiteral("PropertyLedSpacing"), 40);
    auto *row = new QHBoxLayout;
    row->addSpacing(spacing);
    row->addWidget(PropertyControls::caption(QStringLiteral("PropertyLed"), this), 1);
    row->addWidget(m_toggle);
    row->addSpacing(spacing);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("LedText"), this, m_combo));
    layout->addWidget(m_combo);
    layout->addLayout(row);

    connect(m_combo, &QComboBox::currentIndexChanged, this, &LedWidget::changeCommandData);
    connect(m_toggle, &ToggledIconLabel::selected, this, &LedWidget::changeCommandData);
}

void LedWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    if (PropertyValues::readInt(action.value(QStringLiteral("state"))) != 0)
        m_toggle->setSelected();
    else
        m_toggle->setUnselected();

    // Rebuilt on every load so that the choice follows the current pin set-up.
    PinComboBoxModel *old = m_model;
    m_model =
        new PinComboBoxModel(AppContext::instance().outputPinsByCommand(command->name()), this);
    m_combo->setModel(m_model);
    delete old;
    m_loadedPin = action.value(QStringLiteral("pin"));
    m_combo->setCurrentIndex(
        m_model->findRow(PinComboBoxModel::PinLabelRole, m_loadedPin.toString()));
}

QJsonObject LedWidget::toJson()
{
    const int row = m_combo->currentIndex();
    // A pin the set-up does not offer stays as it was loaded.
    const QJsonValue pin =
        row >= 0
            ? QJsonValue(m_model->index(row, 0).data(PinComboBoxModel::PinLabelRole).toString())
        : m_loadedPin.isUndefined() ? QJsonValue(QJsonValue::Null)
                                    : m_loadedPin;
    const QJsonObject led{{QStringLiteral("pin"), pin},
                          {QStringLiteral("state"),
                           m_toggle->isSelected() ? QStringLiteral("1") : QStringLiteral("0")}};
    return {{QStringLiteral("led"), led}};
}
