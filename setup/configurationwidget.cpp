#include "configurationwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "bluetoothconfigurationwidget.h"
#include "calibrationwidget.h"
#include "clickableroundlabel.h"
#include "focusorder.h"
#include "hardwaredescription.h"
#include "pinconfigurationwidget.h"
#include "programstore.h"
#include "qiconframe.h"
#include "setuplogging.h"
#include "unsavedquestion.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMotor1Id = 40;
constexpr int kMotor2Id = 41;
constexpr int kServoId = 20;
const QString kMotor1 = QStringLiteral("Motor1");
const QString kMotor2 = QStringLiteral("Motor2");

QScrollArea *transparentScrollArea(QWidget *content, QWidget *parent)
{
    auto *area = new QScrollArea(parent);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    area->viewport()->setAutoFillBackground(false);
    // The rows inside take the focus; the area scrolls to the one that has it.
    area->setFocusPolicy(Qt::NoFocus);
    content->setAutoFillBackground(false);
    return area;
}

// The size the dialog is made for.
constexpr QSize kLeastSize(1366, 768);

} // namespace

ConfigurationWidget::ConfigurationWidget(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ConfigurationWidget"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setMinimumSize(kLeastSize);
    setStyleSheet(QStringLiteral(
        "QFrame#ConfigurationWidget { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 rgba(5, 46, 60, 255), stop: 0.5 rgba(17, 80, 103, 255),"
        " stop:1 rgba(25, 104, 134, 255)); }"
        "QTabWidget::pane { border: 2px solid rgb(36, 133, 182); border-radius: 8px; top: -2px; }"
        "QTabBar::tab { background: rgb(19, 50, 82); color: white; font-weight: bold;"
        " padding: 8px 24px; margin-right: 4px; border: 2px solid rgb(36, 133, 182);"
        " border-bottom: none; border-top-left-radius: 8px; border-top-right-radius: 8px; }"
        "QTabBar::tab:selected { background: rgb(36, 133, 182); }"));

    AppContext &context = AppContext::instance();
    // Frameless, but a reader and the window list still tell the window by its title.
    setWindowTitle(context.text(QStringLiteral("MenuButton_Settings")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(8);

    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(false);
    AccessibleText::set(m_tabs, QStringLiteral("MenuButton_Settings"));
    m_pinsPage = new QWidget;
    m_tabs->addTab(m_pinsPage, context.text(QStringLiteral("SettingsMenu_Pins")));
    m_calibrationPage = new QWidget;
    m_tabs->addTab(m_calibrationPage, context.text(QStringLiteral("SettingsMenu_Calibration")));
    m_bluetoothPage = new bluetoothconfigurationwidget(m_tabs);
    m_tabs->addTab(m_bluetoothPage, context.text(QStringLiteral("SettingsMenu_Link")));
    // A page tab's tool tip is also what a reader says the tab is for.
    const char *tabHints[] = {"SettingsMenu_PinsHint", "SettingsMenu_CalibrationHint",
                              "SettingsMenu_LinkHint"};
    for (int tab = 0; tab < m_tabs->count(); ++tab)
        m_tabs->setTabToolTip(tab, context.text(QLatin1String(tabHints[tab])));
    layout->addWidget(m_tabs, 1);

    const int buttonWidth = context.dimension(QStringLiteral("SettingsMenu_ButtonWidth"), 50);
    const int buttonHeight = context.dimension(QStringLiteral("SettingsMenu_ButtonHeight"), 50);
    m_saveButton = new ClickableRoundLabel(
        context.icon(QStringLiteral("btn_configok_on.svg")),
        context.icon(QStringLiteral("btn_configok_disable.svg")),
        context.icon(QStringLiteral("btn_configok_off.svg")), buttonWidth, buttonHeight,
        context.text(QStringLiteral("SettingsMenu_SaveText")), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_exitButton = new ClickableRoundLabel(
        context.icon(QStringLiteral("btn_configexit_on.svg")),
        context.icon(QStringLiteral("btn_configexit_disable.svg")),
        context.icon(QStringLiteral("btn_configexit_off.svg")), buttonWidth, buttonHeight,
        context.text(QStringLiteral("SettingsMenu_ExitText")), this);
    m_exitButton->setObjectName(QStringLiteral("exitButton"));
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(24);
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_exitButton);
    layout->addLayout(buttons);

    // Choosing a device connects to it at once, so it is remembered at once, saved or not.
    connect(m_bluetoothPage, &bluetoothconfigurationwidget::signalToSlotMwSelectDevice, this,
            [this](const QString &deviceText) {
                if (m_sessionDevice.isEmpty() || deviceText != m_sessionDevice)
                    AppContext::instance().store().setDeviceText(deviceText);
            });
    connect(m_saveButton, &ClickableRoundLabel::clicked, this, &ConfigurationWidget::save);
    connect(m_exitButton, &ClickableRoundLabel::clicked, this, &ConfigurationWidget::exit);

    // Ctrl+S saves from anywhere in the dialog. Esc goes back only when nothing open takes it
    // first (keyPressEvent): on an open list it closes just the list. The buttons tell their keys.
    auto *saveAction = new QAction(this);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(saveAction);
    connect(saveAction, &QAction::triggered, m_saveButton, &ClickableRoundLabel::activate);
    m_saveButton->setToolTip(
        AccessibleText::withShortcut(m_saveButton->caption(), saveAction->shortcut()));
    m_exitButton->setToolTip(
        AccessibleText::withShortcut(m_exitButton->caption(), QKeySequence(Qt::Key_Escape)));
}

void ConfigurationWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        m_exitButton->activate();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool ConfigurationWidget::focusNextPrevChild(bool next)
{
    // The pages are built when first shown, after the buttons: the tabs still come first.
    if (FocusOrder::move(this, {m_tabs, m_saveButton, m_exitButton}, next))
        return true;
    return QFrame::focusNextPrevChild(next);
}

void ConfigurationWidget::ensurePages() const
{
    if (!m_pagesBuilt)
        const_cast<ConfigurationWidget *>(this)->buildPages();
}

void ConfigurationWidget::buildPages()
{
    m_pagesBuilt = true;
    const QList<QPair<QWidget *, QWidget *>> pages{{m_pinsPage, buildPinsTab()},
                                                   {m_calibrationPage, buildCalibrationTab()}};
    for (const auto &[page, content] : pages) {
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    }
}

void ConfigurationWidget::showEvent(QShowEvent *event)
{
    ensurePages();
    QFrame::showEvent(event);
}

QIconFrame *ConfigurationWidget::board() const
{
    ensurePages();
    return m_board;
}

const QList<PinConfigurationWidget *> &ConfigurationWidget::pinWidgets() const
{
    ensurePages();
    return m_pinWidgets;
}

QWidget *ConfigurationWidget::buildPinsTab()
{
    m_board = new QIconFrame;
    m_board->setObjectName(QStringLiteral("board"));
    AppContext &context = AppContext::instance();
    m_board->setIcon(context.icon(QStringLiteral("boardpic.svg")));

    const HardwareDescription *description = context.description();
    if (!description) {
        qCWarning(lcSetup) << "No hardware description: the pin page stays empty";
        return m_board;
    }
    for (const PinInfo &pin : description->pins()) {
        auto *pinWidget = new PinConfigurationWidget(pin, description->gadgetsForPin(pin), m_board);
        m_board->addPinWidget(pinWidget, pin);
        pinWidget->adjustSize();
        pinWidget->setVisible(pin.visible);
        m_pinWidgets.append(pinWidget);
        m_pinsByName.insert(pin.name, pinWidget);
        connect(pinWidget, &PinConfigurationWidget::needUpdateGroup, this,
                &ConfigurationWidget::updateGroup);
        connect(pinWidget, &PinConfigurationWidget::gadgetSetted, this,
                &ConfigurationWidget::checkCalibration);
    }
    // Pins that share a column on the board get labels of one width, so their boxes line up.
    QMap<int, int> labelWidthByColumn;
    for (const PinConfigurationWidget *pinWidget : std::as_const(m_pinWidgets)) {
        int &width = labelWidthByColumn[pinWidget->pin().posX];
        width = qMax(width, pinWidget->labelWidget()->sizeHint().width());
    }
    for (PinConfigurationWidget *pinWidget : std::as_const(m_pinWidgets)) {
        pinWidget->labelWidget()->setMinimumWidth(labelWidthByColumn.value(pinWidget->pin().posX));
        pinWidget->adjustSize();
    }
    for (const GadgetInfo &group : description->groups()) {
        QList<PinConfigurationWidget *> &pins = m_groupPins[group.name];
        for (PinConfigurationWidget *pinWidget : std::as_const(m_pinWidgets)) {
            if (pinWidget->canHold(group.id))
                pins.append(pinWidget);
        }
    }
    return m_board;
}

QWidget *ConfigurationWidget::buildCalibrationTab()
{
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(48);

    auto makeColumn = [page](QVBoxLayout *&column) {
        auto *content = new QWidget;
        column = new QVBoxLayout(content);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(12);
        column->addStretch(1);
        auto *area = transparentScrollArea(content, page);
        area->setMinimumWidth(420);
        return area;
    };
    layout->addStretch(1);
    layout->addWidget(makeColumn(m_motorColumn));
    layout->addWidget(makeColumn(m_servoColumn));
    layout->addStretch(1);
    return page;
}

void ConfigurationWidget::connectWorker(mWorker *worker)
{
    m_bluetoothPage->connectWorker(worker);
}

void ConfigurationWidget::useSessionDevice(const QString &deviceText)
{
    m_sessionDevice = deviceText;
    m_bluetoothPage->setDevice(deviceText);
}

bool ConfigurationWidget::isFlashing() const
{
    return m_bluetoothPage->isFlashing();
}

PinConfigurationWidget *ConfigurationWidget::pinWidget(const QString &pinName) const
{
    ensurePages();
    return m_pinsByName.value(pinName);
}

QList<PinConfigurationWidget *> ConfigurationWidget::groupPins(const QString &groupName) const
{
    ensurePages();
    return m_groupPins.value(groupName);
}

CalibrationWidget *ConfigurationWidget::calibrationRow(const QString &name) const
{
    ensurePages();
    return m_calibrations.value(name);
}

QStringList ConfigurationWidget::rowNames(const QVBoxLayout *column) const
{
    QStringList names;
    for (int i = 0; i < column->count(); ++i) {
        if (auto *row = qobject_cast<CalibrationWidget *>(column->itemAt(i)->widget()))
            names.append(row->name());
    }
    return names;
}

QStringList ConfigurationWidget::motorRowNames() const
{
    ensurePages();
    return rowNames(m_motorColumn);
}

QStringList ConfigurationWidget::servoRowNames() const
{
    ensurePages();
    return rowNames(m_servoColumn);
}

CalibrationWidget *ConfigurationWidget::addCalibrationRow(const QString &name, int value,
                                                          int gadgetId)
{
    const GadgetInfo gadget = AppContext::instance().gadgetMap().value(gadgetId);
    const bool motor = gadgetId == kMotor1Id || gadgetId == kMotor2Id;
    QString caption = name;
    if (!gadget.calibrName.isEmpty())
        caption = motor ? gadget.calibrName : QStringLiteral("%1 %2").arg(gadget.calibrName, name);

    QVBoxLayout *column = motor ? m_motorColumn : m_servoColumn;
    auto *row = new CalibrationWidget(name, value, caption, column->parentWidget());
    row->setToolTip(name);
    // Rows go above the column's closing stretch.
    column->insertWidget(column->count() - 1, row);
    m_calibrations.insert(name, row);
    return row;
}

void ConfigurationWidget::removeCalibrationRow(const QString &name)
{
    CalibrationWidget *row = m_calibrations.take(name);
    if (!row)
        return;
    // Deleting takes the row out of its column at once, so names and saving order follow.
    delete row;
}

void ConfigurationWidget::setCalibrationRow(const QString &name, int value, int gadgetId)
{
    if (CalibrationWidget *row = m_calibrations.value(name))
        row->setLineInput(value);
    else
        addCalibrationRow(name, value, gadgetId);
}

bool ConfigurationWidget::gadgetStillPlaced(int gadgetId) const
{
    for (const PinConfigurationWidget *pinWidget : m_pinWidgets) {
        if (pinWidget->gadgetId() == gadgetId)
            return true;
    }
    return false;
}

void ConfigurationWidget::checkCalibration(int gadgetId, QString pin)
{
    if (gadgetId == kMotor1Id || gadgetId == kMotor2Id || gadgetId == kServoId) {
        setCalibrationRow(pin, CalibrationWidget::Neutral, gadgetId);
        return;
    }
    // A drive motor placed on two pins keeps its row until the last of them lets it go.
    if ((pin == kMotor1 && gadgetStillPlaced(kMotor1Id)) ||
        (pin == kMotor2 && gadgetStillPlaced(kMotor2Id)))
        return;
    removeCalibrationRow(pin);
}

void ConfigurationWidget::updateGroup(QString pinName, QString gadgetName)
{
    PinConfigurationWidget *emitter = m_pinsByName.value(pinName);
    if (!emitter)
        return;
    const GadgetInfo chosen = emitter->gadget();
    const bool chosenIsGroup = chosen.isValid() && chosen.kind == GadgetInfo::Group;
    const QList<PinConfigurationWidget *> pins = m_groupPins.value(gadgetName);
    for (PinConfigurationWidget *pinWidget : pins) {
        if (pinWidget == emitter) {
            pinWidget->takeEcho();
            continue;
        }
        const GadgetInfo own = pinWidget->gadget();
        const bool ownIsGroup = own.isValid() && own.kind == GadgetInfo::Group;
        pinWidget->setGroupUpdate(true);
        if (chosenIsGroup)
            pinWidget->applyGadget(chosen.id);
        else if (ownIsGroup)
            pinWidget->applyGadget(-1);
        // A pin that carries no group keeps its own gadget: replacing a group clears only groups.
        pinWidget->setGroupUpdate(false);
    }
}

void ConfigurationWidget::loadConfiguration()
{
    ensurePages();
    AppContext &context = AppContext::instance();

    // A clean slate: rows from an earlier opening that no gadget owns would otherwise survive and
    // be saved.
    const QStringList names = m_calibrations.keys();
    for (const QString &name : names)
        removeCalibrationRow(name);

    for (PinConfigurationWidget *pinWidget : std::as_const(m_pinWidgets))
        pinWidget->applyGadget(-1);

    for (const PinAssignment &assignment : context.pinAssignments()) {
        PinConfigurationWidget *pinWidget = m_pinsByName.value(assignment.pinName);
        if (!pinWidget || !assignment.gadget.isValid()) {
            qCWarning(lcSetup) << "Configured pin" << assignment.pinLabel
                               << "has no pin or gadget here; skipped";
            continue;
        }
        if (!pinWidget->applyGadget(assignment.gadget.id))
            qCWarning(lcSetup) << "Gadget" << assignment.gadget.id << "cannot sit on pin"
                               << assignment.pinName << "; skipped";
    }

    // Saved values are kept even when no gadget asked for the row.
    if (context.motor1() != AppContext::MotorNotSet)
        setCalibrationRow(kMotor1, context.motor1(), kMotor1Id);
    if (context.motor2() != AppContext::MotorNotSet)
        setCalibrationRow(kMotor2, context.motor2(), kMotor2Id);
    for (const ServoCalibration &servo : context.servoCalibrations())
        setCalibrationRow(servo.pinLabel, servo.zero, kServoId);

    m_loadedChoices = choices();

    const QString deviceText = context.store().deviceText();
    const QString shown = m_bluetoothPage->currentDeviceText();
    const bool sessionDeviceInUse = !m_sessionDevice.isEmpty() && shown == m_sessionDevice;
    if (!sessionDeviceInUse && deviceText != shown)
        m_bluetoothPage->setDevice(deviceText);
}

void ConfigurationWidget::openDialog()
{
    loadConfiguration();
    // Never larger than the screen: on the 1280 x 720 screens of schools the save and exit
    // buttons stay in reach, and the pages scroll.
    if (const QScreen *screen = this->screen())
        setMinimumSize(kLeastSize.boundedTo(screen->availableGeometry().size()));
    if (AppContext::instance().dimension(QStringLiteral("MaximizeType"), 0) & 0x2)
        showMaximized();
    else
        showFullScreen();
}

bool ConfigurationWidget::refuseWhileFlashing()
{
    if (!isFlashing())
        return false;
    QMessageBox box(this);
    box.setIcon(QMessageBox::Information);
    box.setText(QStringLiteral("Notification"));
    box.setInformativeText(
        QStringLiteral("The device is being flashed. This window cannot be closed."));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return true;
}

void ConfigurationWidget::save()
{
    if (refuseWhileFlashing())
        return;
    ensurePages();
    AppContext &context = AppContext::instance();

    context.setI2cFlag(0);
    QList<PinAssignment> assignments;
    for (const PinConfigurationWidget *pinWidget : std::as_const(m_pinWidgets)) {
        const PinAssignment assignment = pinWidget->assignment();
        if (assignment.gadget.types.contains(QLatin1String("I2C")))
            context.setI2cFlag(1);
        if (assignment.gadget.id > 0)
            assignments.append(assignment);
    }
    context.setPinAssignments(assignments);

    context.setMotor1(AppContext::MotorNotSet);
    context.setMotor2(AppContext::MotorNotSet);
    QList<ServoCalibration> servos;
    const QStringList motorRows = motorRowNames();
    const QStringList servoRows = servoRowNames();
    for (const QString &name : motorRows + servoRows) {
        const int value = m_calibrations.value(name)->value();
        if (name == kMotor1)
            context.setMotor1(value);
        else if (name == kMotor2)
            context.setMotor2(value);
        else
            servos.append({name, value});
    }
    context.setServoCalibrations(servos);

    const QString chosen = m_bluetoothPage->currentDeviceText();
    // An empty page (no device handed over yet) never wipes the saved device.
    if (!chosen.isEmpty() && (m_sessionDevice.isEmpty() || chosen != m_sessionDevice))
        context.store().setDeviceText(chosen);

    hide();
    emit exitSignal();
    emit saveConfigSignal();
    emit settingsChanged(int(context.gadgetFlags()));
}

void ConfigurationWidget::exit()
{
    if (refuseWhileFlashing())
        return;
    // Going back drops the choices made since the dialog opened: not without a word.
    if (hasUnsavedChanges()) {
        switch (UnsavedQuestion::ask(
            this, AppContext::instance().text(QStringLiteral("SettingsUnsaved")))) {
        case UnsavedQuestion::Answer::Save:
            save();
            return;
        case UnsavedQuestion::Answer::Cancel:
            return;
        case UnsavedQuestion::Answer::Discard:
            break;
        }
    }
    hide();
    emit exitSignal();
}

QJsonObject ConfigurationWidget::choices() const
{
    if (!m_pagesBuilt)
        return {};
    QJsonObject pins;
    for (const PinConfigurationWidget *pinWidget : m_pinWidgets)
        pins.insert(pinWidget->pinName(), pinWidget->gadgetId());
    QJsonObject calibrations;
    for (auto it = m_calibrations.cbegin(); it != m_calibrations.cend(); ++it)
        calibrations.insert(it.key(), it.value()->value());
    return {{QStringLiteral("pins"), pins}, {QStringLiteral("calibrations"), calibrations}};
}

bool ConfigurationWidget::hasUnsavedChanges() const
{
    return choices() != m_loadedChoices;
}

void ConfigurationWidget::closeEvent(QCloseEvent *event)
{
    if (refuseWhileFlashing()) {
        event->ignore();
        return;
    }
    emit exitSignal();
    event->accept();
}
