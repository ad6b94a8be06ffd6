#include "pinconfigurationwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "gadgetcomboboxmodel.h"
#include "rightmenucombobox.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>

namespace {

int gadgetIdOf(const GadgetInfo &gadget)
{
    return gadget.isValid() ? gadget.id : GadgetComboBoxModel::NoneId;
}

QString lastLabelContaining(const QStringList &labels, QChar letter)
{
    for (auto it = labels.crbegin(); it != labels.crend(); ++it) {
        if (it->contains(letter))
            return *it;
    }
    return {};
}

} // namespace

PinConfigurationWidget::PinConfigurationWidget(const PinInfo &pin, const QList<GadgetInfo> &gadgets,
                                               QWidget *parent)
    : QFrame(parent)
    , m_pin(pin)
{
    setObjectName(QStringLiteral("pin_") + pin.name);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("PinConfigurationWidget { background: transparent; }"));

    AppContext &context = AppContext::instance();
    const int width = context.dimension(QStringLiteral("PinCfgWidth"), 40);
    const int height = context.dimension(QStringLiteral("PinCfgHeight"), 40);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    m_label = new QLabel(pin.labels.join(QLatin1Char(',')), this);
    m_label->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; background: rgba(5, 46, 60, 190);"
                       " border-radius: 4px; padding: 1px 4px; }"));
    m_label->setVisible(context.dimension(QStringLiteral("PinCfgText"), 1) != 0);
    layout->addWidget(m_label);

    m_model = new GadgetComboBoxModel(context.text(QStringLiteral("PinNone")), gadgets, this);
    m_combo = new RightMenuComboBox(this);
    m_combo->setModel(m_model);
    m_combo->setMinimumWidth(width * 7 / 10);
    m_combo->setMaximumWidth(width);
    m_combo->setMinimumHeight(qMin(height, 30));
    m_combo->setToolTip(pin.name);
    const QString name = AccessibleText::format(QStringLiteral("PinComboName"))
                             .arg(pin.labels.join(QStringLiteral(", ")));
    AccessibleText::setTexts(m_combo, name);
    // A reader on Linux names a combo box by its value and its caption by the label tied to it:
    // "Pin D2, A2", also where the labels are not shown on the board.
    AccessibleText::setTexts(m_label, name);
    m_label->setBuddy(m_combo);
    // The pictures stay recognisable at this size and leave the names room in a narrow box; the
    // open list is as wide as its longest name.
    m_combo->setIconSize(QSize(22, 22));
    m_combo->view()->setMinimumWidth(m_combo->view()->sizeHintForColumn(0) + 40);
    layout->addWidget(m_combo);
    m_combo->setCurrentIndex(0);

    // Index rather than text: two gadgets of the same name stay distinct choices.
    connect(m_combo, &QComboBox::currentIndexChanged, this, &PinConfigurationWidget::setGadget);
}

int PinConfigurationWidget::gadgetId() const
{
    return gadgetIdOf(m_selected);
}

bool PinConfigurationWidget::canHold(int gadgetId) const
{
    return m_model->rowOfGadget(gadgetId) >= 0;
}

PinAssignment PinConfigurationWidget::assignment() const
{
    return PinAssignment(m_selected, chosenLabel(), m_pin.name);
}

bool PinConfigurationWidget::applyGadget(int gadgetId)
{
    const int row = m_model->rowOfGadget(gadgetId);
    if (row < 0)
        return false;
    QScopedValueRollback<bool> suppress(m_groupUpdate, true);
    m_combo->setCurrentIndex(row);
    return true;
}

bool PinConfigurationWidget::takeEcho()
{
    const bool echo = m_echo;
    m_echo = false;
    return echo;
}

void PinConfigurationWidget::setGadget()
{
    m_selected = m_model->gadgetAt(m_combo->currentIndex());

    if (!m_groupUpdate) {
        if (m_selected.kind == GadgetInfo::Group && m_selected.isValid()) {
            m_echo = true;
            emit needUpdateGroup(m_pin.name, m_selected.name);
        } else if (m_applied.isValid() && m_applied.kind == GadgetInfo::Group) {
            m_echo = true;
            emit needUpdateGroup(m_pin.name, m_applied.name);
        }
    }

    const int oldId = gadgetIdOf(m_applied);
    const int newId = gadgetIdOf(m_selected);
    if (oldId != newId) {
        emit gadgetSetted(GadgetComboBoxModel::NoneId, calibrationName(m_pin, m_applied));
        emit gadgetSetted(newId, calibrationName(m_pin, m_selected));
    }
    m_applied = m_selected;
}

QString PinConfigurationWidget::labelFor(const PinInfo &pin, const GadgetInfo &gadget)
{
    const QString first = pin.labels.value(0);
    if (!gadget.isValid())
        return first;
    QString label;
    if (gadget.kind == GadgetInfo::Output || gadget.kind == GadgetInfo::Group ||
        gadget.types.value(0) == QLatin1String("Digital"))
        label = lastLabelContaining(pin.labels, QLatin1Char('D'));
    else
        label = lastLabelContaining(pin.labels, QLatin1Char('A'));
    return label.isEmpty() ? first : label;
}

QString PinConfigurationWidget::calibrationName(const PinInfo &pin, const GadgetInfo &gadget)
{
    if (gadget.isValid() && gadget.id == 40)
        return QStringLiteral("Motor1");
    if (gadget.isValid() && gadget.id == 41)
        return QStringLiteral("Motor2");
    return labelFor(pin, gadget);
}
