#include "rightmenuwidget.h"

#include "accessibletext.h"
#include "actionreasons.h"
#include "appcontext.h"
#include "command.h"
#include "conditionwidget.h"
#include "inputswidget.h"
#include "programselection.h"
#include "sliderwithicons.h"

#include <QEvent>
#include <QFrame>
#include <QJsonArray>
#include <QPointer>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

// The places where two command objects differ, as "action/speed" or "conditions/data/0/level",
// sorted: the name of the field an edit changed.
void collectChanges(const QJsonValue &before, const QJsonValue &after, const QString &path,
                    QStringList *changes)
{
    if (before.isObject() && after.isObject()) {
        const QJsonObject a = before.toObject();
        const QJsonObject b = after.toObject();
        QStringList keys = a.keys() + b.keys();
        keys.removeDuplicates();
        for (const QString &key : std::as_const(keys))
            collectChanges(a.value(key), b.value(key), path + QLatin1Char('/') + key, changes);
    } else if (before.isArray() && after.isArray() &&
               before.toArray().size() == after.toArray().size()) {
        const QJsonArray a = before.toArray();
        const QJsonArray b = after.toArray();
        for (qsizetype i = 0; i < a.size(); ++i)
            collectChanges(a.at(i), b.at(i), path + QLatin1Char('/') + QString::number(i), changes);
    } else if (before != after) {
        changes->append(path);
    }
}

QString changedField(const QJsonObject &before, const QJsonObject &after)
{
    QStringList changes;
    collectChanges(before, after, QString(), &changes);
    changes.sort();
    return changes.join(QLatin1Char(','));
}

} // namespace

RightMenuWidget *RightMenuWidget::instance()
{
    // Lives until the process ends, like the other regions of the main window; the guard only
    // notices when a parent window deleted it first.
    static QPointer<RightMenuWidget> panel;
    if (!panel)
        panel = new RightMenuWidget;
    return panel;
}

RightMenuWidget::RightMenuWidget(QWidget *parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("RightMenuWidget"));
    setStyleSheet(
        QStringLiteral("RightMenuWidget { border-left: 2px solid cyan; border-top: 2px solid cyan;"
                       " border-right: none; border-bottom: none; border-top-left-radius: 8px;"
                       " background: transparent; }"));
    setMinimumWidth(leastWidth());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    // The editors inside take the focus; the panel itself scrolls to the one that has it.
    setFocusPolicy(Qt::NoFocus);

    m_scrollBar = new SliderWithIcons(0, 300, 1, this);
    m_scrollBar->setLanguage();
    m_scrollBar->setFixedWidth(40);
    setVerticalScrollBar(m_scrollBar);

    m_frame = new QFrame;
    m_frame->setObjectName(QStringLiteral("RightMenuFrame"));
    m_frame->setMaximumWidth(360);
    m_frame->setStyleSheet(QStringLiteral("QFrame#RightMenuFrame { background: transparent; }"));
    m_layout = new QVBoxLayout(m_frame);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignTop);
    setWidget(m_frame);
    viewport()->setAutoFillBackground(false);
    m_frame->setAutoFillBackground(false);
}

void RightMenuWidget::clear()
{
    if (m_layout->count() > 0) {
        if (m_conditionWidget)
            m_conditionWidget->hide();
        if (m_inputsWidget)
            m_inputsWidget->hideAll();
        while (m_layout->count() > 1) {
            QLayoutItem *item = m_layout->takeAt(1);
            delete item->widget();
            delete item;
        }
    }
    // The first item is the previous condition editor, which the new one replaces.
    if (m_layout->count() > 0) {
        QLayoutItem *item = m_layout->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_command = nullptr;
    m_active = false;
    // A frame being deleted is no QFrame any more while its children go: it stops being watched
    // first.
    if (m_runFrame)
        m_runFrame->removeEventFilter(this);
    delete m_runFrame;

    m_conditionWidget = new ConditionWidget(m_frame);
    m_inputsWidget = new InputsWidget(m_frame);
    // "Try it" stays in sight however long the editors above it are (a condition, a melody):
    // it sits below the scrolling column, not at its end.
    m_runFrame = m_inputsWidget->runFrame();
    m_runFrame->setParent(this);
    m_runFrame->installEventFilter(this);
    if (m_subprogramCounter)
        m_inputsWidget->setSubprogramCounter(m_subprogramCounter);
    m_inputsWidget->setRunEnabled(m_runEnabled, m_runReason);
    connect(m_conditionWidget, &RightMenuInputsWidget::stateChanged, this,
            &RightMenuWidget::changeCommandData);
    connect(m_inputsWidget, &RightMenuInputsWidget::stateChanged, this,
            &RightMenuWidget::changeCommandData);
    connect(m_inputsWidget, &InputsWidget::runClicked, this, &RightMenuWidget::runClicked);
    m_layout->addWidget(m_conditionWidget, 0);
    m_layout->addWidget(m_inputsWidget, 1);
    m_conditionWidget->hide();
    m_inputsWidget->hideAll();
    // Shown at once: a panel already on screen would otherwise show it only later, from the
    // event loop.
    m_inputsWidget->show();
    placeRunFrame();
}

bool RightMenuWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_runFrame && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        placeRunFrame();
    return QScrollArea::eventFilter(watched, event);
}

