#include "analogconditionwidget.h"

#include "accessibletext.h"
#include "command.h"
#include "focusgrid.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "rangesliderwithbuttons.h"
#include "sliderwithbuttons.h"
#include "togglediconlabel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

struct ComparisonInfo
{
    const char *stem;
    const char *hint;
    const char *equation;
    const char *name;
};

// In the order of the toggles; the bigger toggle writes "greater".
const ComparisonInfo kComparisons[] = {
    {"equal", "PropertyEqualHint", "equals", "PropertyEqualName"},
    {"unequal", "PropertyUnequalHint", "unequal", "PropertyUnequalName"},
    {"smaller", "PropertySmallerHint", "smaller", "PropertySmallerName"},
    {"bigger", "PropertyBiggerHint", "greater", "PropertyBiggerName"},
    {"inside", "PropertyInsideHint", "inside", "PropertyInsideName"},
    {"outside", "PropertyOutsideHint", "outside", "PropertyOutsideName"},
};

} // namespace

AnalogConditionWidget::AnalogConditionWidget(int conditionIndex, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_conditionIndex(conditionIndex)
{
    setMinimumHeight(0);
    auto *toggleRow = new QHBoxLayout;
    toggleRow->setContentsMargins(0, 0, 0, 0);
    for (const ComparisonInfo &info : kComparisons) {
        ToggledIconLabel *toggle = PropertyControls::toggle(
            QString::fromLatin1(info.stem), QStringLiteral("AnalogPropertyIconsWidth"),
            QStringLiteral("AnalogPropertyIconsHeight"), 40, QString(),
            QString::fromLatin1(info.hint), this);
        AccessibleText::set(toggle, QString::fromLatin1(info.name), QString::fromLatin1(info.hint));
        if (!m_toggles.isEmpty())
            m_toggles.first()->groupWith(toggle);
        m_toggles.append(toggle);
        toggleRow->addWidget(toggle);
        connect(toggle, &ToggledIconLabel::selected, this,
                &AnalogConditionWidget::changeCommandData);
    }
    toggleRow->addStretch(1);
    m_toggles.at(Equal)->setSelected();
    // One stop for the six comparisons, on the chosen one; the arrows walk to the others.
    m_toggleKeys = new FocusGrid(int(m_toggles.size()), this);
    m_toggleKeys->setWidgets({m_toggles.cbegin(), m_toggles.cend()});

    m_threshold = new SliderWithButtons(0, 255, 1, 50, this);
    m_window = new RangeSliderWithButtons(0, 255, 1, 50, 60, this);
    m_window->hide();
    m_threshold->setAccessibleLabel(AccessibleText::text(QStringLiteral("ThresholdName")));
    m_window->setAccessibleLabel(AccessibleText::text(QStringLiteral("WindowName")));
    m_threshold->installEventFilter(this);
    m_window->installEventFilter(this);
    connect(m_threshold, &SliderWithButtons::changedData, this,
            &AnalogConditionWidget::changeCommandData);
    connect(m_window, &RangeSliderWithButtons::changedData, this,
            &AnalogConditionWidget::changeCommandData);

    m_liveValue = new QLineEdit(this);
    m_liveValue->setReadOnly(true);
    m_liveValue->setAlignment(Qt::AlignCenter);
    m_liveValue->setMaximumWidth(40);
    m_liveValue->setFocusPolicy(Qt::NoFocus);
    AccessibleText::set(m_liveValue, QStringLiteral("LiveValueName"));

    auto *valueRow = new QHBoxLayout;
    valueRow->setContentsMargins(0, 0, 0, 0);
    valueRow->addWidget(m_threshold, 1);
    valueRow->addWidget(m_window, 1);
    valueRow->addWidget(m_liveValue, 0, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addLayout(toggleRow);
    layout->addLayout(valueRow);
}

void AnalogConditionWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    const QJsonObject condition = command->json()
                                      .value(QStringLiteral("conditions"))
                                      .toObject()
                                      .value(QStringLiteral("data"))
                                      .toArray()
                                      .at(m_conditionIndex)
                                      .toObject();
    const QString equation = condition.value(QStringLiteral("equation")).toString();
    for (int i = 0; i < m_toggles.size(); ++i) {
        if (equation == QLatin1String(kComparisons[i].equation)) {
            m_toggles.at(i)->setSelected();
            break;
        }
    }
    // Levels may be stored as text (editor, decompiler) or as numbers (hand-written files).
    const int level = PropertyValues::readInt(condition.value(QStringLiteral("level")));
    if (windowComparison()) {
        const int level2 = PropertyValues::readInt(condition.value(QStringLiteral("level2")));
        m_window->setValues(level, level2);
    } else {
        m_threshold->setLineInput(level);
    }
    showWindow(windowComparison());
    followChoice();
}

void AnalogConditionWidget::followChoice()
{
    for (ToggledIconLabel *toggle : std::as_const(m_toggles)) {
        if (toggle->isSelected())
            m_toggleKeys->setTabStop(toggle);
    }
}

QJsonObject AnalogConditionWidget::toJson()
{
    QString equation;
    if (m_toggles.at(Equal)->isSelected())
        equation = QStringLiteral("equals");
    else if (m_toggles.at(Unequal)->isSelected())
        equation = QStringLiteral("unequal");
    else if (m_toggles.at(Smaller)->isSelected())
        equation = QStringLiteral("smaller");
    else if (m_toggles.at(Bigger)->isSelected())
        equation = QStringLiteral("greater");
    else if (m_toggles.at(Inside)->isSelected())
        equation = QStringLiteral("inside");
    else if (m_toggles.at(Outside)->isSelected())
        equation = QStringLiteral("outside");

    QJsonObject json{{QStringLiteral("equation"), equation}};
    if (windowComparison()) {
        json.insert(QStringLiteral("level"), m_window->lowerText());
        json.insert(QStringLiteral("level2"), m_window->upperText());
        m_lower = m_window->lowerText().toInt();
        m_upper = m_window->upperText().toInt();
    } else {
        json.insert(QStringLiteral("level"), m_threshold->valueText());
        m_lower = m_threshold->valueText().toInt();
        m_upper = m_lower + 1;
    }
    return json;
}

void AnalogConditionWidget::changeCommandData()
{
    // Carry the values over before the panel reads them, so that switching between one
    // threshold and a window keeps what the user had chosen.
    if (windowComparison() != m_windowShown) {
        rememberShownValues();
        if (windowComparison())
            m_window->setValues(m_lower, qMax(m_lower, m_upper));
        else
            m_threshold->setLineInput(m_lower);
        showWindow(windowComparison());
    }
    followChoice();
    RightMenuInputsWidget::changeCommandData();
}

void AnalogConditionWidget::setCurrentControllerValue(QJsonObject json)
{
    const QJsonArray inputs = json.value(QStringLiteral("AI")).toArray();
    if (m_inputNumber < 0 || m_inputNumber >= inputs.size())
        return;
    m_liveValue->setText(QString::number(inputs.at(m_inputNumber).toDouble(), 'g', 6));
}

bool AnalogConditionWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Scrolling the panel must never change a condition.
    if (event->type() == QEvent::Wheel && (watched == m_threshold || watched == m_window))
        return true;
    return RightMenuInputsWidget::eventFilter(watched, event);
}

bool AnalogConditionWidget::windowComparison() const
{
    return m_toggles.at(Inside)->isSelected() || m_toggles.at(Outside)->isSelected();
}

void AnalogConditionWidget::rememberShownValues()
{
    if (m_windowShown) {
        m_lower = m_window->lowerText().toInt();
        m_upper = m_window->upperText().toInt();
    } else {
        m_lower = m_threshold->valueText().toInt();
        m_upper = m_lower + 1;
    }
}

void AnalogConditionWidget::showWindow(bool window)
{
    m_windowShown = window;
    m_window->setVisible(window);
    m_threshold->setVisible(!window);
}
