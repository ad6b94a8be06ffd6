#include "sidepanels.h"

#include "appcontext.h"
#include "mworker.h"
#include "panelslog.h"
#include "panelstyle.h"
#include "robotviewdock.h"
#include "sensorpanel.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

namespace {

const QLatin1String kLayoutKey("Layout");
const QLatin1String kSensorsKey("Sensors");
// Bumped when the panels change so much that an old layout would put them in odd places.
constexpr int kLayoutVersion = 1;
// How long after the window first shows its resizes still share the height by default.
constexpr int kSettleMs = 1500;

} // namespace

SidePanels::SidePanels(QMainWindow *window, mWorker *worker, ProgramSelection *selection,
                       VirtualController *controller)
    : QObject(window)
    , m_window(window)
{
    window->setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    window->setTabPosition(Qt::RightDockWidgetArea, QTabWidget::North);
    // The corners belong to the side: the panels run from the top menu to the bottom.
    window->setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
    window->setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    if (controller)
        m_robot = new RobotViewDock(controller, window);
    m_sensors = new SensorPanel(window);
    m_sensors->connectToEditor(worker, selection);

    m_bar = new QToolBar(window);
    m_bar->setObjectName(QStringLiteral("SidePanelBar"));
    m_bar->setMovable(false);
    m_bar->setFloatable(false);
    m_bar->setStyleSheet(QStringLiteral(
        "QToolBar { background: rgb(5, 46, 60); border: none; spacing: 6px; padding: 4px 2px; }"
        "QToolButton { border: none; padding: 1px; }"));
    window->addToolBar(Qt::RightToolBarArea, m_bar);
    for (QDockWidget *panel : panels()) {
        QAction *toggle = panel->toggleViewAction();
        toggle->setObjectName(panel->objectName() + QStringLiteral("Toggle"));
        m_bar->addAction(toggle);
    }
    m_tabs = m_bar->addAction(QString());
    m_tabs->setObjectName(QStringLiteral("SidePanelTabs"));
    m_tabs->setCheckable(true);
    m_tabs->setVisible(m_robot != nullptr);
    connect(m_tabs, &QAction::triggered, this, &SidePanels::setTabbed);
    // A tool bar's buttons take no focus; these are the only way back to a hidden panel.
    for (QAction *action : m_bar->actions()) {
        if (QWidget *button = m_bar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    }
    for (QDockWidget *panel : panels()) {
        connect(panel, &QDockWidget::dockLocationChanged, this, &SidePanels::syncTabsAction);
        connect(panel, &QDockWidget::visibilityChanged, this, &SidePanels::syncTabsAction);
    }

    placeByDefault();
    window->installEventFilter(this);
}

QList<QDockWidget *> SidePanels::panels() const
{
    QList<QDockWidget *> list;
    if (m_robot)
        list.append(m_robot);
    list.append(m_sensors);
    return list;
}

void SidePanels::placeByDefault()
{
    for (QDockWidget *panel : panels())
        m_window->addDockWidget(Qt::RightDockWidgetArea, panel, Qt::Vertical);
    m_placePending = true;
    sizeByDefault();
}

void SidePanels::sizeByDefault()
{
    // The column keeps the panels' least width, known before the first frame, so the program
    // area is laid out once at its own width; only the height is shared out here: the robot's
    // world above, the chart below, a little more for the world.
    if (m_robot && !isTabbed()) {
        const int height = m_window->height();
        m_window->resizeDocks({m_robot, m_sensors}, {height * 11 / 20, height * 9 / 20},
                              Qt::Vertical);
    }
}

bool SidePanels::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || !m_placePending)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Show) {
        // The window manager maximizes the window in steps of its own; the default sizes follow
        // them for a moment, then the user's dragging is left alone.
        QTimer::singleShot(kSettleMs, this, [this] { m_placePending = false; });
    } else if (event->type() == QEvent::Resize && m_window->isVisible()) {
        sizeByDefault();
    }
    return QObject::eventFilter(watched, event);
}

bool SidePanels::isTabbed() const
{
    return m_robot && m_window->tabifiedDockWidgets(m_robot).contains(m_sensors);
}

void SidePanels::setTabbed(bool tabbed)
{
    if (!m_robot || tabbed == isTabbed()) {
        syncTabsAction();
        return;
    }
    // Both shown, so that the user sees what the button did.
    m_robot->show();
    m_sensors->show();
    if (tabbed) {
        m_window->tabifyDockWidget(m_robot, m_sensors);
        m_sensors->raise();
    } else {
        m_window->splitDockWidget(m_robot, m_sensors, Qt::Vertical);
    }
    syncTabsAction();
}

void SidePanels::syncTabsAction()
{
    m_tabs->setChecked(isTabbed());
    // The window makes a tab bar for panels stacked as tabs when it first needs one; it gets the
    // look of the program area's tabs.
    const QString look = PanelStyle::tabBarStyle();
    for (QTabBar *tabs : m_window->findChildren<QTabBar *>(Qt::FindDirectChildrenOnly)) {
        if (tabs->styleSheet() != look)
            tabs->setStyleSheet(look);
    }
}

void SidePanels::renewTexts()
{
    AppContext &context = AppContext::instance();
    const int iconSize = context.dimension(QStringLiteral("SidePanelIconSize"), 24);
    m_bar->setIconSize(QSize(iconSize, iconSize));
    const QString hint = context.text(QStringLiteral("SidePanelToggleHint"));
    if (m_robot) {
        m_robot->renewTexts();
        m_robot->toggleViewAction()->setIcon(PanelStyle::icon(QStringLiteral("panel_robot")));
        m_robot->toggleViewAction()->setToolTip(hint.arg(m_robot->windowTitle()));
    }
    m_sensors->renewTexts();
    m_sensors->toggleViewAction()->setIcon(PanelStyle::icon(QStringLiteral("panel_sensors")));
    m_sensors->toggleViewAction()->setToolTip(hint.arg(m_sensors->windowTitle()));
    m_tabs->setIcon(PanelStyle::icon(QStringLiteral("panel_tabs")));
    m_tabs->setText(context.text(QStringLiteral("SidePanelTabs")));
    m_tabs->setToolTip(m_tabs->text());
}

QJsonObject SidePanels::state() const
{
    return {{kLayoutKey, QString::fromLatin1(m_window->saveState(kLayoutVersion).toBase64())},
            {kSensorsKey, m_sensors->state()}};
}

void SidePanels::restoreState(const QJsonObject &state)
{
    m_sensors->restoreState(state.value(kSensorsKey).toObject());
    const QByteArray layout = QByteArray::fromBase64(state.value(kLayoutKey).toString().toLatin1());
    if (layout.isEmpty())
        return;
    if (m_window->restoreState(layout, kLayoutVersion)) {
        m_placePending = false;
    } else {
        qCWarning(lcPanels) << "The saved arrangement of the side panels cannot be used";
        placeByDefault();
    }
    syncTabsAction();
}
