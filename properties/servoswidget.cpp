#include "servoswidget.h"

#include "appcontext.h"
#include "command.h"
#include "servowidget.h"

#include <QJsonArray>

#include <QVBoxLayout>
#include <algorithm>

ServosWidget::ServosWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
}

void ServosWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QList<PinAssignment> assignments =
        AppContext::instance().outputPinsByCommand(command->name());
    // Rows are rebuilt only when the pin set-up changed, so a reload keeps the same widgets.
    if (!m_loadedOnce || assignments != m_assignments) {
        qDeleteAll(m_rows);
        m_rows.clear();
        for (const PinAssignment &assignment : assignments) {
            auto *row = new ServoWidget(this);
            row->setPinLabel(assignment.pinLabel);
            row->setToolTip(assignment.displayText());
            m_layout->addWidget(row);
            m_rows.append(row);
            connect(row, &RightMenuInputsWidget::stateChanged, this,
                    &ServosWidget::changeServosInfo);
        }
        m_assignments = assignments;
        m_loadedOnce = true;
    }
    for (ServoWidget *row : std::as_const(m_rows)) {
        row->reset();
        row->setCommand(command);
    }
    // Servos on pins the set-up no longer has are kept as loaded.
    m_unlistedServos = QJsonArray();
    const QJsonArray servos =
        command->json().value(QStringLiteral("action")).toObject().value("servos").toArray();
    for (const QJsonValue &servo : servos) {
        const QString pin = servo.toObject().value(QStringLiteral("pin")).toString();
        const bool listed =
            std::any_of(m_assignments.cbegin(), m_assignments.cend(),
                        [&pin](const PinAssignment &a) { return a.pinLabel == pin; });
        if (!listed)
            m_unlistedServos.append(servo);
    }
}

QJsonObject ServosWidget::toJson()
{
    QJsonArray servos;
    for (ServoWidget *row : std::as_const(m_rows)) {
        if (row->isSelected())
            servos.append(row->toJson());
    }
    for (const QJsonValue &servo : std::as_const(m_unlistedServos))
        servos.append(servo);
    return {{QStringLiteral("servos"), servos}};
}

void ServosWidget::changeServosInfo()
{
    changeCommandData();
}
