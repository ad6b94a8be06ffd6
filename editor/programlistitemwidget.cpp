#include "programlistitemwidget.h"

#include "appcontext.h"
#include "command.h"
#include "commandsummary.h"
#include "conditioncomboboxmodel.h"
#include "programitemcombobox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidgetItem>
#include <QTextEdit>

namespace {

const char *const kNormalStyle =
    "ProgramListItemWidget { border: 3px solid white; border-radius: 8px; margin-left: 15px; "
    "margin-right: 15px; margin-top: 5px;}";
const char *const kRunningStyle =
    "ProgramListItemWidget { border: 3px solid red; border-radius: 8px; margin-left: 15px; "
    "margin-right: 15px; margin-top: 5px;}";

const char *const kActionStyle =
    "border-style: solid; border-width: 2px; border-color: rgba(5, 46, 60, 255); "
    "background-color: white; color: black; border-radius: 8px; ";
const char *const kConditionStyle =
    "border-style: solid; border-width: 2px; border-color: green; background-color: white; "
    "color: black; border-radius: 8px; text-align: center;";
// A row greyed out by the cycle check must look void at a glance, not only its picture.
const char *const kGreyedStyle =
    "border-style: solid; border-width: 2px; border-color: rgb(150, 150, 150); "
    "background-color: rgb(215, 215, 215); color: rgb(120, 120, 120); border-radius: 8px; "
    "text-align: center;";

// A read-only summary box. Mouse events fall through to the list, so pressing anywhere on a row
// selects it and starts drags.
QTextEdit *makeTextBox(QWidget *parent, const QString &style)
{
    auto *box = new QTextEdit(parent);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setFocusPolicy(Qt::NoFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->document()->setDefaultTextOption(QTextOption(Qt::AlignCenter));
    box->setStyleSheet(style);
    return box;
}

} // namespace

ProgramListItemWidget::ProgramListItemWidget(RowKind kind, const QString &caption,
                                             QListWidgetItem *item, QWidget *parent)
    : QFrame(parent)
    , m_kind(kind)
    , m_item(item)
{
    setObjectName(kind == RowKind::Begin ? QStringLiteral("BEGIN") : QStringLiteral("END"));
    setProperty("PLIW", true);
    auto *layout = new QHBoxLayout(this);
    m_actionBox = makeTextBox(this, QString());
    m_actionBox->setPlainText(caption);
    layout->addWidget(m_actionBox);
    updateFrameStyle();
}

ProgramListItemWidget::ProgramListItemWidget(const QString &name, const QIcon &icon,
                                             QListWidgetItem *item, QWidget *parent)
    : QFrame(parent)
    , m_kind(RowKind::Command)
    , m_item(item)
{
    setObjectName(name);
    setProperty("PLIW", true);
    const AppContext &context = AppContext::instance();
    const int iconWidth = context.dimension(QStringLiteral("ProgramItemIconWidth"), 30);
    const int iconHeight = context.dimension(QStringLiteral("ProgramItemIconHeight"), 30);

    m_picture = new QLabel(this);
    m_picture->setFixedSize(iconWidth, iconHeight);
    m_picture->setPixmap(icon.pixmap(iconWidth, iconHeight));
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_actionBox = makeTextBox(this, QLatin1String(kActionStyle));
    m_conditionBox = makeTextBox(this, QLatin1String(kConditionStyle));

    m_model = new ConditionComboBoxModel(this);
    m_chooser = new ProgramItemComboBox(this);
    m_chooser->setModel(m_model);
    m_chooser->setIconSize(QSize(iconWidth, iconHeight));
    m_chooser->setFixedWidth(iconWidth);
    m_chooser->setStyleSheet(
        QStringLiteral("QComboBox { background: transparent; border: none; padding: 0px; }"
                       "QComboBox::drop-down { width: 0px; border: none; }"
                       "QComboBox::down-arrow { image: none; }"));
    m_chooser->view()->setStyleSheet(
        QStringLiteral("background: transparent; border: 2px solid red; border-radius: 8px;"));
    connect(m_chooser, &ProgramItemComboBox::click, this,
            &ProgramListItemWidget::SlotToClickComboBox);
    connect(m_chooser, &QComboBox::activated, this,
            &ProgramListItemWidget::setNewCurrentConditions);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_picture);
    layout->addWidget(m_actionBox, 1);
    layout->addWidget(m_chooser);
    layout->addWidget(m_conditionBox, 1);
    updateFrameStyle();
}

