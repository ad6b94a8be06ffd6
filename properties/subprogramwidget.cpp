#include "subprogramwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "programstore.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "rightmenucombobox.h"

#include <QJsonArray>
#include <QLabel>
#include <QVBoxLayout>

SubProgramWidget::SubProgramWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    const AppContext &context = AppContext::instance();
    m_combo = new RightMenuComboBox(this);
    m_combo->setMinimumHeight(30);
    AccessibleText::set(m_combo, QStringLiteral("SubprogramText"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, context.dimension(QStringLiteral("PropertyUpGap"), 10), 0, 0);
    layout->setSpacing(context.dimension(QStringLiteral("PropertyTextGap"), 10));
    layout->addWidget(PropertyControls::caption(QStringLiteral("SubprogramText"), this, m_combo));
    layout->addWidget(m_combo);
    layout->addStretch(1);

    connect(m_combo, &QComboBox::currentIndexChanged, this, &SubProgramWidget::changeCommandData);
}

QString SubProgramWidget::notSetText()
{
    return QStringLiteral("Не установлено");
}

int SubProgramWidget::subprogramCount() const
{
    if (m_counter)
        return qMax(0, m_counter());
    // Without the program area, the document last handed to the worker knows the subprograms.
    const QJsonArray programs = AppContext::instance()
                                    .store()
                                    .currentDocument()
                                    .value(QStringLiteral("ProgData"))
                                    .toArray();
    return qMax(0, int(programs.size()) - 1);
}

void SubProgramWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const int count = subprogramCount();
    const AppContext &context = AppContext::instance();
    // The entries read as the program tabs do; what the document keeps is fixed (toJson).
    const QString subprogram = context.text(QStringLiteral("SubprogramLabel"));
    m_combo->clear();
    m_combo->addItem(context.text(QStringLiteral("SubprogramNotSet")));
    for (int k = 1; k <= count; ++k)
        m_combo->addItem(subprogram + QLatin1Char(' ') + QString::number(k));
    const int proc = PropertyValues::readInt(
        command->json().value(QStringLiteral("action")).toObject().value(QStringLiteral("proc")));
    m_combo->setCurrentIndex(proc >= 1 && proc <= count ? proc : 0);
}

QJsonObject SubProgramWidget::toJson()
{
    const int index = m_combo->currentIndex();
    if (index > 0)
        return {{QStringLiteral("proc"), index}};
    return {{QStringLiteral("proc"), notSetText()}};
}