void RightMenuWidget::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    placeRunFrame();
}

void RightMenuWidget::placeRunFrame()
{
    const bool shown = m_runFrame && !m_runFrame->isHidden();
    const int height = shown ? m_runFrame->sizeHint().height() : 0;
    setViewportMargins(0, 0, 0, height);
    if (shown) {
        // Under the column, as wide as the editors' view.
        const QRect view = viewport()->geometry();
        m_runFrame->setGeometry(view.left(), view.bottom() + 1, view.width(), height);
        m_runFrame->raise();
    }
}

void RightMenuWidget::setCommand(Command *command)
{
    if (!m_inputsWidget)
        clear();
    m_active = false;
    m_command = command;
    hideContent();
    m_conditionWidget->setCommand(command);
    m_inputsWidget->setCommand(command);
    // Showing a command never writes it: a field the editors cannot show (a motor or pin missing
    // from the current set-up) must survive until the user changes that command.
    m_shownJson = command ? commandJson() : QJsonObject();
    ++m_showing;
    m_active = true;
    m_frame->adjustSize();
    updateGeometry();
}

void RightMenuWidget::hideEditors()
{
    hideContent();
    // Hidden editors must not write, and the command may be deleted while the panel is hidden
    // (a program is cleared or loaded), so the panel lets go of it.
    m_command = nullptr;
    m_active = false;
}

void RightMenuWidget::hideContent()
{
    if (m_conditionWidget)
        m_conditionWidget->hide();
    if (m_inputsWidget)
        m_inputsWidget->hideAll();
}

void RightMenuWidget::reload()
{
    if (m_command)
        setCommand(m_command);
}

QJsonObject RightMenuWidget::commandJson()
{
    return {{QStringLiteral("conditions"), m_conditionWidget->toJson()},
            {QStringLiteral("action"), m_inputsWidget->toJson()}};
}

void RightMenuWidget::changeCommandData()
{
    if (!m_active || !m_command)
        return;
    const QJsonObject json = commandJson();
    const QString field =
        QString::number(m_showing) + QLatin1Char(':') + changedField(m_shownJson, json);
    m_shownJson = json;
    if (m_selection && m_selection->selectedCommand() == m_command) {
        // The editors already show the new values: redoing the step must not load them again
        // while a slider is being dragged.
        const QScopedValueRollback<bool> applying(m_applying, true);
        m_selection->applyEdit(json, field);
    } else {
        m_command->setJson(json);
    }
}

void RightMenuWidget::updateStatusManual(QJsonObject json)
{
    if (json.contains(QStringLiteral("manual"))) {
        m_runEnabled = json.value(QStringLiteral("manual")).toInt() == 1;
        // "Try it" says what to do first: connect, write, get ready, stop.
        const QString key = ActionReasons::actionKey(QStringLiteral("manual"), json);
        m_runReason = key.isEmpty() ? QString() : AppContext::instance().text(key);
        if (m_inputsWidget)
            m_inputsWidget->setRunEnabled(m_runEnabled, m_runReason);
    }
    // The same report carries the live input values the condition editors show.
    if (m_conditionWidget)
        m_conditionWidget->setCurrentControllerValue(json);
}

int RightMenuWidget::leastWidth()
{
    // Narrow enough that the panel, the program list and the side panels share a 1280-wide
    // screen; the editors inside keep to the frame's own width.
    return AppContext::instance().dimension(QStringLiteral("PropertyPanelWidth"), 400);
}

void RightMenuWidget::renewTexts()
{
    setMinimumWidth(leastWidth());
    m_scrollBar->setLanguage();
    AccessibleText::set(m_scrollBar, QStringLiteral("PropertyScrollName"));
    clear();
}

void RightMenuWidget::setSubprogramCounter(std::function<int()> counter)
{
    m_subprogramCounter = std::move(counter);
    if (m_inputsWidget)
        m_inputsWidget->setSubprogramCounter(m_subprogramCounter);
}

void RightMenuWidget::showCommand(Command *command)
{
    if (command)
        setCommand(command);
    else
        hideEditors();
}

void RightMenuWidget::reloadCommand(Command *command)
{
    if (command && command == m_command && !m_applying)
        reload();
}

QJsonObject RightMenuWidget::conditionsForKind(const Command &command, int kind)
{
    // A copy that nobody observes, shown in an editor of its own: the panel's editors keep
    // showing the command as it is until the step has been made.
    Command probe(command);
    for (Observer *observer : command.observers())
        probe.detach(observer);
    probe.setConditionKind(kind);
    ConditionWidget editor;
    editor.setCommand(&probe);
    return editor.toJson();
}

void RightMenuWidget::connectToEditor(ProgramSelection *selection)
{
    connect(selection, &ProgramSelection::selectionChanged, this, &RightMenuWidget::showCommand,
            Qt::UniqueConnection);
    connect(selection, &ProgramSelection::commandReplaced, this, &RightMenuWidget::reloadCommand,
            Qt::UniqueConnection);
    setSubprogramCounter([selection = QPointer<ProgramSelection>(selection)] {
        return selection ? selection->subprogramCount() : 0;
    });
    m_selection = selection;
    selection->setConditionsForKind(&RightMenuWidget::conditionsForKind);
}