ProgramListItemWidget::~ProgramListItemWidget()
{
    detachFromCommand();
}

void ProgramListItemWidget::setCommand(Command *command)
{
    detachFromCommand();
    m_command = command;
    if (!m_command)
        return;
    m_command->attach(this);
    fillChooser();
    selectCurrentKind();
    updateSummaries();
    emit programListItemChanged();
}

void ProgramListItemWidget::detachFromCommand()
{
    if (m_command)
        m_command->detach(this);
    m_command = nullptr;
}

QString ProgramListItemWidget::actionText() const
{
    return m_actionBox ? m_actionBox->toPlainText() : QString();
}

QString ProgramListItemWidget::conditionsText() const
{
    return m_conditionBox ? m_conditionBox->toPlainText() : QString();
}

void ProgramListItemWidget::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    updateFrameStyle();
}

void ProgramListItemWidget::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateBoxStyles();
}

void ProgramListItemWidget::subjectChanged(const QString &)
{
    updateSummaries();
    emit programListItemChanged();
}

QString ProgramListItemWidget::conditionIconName(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("cond_single.svg");
    case 2:
        return QStringLiteral("cond_dual.svg");
    case 3:
        return QStringLiteral("cond_counter.svg");
    case 4:
        return QStringLiteral("cond_cond_counter.svg");
    default:
        return QStringLiteral("cond_always.svg");
    }
}

QString ProgramListItemWidget::conditionKindName(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("single");
    case 2:
        return QStringLiteral("conditions");
    case 3:
        return QStringLiteral("counter");
    case 4:
        return QStringLiteral("conditioncounter");
    default:
        return QStringLiteral("always");
    }
}

void ProgramListItemWidget::emitChange()
{
    emit programListItemChanged();
}

void ProgramListItemWidget::SlotToClickComboBox()
{
    emit ClickOnComboBoxEvent(this);
}

void ProgramListItemWidget::setNewCurrentConditions()
{
    if (!m_command)
        return;
    const QString name = m_model->nameAt(m_chooser->currentIndex());
    const int kind = Command::conditionKindFromName(name);
    if (m_command->allowedConditions().contains(kind))
        m_command->setConditionKind(kind);
    emit changeConditions(m_item);
}

void ProgramListItemWidget::fillChooser()
{
    const AppContext &context = AppContext::instance();
    QList<ConditionComboBoxModel::Entry> entries;
    entries.append({conditionKindName(0), context.icon(conditionIconName(0))});
    for (int kind : m_command->allowedConditions()) {
        if (kind >= 1 && kind <= 4)
            entries.append({conditionKindName(kind), context.icon(conditionIconName(kind))});
    }
    m_model->setEntries(entries);
}

void ProgramListItemWidget::selectCurrentKind()
{
    const int row = m_model->rowOfName(conditionKindName(m_command->conditionKind()));
    m_chooser->setCurrentIndex(row);
}

void ProgramListItemWidget::updateSummaries()
{
    if (!m_command)
        return;
    m_actionBox->setPlainText(actionSummary(m_command->json()));
    m_conditionBox->setPlainText(conditionsSummary(m_command->json()));
}

void ProgramListItemWidget::updateBoxStyles()
{
    if (m_kind != RowKind::Command)
        return;
    const bool enabled = isEnabled();
    m_actionBox->setStyleSheet(QLatin1String(enabled ? kActionStyle : kGreyedStyle));
    m_conditionBox->setStyleSheet(QLatin1String(enabled ? kConditionStyle : kGreyedStyle));
}

void ProgramListItemWidget::updateFrameStyle()
{
    setStyleSheet(QLatin1String(m_running ? kRunningStyle : kNormalStyle));
}
