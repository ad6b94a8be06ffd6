#include "motorwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "pincomboboxmodel.h"
#include "propertycontrols.h"
#include "rightmenucombobox.h"

#include <QLabel>
#include <QVBoxLayout>

MotorWidget::MotorWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_combo = new RightMenuComboBox(this);
    m_combo->setIconSize(QSize(30, 30));
    m_model = new PinComboBoxModel({}, this);
    m_combo->setModel(m_model);
    AccessibleText::set(m_combo, QStringLiteral("MotorWidgetText"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PropertyControls::caption(QStringLiteral("MotorWidgetText"), this, m_combo));
    layout->addWidget(m_combo);
    layout->addSpacing(AppContext::instance().dimension(QStringLiteral("GlobalSpacing"), 40));

    connect(m_combo, &QComboBox::currentIndexChanged, this, &MotorWidget::changeCommandData);
}

void MotorWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    // Rebuilt on every load so that the choice follows the current pin set-up.
    PinComboBoxModel *old = m_model;
    m_model =
        new PinComboBoxModel(AppContext::instance().outputPinsByCommand(command->name()), this);
    m_combo->setModel(m_model);
    delete old;
    m_loadedMotor =
        command->json().value(QStringLiteral("action")).toObject().value(QStringLiteral("motor"));
    m_combo->setCurrentIndex(
        m_model->findRow(PinComboBoxModel::GadgetNameRole, m_loadedMotor.toString()));
}

QJsonObject MotorWidget::toJson()
{
    const int row = m_combo->currentIndex();
    // A motor the set-up does not offer stays as it was loaded.
    if (row < 0)
        return {{QStringLiteral("motor"),
                 m_loadedMotor.isUndefined() ? QJsonValue(QJsonValue::Null) : m_loadedMotor}};
    return {{QStringLiteral("motor"),
             m_model->index(row, 0).data(PinComboBoxModel::GadgetNameRole).toString()}};
}
