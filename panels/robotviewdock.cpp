#include "robotviewdock.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "panelslog.h"
#include "panelstyle.h"
#include "programvalues.h"
#include "robotsimulation.h"
#include "robotstage.h"
#include "robotview.h"
#include "shippeddata.h"
#include "virtualcontroller.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kNameKeyRole = Qt::UserRole + 2;

// A world's name may be a dictionary key, so shipped worlds are named in every language.
QString worldCaption(const QString &name)
{
    const AppContext &context = AppContext::instance();
    return context.hasText(name) ? context.text(name) : name;
}

QString gadgetName(int gadgetId)
{
    return AppContext::instance().gadgetMap().value(gadgetId).name;
}
} // namespace

QString RobotViewDock::worldsFolder()
{
    return ShippedData::folderHolding(QStringLiteral("worlds")) + QStringLiteral("/worlds");
}

RobotViewDock::RobotViewDock(VirtualController *controller, QWidget *parent)
    : QDockWidget(parent)
    , m_controller(controller)
{
    setObjectName(QStringLiteral("RobotViewDock"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    m_simulation = new RobotSimulation(controller, this);

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    auto *pickRow = new QHBoxLayout;
    m_worlds = new QComboBox(content);
    m_worlds->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_worlds->setMinimumContentsLength(8);
    // Also the picker's name for a reader, which on Linux names a combo box by its value.
    m_worldCaption = new QLabel(content);
    m_worldCaption->setBuddy(m_worlds);
    m_reset = new QPushButton(content);
    m_fullScreen = new QToolButton(content);
    m_fullScreen->setObjectName(QStringLiteral("RobotViewFullScreen"));
    m_fullScreen->setProperty("picture", true);
    m_fullScreen->setAutoRaise(true);
    pickRow->addWidget(m_worlds, 1);
    pickRow->addWidget(m_reset);
    // Beside the caption rather than in the row below, so that a world's whole name still fits
    // the panel's least width.
    auto *captionRow = new QHBoxLayout;
    captionRow->addWidget(m_worldCaption, 1);
    captionRow->addWidget(m_fullScreen);
    // Above the picker, which keeps the width of the narrow panel for the world's name.
    layout->addLayout(captionRow);
    layout->addLayout(pickRow);
    m_problem = new QLabel(content);
    m_problem->setWordWrap(true);
    m_problem->hide();
    layout->addWidget(m_problem);
    m_view = new RobotView(m_simulation, controller, content);
    layout->addWidget(m_view, 1);
    m_inputs = new QWidget(content);
    m_inputsLayout = new QFormLayout(m_inputs);
    m_inputsLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_inputs);
    setWidget(content);

    connect(m_reset, &QPushButton::clicked, this, &RobotViewDock::backToStart);
    connect(m_fullScreen, &QToolButton::clicked, this, &RobotViewDock::showStage);
    connect(m_view, &RobotView::fullScreenRequested, this, &RobotViewDock::showStage);
    connect(m_view, &RobotView::posePlaced, this,
            [this](const RobotPose &pose) { m_start = pose; });
    connect(m_simulation, &RobotSimulation::configurationChanged, this,
            &RobotViewDock::rebuildInputs);
    connect(m_worlds, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            loadWorld(m_worlds->itemData(index, kPathRole).toString());
    });

    renewTexts();
    fillWorldPicker();
    m_simulation->start();
}

void RobotViewDock::renewTexts()
{
    AppContext &context = AppContext::instance();
    setWindowTitle(context.text(QStringLiteral("RobotViewTitle")));
    m_worlds->setToolTip(context.text(QStringLiteral("RobotViewWorld")));
    m_worldCaption->setText(context.text(QStringLiteral("RobotViewWorld")));
    m_reset->setText(context.text(QStringLiteral("RobotViewReset")));
    m_reset->setToolTip(context.text(QStringLiteral("RobotViewResetHint")));
    m_view->setToolTip(context.text(QStringLiteral("RobotViewHint")));
    m_fullScreen->setToolTip(context.text(QStringLiteral("RobotViewFullScreenHint")));
    m_fullScreen->setIcon(PanelStyle::icon(QStringLiteral("panel_fullscreen")));
    const int iconSize = context.dimension(QStringLiteral("SidePanelIconSize"), 24);
    m_fullScreen->setIconSize(QSize(iconSize, iconSize));
    AccessibleText::set(m_fullScreen, QStringLiteral("RobotViewFullScreen"),
                        QStringLiteral("RobotViewFullScreenHint"));
    AccessibleText::set(m_worlds, QStringLiteral("RobotViewWorld"));
    AccessibleText::set(m_view, QStringLiteral("RobotViewTitle"), QStringLiteral("RobotViewHint"));
    setMinimumWidth(context.dimension(QStringLiteral("RobotViewWidth"), 260));
    m_view->setMinimumHeight(context.dimension(QStringLiteral("RobotViewHeight"), 200));
    PanelStyle::apply(this, widget());
    for (int i = 0; i < m_worlds->count(); ++i)
        m_worlds->setItemText(i, worldCaption(m_worlds->itemData(i, kNameKeyRole).toString()));
    if (!m_problem->isHidden())
        m_problem->setText(context.text(QStringLiteral("RobotViewWorldError")));
    rebuildInputs();
}

void RobotViewDock::fillWorldPicker()
{
    const QDir folder(worldsFolder());
    const QStringList names =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QSignalBlocker blocker(m_worlds);
    m_worlds->clear();
    // The first world is shown at once; it is read here, once, with its floor picture.
    std::optional<RobotWorld> first;
    for (const QString &name : names) {
        const QString path = folder.filePath(name + QStringLiteral("/world.json"));
        if (!QFile::exists(path))
            continue;
        QString error;
        std::optional<RobotWorld> world = RobotWorld::load(path, &error);
        const QString key = world ? world->name() : name;
        if (m_worlds->count() == 0)
            first = std::move(world);
        m_worlds->addItem(worldCaption(key));
        m_worlds->setItemData(m_worlds->count() - 1, path, kPathRole);
        m_worlds->setItemData(m_worlds->count() - 1, key, kNameKeyRole);
    }
    if (m_worlds->count() == 0) {
        qCWarning(lcPanels).noquote() << "No robot worlds in" << folder.path();
        return;
    }
    m_worlds->setCurrentIndex(0);
    if (first)
        showWorld(*first);
    else
        loadWorld(m_worlds->itemData(0, kPathRole).toString());
}

bool RobotViewDock::loadWorld(const QString &path)
{
    QString error;
    const std::optional<RobotWorld> world = RobotWorld::load(path, &error);
    if (!world) {
        qCWarning(lcPanels).noquote() << "Cannot load robot world:" << error;
        m_problem->setText(AppContext::instance().text(QStringLiteral("RobotViewWorldError")));
        m_problem->setToolTip(error);
        m_problem->show();
        return false;
    }
    showWorld(*world);
    return true;
}

bool RobotViewDock::selectWorld(const QString &folder)
{
    const QString tail = QLatin1Char('/') + folder + QStringLiteral("/world.json");
    for (int i = 0; i < m_worlds->count(); ++i) {
        if (m_worlds->itemData(i, kPathRole).toString().endsWith(tail)) {
            // A fresh robot at the world's own start, as if switched off and on there.
            if (m_controller)
                m_controller->resetOutputs();
            if (m_worlds->currentIndex() == i)
                loadWorld(m_worlds->itemData(i, kPathRole).toString());
            else
                m_worlds->setCurrentIndex(i);
            return true;
        }
    }
    qCWarning(lcPanels).noquote() << "No robot world" << folder;
    return false;
}

RobotStage *RobotViewDock::stage() const
{
    return m_stage;
}

RobotStage *RobotViewDock::showStage()
{
    if (!m_stage) {
        m_stage = new RobotStage(m_simulation, m_controller, window());
        connect(m_stage->view(), &RobotView::posePlaced, this,
                [this](const RobotPose &pose) { m_start = pose; });
    }
    // The whole screen of the editor's window, also where no window manager does it.
    if (const QScreen *screen = window()->screen())
        m_stage->setGeometry(screen->geometry());
    m_stage->showFullScreen();
    m_stage->raise();
    m_stage->activateWindow();
    return m_stage;
}

void RobotViewDock::showWorld(const RobotWorld &world)
{
    m_problem->hide();
    m_simulation->setWorld(world);
    m_start = m_simulation->model().pose();
}

void RobotViewDock::backToStart()
{
    // Back at the start the robot stands still until the program drives it again.
    if (m_controller)
        m_controller->resetOutputs();
    m_simulation->setPose(m_start);
}

void RobotViewDock::rebuildInputs()
{
    while (m_inputsLayout->rowCount() > 0)
        m_inputsLayout->removeRow(0);
    const RobotModel &model = m_simulation->model();
    for (auto it = model.configuration().gadgets().cbegin();
         it != model.configuration().gadgets().cend(); ++it) {
        const int pin = it.key();
        const int gadget = it.value();
        const QString caption =
            gadgetName(gadget) + QLatin1Char(' ') + ProgramValues::pinLabel(pin);
        if (RobotConfiguration::isPressable(gadget)) {
            auto *button = new QPushButton(caption, m_inputs);
            button->setObjectName(QStringLiteral("RobotInput%1").arg(pin));
            connect(button, &QPushButton::pressed, this,
                    [this, pin] { m_simulation->setPressed(pin, true); });
            connect(button, &QPushButton::released, this,
                    [this, pin] { m_simulation->setPressed(pin, false); });
            m_inputsLayout->addRow(button);
        } else if (RobotConfiguration::isSlider(gadget)) {
            auto *slider = new QSlider(Qt::Horizontal, m_inputs);
            slider->setObjectName(QStringLiteral("RobotInput%1").arg(pin));
            slider->setRange(0, 255);
            slider->setValue(model.sliderValue(pin));
            connect(slider, &QSlider::valueChanged, this,
                    [this, pin](int value) { m_simulation->setSliderValue(pin, value); });
            m_inputsLayout->addRow(caption, slider);
        }
    }
}
