#include "bluetoothconfigurationwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "devicesentence.h"
#include "firmwareflasher.h"
#include "hardwaredescription.h"
#include "linkproblem.h"
#include "linksocket.h"
#include "mbluetoothconnect.h"
#include "mworker.h"
#include "rightmenucombobox.h"
#include "seriallinksocket.h"
#include "serialports.h"
#include "setuplogging.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextLayout>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const kGroupStyle = "border-width: 1;border-radius: 3;border-style: solid;"
                                "border-color: rgb(10, 10, 10)";
const char *const kRed = "QLabel { color : red; }";
const char *const kBlue = "QLabel { color : blue; }";
const char *const kYellow = "QLabel { color : yellow; }";
const char *const kGreen = "QLabel { color : green; }";
const char *const kDark = "QLabel { color : rgb(16, 28, 34); }";
const char *const kRenamedLook = "QLabel { color: #1b5e20; background: #e8f5e9; font-weight: bold;"
                                 " border-radius: 6px; padding: 2px 8px; }";
const char *const kRenameFailedLook = "QLabel { color: #b71c1c; background: #ffebee;"
                                      " font-weight: bold; border-radius: 6px; padding: 2px 8px; }";
// The search's progress moves this often; a search lasts seconds.
constexpr int kSearchTickMs = 100;
// Room around a status line's text: its plate's margins or its own padding, and a little more.
constexpr int kLineFrame = 24;
// Marks a device list entry as a serial port.
constexpr int kSerialRole = Qt::UserRole + 1;

// The controller accepts at most this many characters as its new name.
constexpr int kMaxNameLength = 19;

// The text in at most two lines of the width, the second cut short with an ellipsis when the
// text runs over.
QString inTwoLines(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return text;
    }
    first.setLineWidth(width);
    const int rest = first.textStart() + first.textLength();
    layout.endLayout();
    if (rest >= text.size())
        return text;
    return text.left(rest).trimmed() + QLatin1Char('\n') +
           QFontMetrics(font).elidedText(text.mid(rest).trimmed(), Qt::ElideRight, width);
}

// A status line keeps the height of two lines whatever it says, so the list and the buttons
// never move; what does not fit is in the tool tip, and a reader hears all of it.
void showInLine(QLabel *label, const QString &text, const QWidget *row)
{
    label->ensurePolished();
    // Until the page is laid out there is no width to fit to.
    const QString shown =
        row->isVisible() ? inTwoLines(text, label->font(), row->width() - kLineFrame) : text;
    label->setText(shown);
    label->setToolTip(shown.size() < text.size() ? text : QString());
    label->setAccessibleName(text);
}

// The height of a row that holds two lines of the label's text and its frame.
int twoLineHeight(QLabel *label)
{
    label->ensurePolished();
    return 2 * QFontMetrics(label->font()).lineSpacing() + kLineFrame / 2;
}

QLabel *rowLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("rowLabel"));
    return label;
}

} // namespace

bluetoothconfigurationwidget::bluetoothconfigurationwidget(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("bluetoothconfigurationwidget"));
    AppContext &context = AppContext::instance();
    m_textDirectoryNotFound = context.text(QStringLiteral("FirmwareDirectoryNotFound"));
    m_textFileNotFound = context.text(QStringLiteral("FirmwareFileNotFound"));
    m_textConfNotFound = context.text(QStringLiteral("FirmwareConfNotFound"));
    m_textFirmwareSuccess = context.text(QStringLiteral("FirmwareSuccess"));
    m_textFirmwareError = context.text(QStringLiteral("FirmwareError"));
    m_textFirmwareProcess = context.text(QStringLiteral("FirmwareProcess"));

    setStyleSheet(QStringLiteral(
        "QLabel#rowLabel { color: white; font-weight: bold; }"
        "QListWidget { background: rgba(255, 255, 255, 230); border-radius: 6px; font-size: 16px;"
        " padding: 4px; }"
        "QListWidget::item { padding: 6px; }"
        "QListWidget::item:selected { background: rgb(36, 133, 182); color: white; }"
        // The status colours are fixed; the plate behind them keeps each one readable.
        "QFrame#statusPlate { border-radius: 6px; }"
        "QFrame#statusPlate[tone=\"light\"] { background: rgb(236, 240, 242); }"
        "QFrame#statusPlate[tone=\"dark\"] { background: rgb(16, 28, 34); }"
        "QLabel#statusLabel { font-weight: bold; font-size: 15px; }"
        "QLabel#searchStatus { font-weight: bold; background: rgb(236, 240, 242);"
        " border-radius: 6px; padding: 3px 10px; }"
        "QProgressBar { background: rgb(16, 28, 34); border: 1px solid rgb(36, 133, 182);"
        " border-radius: 5px; max-height: 10px; }"
        "QProgressBar::chunk { background: rgb(36, 133, 182); border-radius: 4px; }"
        "QLineEdit { border-radius: 8px; padding: 4px 8px; min-height: 24px; }"
        "QPushButton { background: rgb(36, 133, 182); color: white; font-weight: bold;"
        " border-radius: 8px; padding: 6px 16px; min-height: 24px; }"
        "QPushButton:hover { background: rgb(56, 160, 210); }"
        "QPushButton:disabled { background: rgb(70, 90, 100); color: rgb(170, 180, 185); }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->setSpacing(16);

    // Device: search, list, choose, status.
    QFrame *deviceGroup = makeGroup();
    auto *deviceGrid = new QGridLayout(deviceGroup);
    deviceGrid->setColumnStretch(1, 1);
    m_deviceLabel = new QLabel(deviceGroup);
    m_deviceLabel->setObjectName(QStringLiteral("deviceLabel"));
    m_deviceLabel->setStyleSheet(QStringLiteral("QLabel { color : white; }"));
    m_deviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showDevice(QString());
    m_statusPlate = new QFrame(deviceGroup);
    m_statusPlate->setObjectName(QStringLiteral("statusPlate"));
    auto *plateLayout = new QHBoxLayout(m_statusPlate);
    plateLayout->setContentsMargins(10, 3, 10, 3);
    m_statusLabel = new QLabel(m_statusPlate);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    // The row's width decides where a line breaks, not the text.
    m_statusLabel->setMinimumWidth(1);
    plateLayout->addWidget(m_statusLabel);
    m_statusPlate->hide();
    m_searchButton = new QPushButton(context.text(QStringLiteral("BluetoothSearch")), deviceGroup);
    m_deviceList = new QListWidget(deviceGroup);
    m_deviceList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_deviceList->setMinimumHeight(120);
    m_selectButton = new QPushButton(context.text(QStringLiteral("BluetoothSelect")), deviceGroup);
    m_selectButton->setEnabled(false);
    m_showMeButton = new QPushButton(context.text(QStringLiteral("ClassShowMe")), deviceGroup);
    m_showMeButton->setEnabled(false);
    deviceGrid->addWidget(
        rowLabel(context.text(QStringLiteral("BluetoothDeviceName")), deviceGroup), 0, 0);
    deviceGrid->addWidget(m_deviceLabel, 0, 1, 1, 2);
    deviceGrid->addWidget(
        rowLabel(context.text(QStringLiteral("BluetoothDeviceStatus")), deviceGroup), 1, 0);
    // A status sits in a plate of its own width, in a row of fixed height.
    m_statusRow = new QWidget(deviceGroup);
    auto *statusRow = new QHBoxLayout(m_statusRow);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->addWidget(m_statusPlate, 0, Qt::AlignVCenter);
    statusRow->addStretch(1);
    m_statusPlate->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_statusRow->setFixedHeight(twoLineHeight(m_statusLabel));
    m_statusRow->installEventFilter(this);
    deviceGrid->addWidget(m_statusRow, 1, 1, 1, 2);
    m_searchProgress = new QProgressBar(deviceGroup);
    m_searchProgress->setTextVisible(false);
    QSizePolicy progressPolicy = m_searchProgress->sizePolicy();
    progressPolicy.setRetainSizeWhenHidden(true);
    m_searchProgress->setSizePolicy(progressPolicy);
    m_searchProgress->hide();
    m_searchRow = new QWidget(deviceGroup);
    m_searchStatus = new QLabel(m_searchRow);
    m_searchStatus->setObjectName(QStringLiteral("searchStatus"));
    m_searchStatus->setMinimumWidth(1);
    m_searchStatus->hide();
    deviceGrid->addWidget(m_deviceList, 2, 0, 3, 2);
    deviceGrid->addWidget(m_searchButton, 2, 2);
    deviceGrid->addWidget(m_selectButton, 3, 2);
    deviceGrid->addWidget(m_showMeButton, 4, 2, Qt::AlignTop);
    deviceGrid->setRowStretch(4, 1);
    deviceGrid->addWidget(m_searchProgress, 5, 0, 1, 3);
    auto *searchRow = new QHBoxLayout(m_searchRow);
    searchRow->setContentsMargins(0, 0, 0, 0);
    searchRow->addWidget(m_searchStatus, 0, Qt::AlignVCenter);
    searchRow->addStretch(1);
    m_searchStatus->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_searchRow->setFixedHeight(twoLineHeight(m_searchStatus));
    m_searchRow->installEventFilter(this);
    deviceGrid->addWidget(m_searchRow, 6, 0, 1, 3);
    m_searchTicker.setInterval(kSearchTickMs);
    connect(&m_searchTicker, &QTimer::timeout, this,
            &bluetoothconfigurationwidget::showSearchProgress);
    layout->addWidget(deviceGroup, 2);

    // Firmware: serial port, status, start.
    QFrame *firmwareGroup = makeGroup();
    auto *firmwareGrid = new QGridLayout(firmwareGroup);
    firmwareGrid->setHorizontalSpacing(12);
    firmwareGrid->setColumnStretch(3, 1);
    m_comPortBox = new RightMenuComboBox(firmwareGroup);
    m_comPortBox->setMinimumWidth(200);
    m_comPortBox->setMaximumWidth(360);
    m_firmwareStatus = new QLabel(firmwareGroup);
    m_firmwareStatus->setObjectName(QStringLiteral("firmwareStatus"));
    m_firmwareStatus->setStyleSheet(QStringLiteral("QLabel { color : white; }"));
    m_firmwareStatus->setWordWrap(true);
    m_firmwareButton =
        new QPushButton(context.text(QStringLiteral("FirmwareButton")), firmwareGroup);
    QLabel *portCaption = rowLabel(context.text(QStringLiteral("FirmwareComport")), firmwareGroup);
    portCaption->setBuddy(m_comPortBox);
    firmwareGrid->addWidget(portCaption, 0, 0);
    firmwareGrid->addWidget(m_comPortBox, 0, 1, Qt::AlignLeft);
    firmwareGrid->addWidget(rowLabel(context.text(QStringLiteral("FirmwareStatus")), firmwareGroup),
                            1, 0);
    firmwareGrid->addWidget(m_firmwareStatus, 1, 1, 1, 3);
    firmwareGrid->addWidget(m_firmwareButton, 0, 2);
    layout->addWidget(firmwareGroup, 1);

    // Renaming the controller.
    QFrame *renameGroup = makeGroup();
    auto *renameGrid = new QGridLayout(renameGroup);
    renameGrid->setHorizontalSpacing(12);
    renameGrid->setColumnStretch(3, 1);
    m_nameEdit = new QLineEdit(renameGroup);
    m_nameEdit->setMaxLength(kMaxNameLength);
    m_nameEdit->setMinimumWidth(200);
    m_nameEdit->setMaximumWidth(360);
    m_renameStatus = new QLabel(renameGroup);
    m_renameStatus->setObjectName(QStringLiteral("renameStatus"));
    m_renameStatus->setStyleSheet(QStringLiteral("QLabel { color : white; }"));
    m_changeButton = new QPushButton(context.text(QStringLiteral("BluetoothChange")), renameGroup);
    QLabel *nameCaption = rowLabel(context.text(QStringLiteral("BluetoothName")), renameGroup);
    nameCaption->setBuddy(m_nameEdit);
    renameGrid->addWidget(nameCaption, 0, 0);
    renameGrid->addWidget(m_nameEdit, 0, 1, Qt::AlignLeft);
    renameGrid->addWidget(rowLabel(context.text(QStringLiteral("BluetoothStatus")), renameGroup), 1,
                          0);
    renameGrid->addWidget(m_renameStatus, 1, 1, 1, 3, Qt::AlignLeft);
    renameGrid->addWidget(m_changeButton, 0, 2);
    layout->addWidget(renameGroup, 1);

    m_flasher = new FirmwareFlasher(this);
    connect(m_flasher, &FirmwareFlasher::flashingStarted, this,
            [this] { m_firmwareStatus->setText(m_textFirmwareProcess); });
    connect(m_flasher, &FirmwareFlasher::flashingFinished, this,
            &bluetoothconfigurationwidget::onFlashingFinished);

    connect(m_searchButton, &QPushButton::clicked, this,
            &bluetoothconfigurationwidget::slotToClickSearchDevice);
    connect(m_selectButton, &QPushButton::clicked, this,
            &bluetoothconfigurationwidget::slotToSelectDevice);
    connect(m_deviceList, &QListWidget::itemSelectionChanged, this,
            &bluetoothconfigurationwidget::ChangeStatusSelectButton);
    connect(m_showMeButton, &QPushButton::clicked, this, [this] {
        const QList<QListWidgetItem *> selected = m_deviceList->selectedItems();
        if (!selected.isEmpty())
            emit identifyRequested(selected.first()->data(Qt::UserRole).toString());
    });
    // Enter on a found device connects to it, as the select button does.
    connect(m_deviceList, &QListWidget::itemActivated, this,
            &bluetoothconfigurationwidget::slotToSelectDevice);
    AccessibleText::set(m_deviceList, QStringLiteral("DeviceListName"),
                        QStringLiteral("DeviceListHint"));
    AccessibleText::set(m_comPortBox, QStringLiteral("FirmwareComport"));
    AccessibleText::set(m_nameEdit, QStringLiteral("BluetoothName"));
    // The buttons are named by their captions; a reader also hears what they do.
    const std::pair<QPushButton *, const char *> hints[] = {
        {m_searchButton, "BluetoothSearchHint"},
        {m_selectButton, "BluetoothSelectHint"},
        {m_showMeButton, "BluetoothShowMeHint"},
        {m_firmwareButton, "FirmwareButtonHint"},
        {m_changeButton, "BluetoothChangeHint"}};
    for (const auto &[button, key] : hints)
        button->setAccessibleDescription(AccessibleText::text(QLatin1String(key)));
    connect(m_firmwareButton, &QPushButton::clicked, this,
            &bluetoothconfigurationwidget::slotToStartFirmware);
    connect(m_changeButton, &QPushButton::clicked, this,
            &bluetoothconfigurationwidget::slotToChangeName);
}

QFrame *bluetoothconfigurationwidget::makeGroup()
{
    auto *group = new QFrame(this);
    group->setObjectName(QStringLiteral("group"));
    group->setStyleSheet(QStringLiteral("QFrame#group { %1 }").arg(QLatin1String(kGroupStyle)));
    return group;
}

void bluetoothconfigurationwidget::connectWorker(mWorker *worker)
{
    if (!worker)
        return;
    connect(m_searchButton, &QPushButton::clicked, worker, &mWorker::mwFindDevices);
    connect(this, &bluetoothconfigurationwidget::signalToSlotMwSelectDevice, worker,
            &mWorker::mwSelectDevice);
    connect(this, &bluetoothconfigurationwidget::signalToChangeName, worker, &mWorker::ChangeName);
    connect(worker, &mWorker::sigConnectOK, this,
            &bluetoothconfigurationwidget::slotToSigConnectOK);
    connect(worker, &mWorker::sigErrorConnect, this,
            &bluetoothconfigurationwidget::slotToSigErrorConnect);
    connect(worker, &mWorker::sigFindDevice, this,
            &bluetoothconfigurationwidget::slotToSigFindDevice);
    connect(worker, &mWorker::sigEndFindDevices, this,
            &bluetoothconfigurationwidget::slotToSigEndFindDevices);
    connect(worker, &mWorker::sigChangeName, this,
            &bluetoothconfigurationwidget::slotToResultChangeName);
    connect(worker, &mWorker::sigSearchStarted, this,
            &bluetoothconfigurationwidget::slotToSigSearchStarted);
    connect(worker, &mWorker::sigSearchEnded, this,
            &bluetoothconfigurationwidget::slotToSigSearchEnded);
    connect(worker, &mWorker::sigFoundDeviceKind, this,
            &bluetoothconfigurationwidget::slotToSigFoundDeviceKind);
    connect(worker, &mWorker::sigLinkProblem, this,
            &bluetoothconfigurationwidget::slotToSigLinkProblem);
}

void bluetoothconfigurationwidget::setDevice(const QString &deviceText)
{
    if (deviceText.isEmpty())
        return;
    const QString chosen = withKitSpeed(deviceText);
    chooseDevice(chosen);
    emit signalToSlotMwSelectDevice(chosen);
}

QString bluetoothconfigurationwidget::withKitSpeed(const QString &deviceText)
{
    // A serial port runs at the kit's speed unless its address names one.
    const mBluetoothConnect::DeviceParts device = mBluetoothConnect::deviceParts(deviceText);
    const QString &address = device.address;
    const HardwareDescription *description = AppContext::instance().description();
    if (LinkSocket::kindOf(address) != LinkSocket::Kind::Serial || !description)
        return deviceText;
    const QString fast = SerialLinkSocket::withBaudRate(address, description->serialBaudRate());
    if (fast == address)
        return deviceText;
    return mBluetoothConnect::deviceText(device.name, fast, device.bluetooth);
}

void bluetoothconfigurationwidget::chooseDevice(const QString &deviceText)
{
    m_deviceText = deviceText;
    showDevice(deviceText);
    const QString name = shownName(deviceText);
    m_status.chooseDevice(name.isEmpty() ? deviceText : name);
    showLines();
}

bool bluetoothconfigurationwidget::isFlashing() const
{
    return m_flasher->isFlashing();
}

QString bluetoothconfigurationwidget::shownName(const QString &deviceText)
{
    return mBluetoothConnect::shownName(
        deviceText, AccessibleText::text(QStringLiteral("VirtualControllerName")));
}

QString bluetoothconfigurationwidget::displayText(const QString &deviceText)
{
    const QString address = mBluetoothConnect::deviceParts(deviceText).address;
    const QString name = shownName(deviceText);
    if (name.isEmpty())
        return deviceText;
    if (address.isEmpty() || name == address)
        return name;
    return QStringLiteral("%1  (%2)").arg(name, address);
}

QString bluetoothconfigurationwidget::spokenText(const QString &deviceText)
{
    const QString address = mBluetoothConnect::deviceParts(deviceText).address;
    const QString name = shownName(deviceText);
    if (address.isEmpty())
        return name.isEmpty() ? deviceText : name;
    // The address in words a reader can say: what kind it is, without its scheme or speed.
    switch (LinkSocket::kindOf(address)) {
    case LinkSocket::Kind::Serial: {
        const std::optional<SerialLinkSocket::Address> port = SerialLinkSocket::parse(address);
        return AccessibleText::format(QStringLiteral("DeviceSerialPort"), QStringLiteral("%1, %2"))
            .arg(name, port ? port->path : address);
    }
    case LinkSocket::Kind::Tcp:
        return AccessibleText::format(QStringLiteral("DeviceNetworkAddress"),
                                      QStringLiteral("%1, %2"))
            .arg(name, QUrl(address).authority());
    case LinkSocket::Kind::Bluetooth:
        break;
    }
    return AccessibleText::format(QStringLiteral("DeviceBluetoothAddress"),
                                  QStringLiteral("%1, %2"))
        .arg(name, address);
}

void bluetoothconfigurationwidget::showDevice(const QString &deviceText)
{
    m_deviceLabel->setText(displayText(deviceText));
    const QString spoken = deviceText.isEmpty() ? QString() : spokenText(deviceText);
    m_deviceLabel->setToolTip(spoken);
    // Said with its row's caption, and said even while no robot is chosen yet.
    AccessibleText::setTexts(
        m_deviceLabel,
        AccessibleText::format(QStringLiteral("LabelledValue"), QStringLiteral("%1: %2"))
            .arg(AccessibleText::text(QStringLiteral("BluetoothDeviceName")),
                 m_deviceLabel->text()),
        spoken);
}

bluetoothconfigurationwidget::StatusLook
bluetoothconfigurationwidget::connectionStatusLook(int value) const
{
    LinkStatus unnamed;
    return lookOf(unnamed.connectState(value));
}

bluetoothconfigurationwidget::StatusLook
bluetoothconfigurationwidget::lookOf(const LinkStatus::Words &words) const
{
    // Whole sentences: the virtual controller has its own, and a robot's name fills its place.
    const QString text = words.key.isEmpty()
                             ? QString()
                             : DeviceSentence::text(words.key, words.argument, {words.detail});
    switch (words.tone) {
    case LinkStatus::Tone::Bad:
        return {text, QLatin1String(kRed)};
    case LinkStatus::Tone::Waiting:
        return {text, QLatin1String(kYellow)};
    case LinkStatus::Tone::Good:
        return {text, QLatin1String(kGreen)};
    case LinkStatus::Tone::Neutral:
        return {text, QLatin1String(kDark)};
    case LinkStatus::Tone::Hidden:
        break;
    }
    return {text, QLatin1String(kBlue)};
}

void bluetoothconfigurationwidget::showLines()
{
    showStatus(lookOf(m_status.current()));
    const StatusLook search = lookOf(m_status.searchWords());
    showInLine(m_searchStatus, search.text, m_searchRow);
    m_searchStatus->setStyleSheet(search.style);
    m_searchStatus->setVisible(!search.text.isEmpty());
}

bool bluetoothconfigurationwidget::eventFilter(QObject *watched, QEvent *event)
{
    // A line set while the page was hidden is fitted once its row is shown, even at the size it
    // had.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) &&
        (watched == m_statusRow || watched == m_searchRow))
        showLines();
    return QFrame::eventFilter(watched, event);
}

void bluetoothconfigurationwidget::showStatus(const StatusLook &look)
{
    showInLine(m_statusLabel, look.text, m_statusRow);
    m_statusLabel->setStyleSheet(look.style);
    m_statusPlate->setVisible(!look.text.isEmpty());
    const char *tone = look.style.contains(QLatin1String("yellow")) ? "dark" : "light";
    if (m_statusPlate->property("tone").toByteArray() != tone) {
        m_statusPlate->setProperty("tone", QByteArray(tone));
        m_statusPlate->style()->unpolish(m_statusPlate);
        m_statusPlate->style()->polish(m_statusPlate);
    }
}

void bluetoothconfigurationwidget::slotToSigConnectOK(int value)
{
    m_status.connectState(value);
    showLines();
}

void bluetoothconfigurationwidget::slotToSigErrorConnect()
{
    m_status.watchdogTick();
    showLines();
}

void bluetoothconfigurationwidget::slotToSigLinkProblem(int problem, QString detail)
{
    m_status.linkProblem(problem, detail);
    showLines();
}

void bluetoothconfigurationwidget::slotToClickSearchDevice()
{
    m_selectButton->setEnabled(false);
    m_showMeButton->setEnabled(false);
    m_searchButton->setEnabled(false);
    m_deviceList->clear();
    m_deviceKinds.clear();
    m_status.searchRequested();
    showLines();
}

void bluetoothconfigurationwidget::slotToSigSearchStarted(int durationMs)
{
    m_searchMs = qMax(1, durationMs);
    m_searchClock.start();
    m_searchProgress->setRange(0, m_searchMs);
    m_searchProgress->setValue(0);
    m_searchProgress->show();
    m_searchTicker.start();
}

void bluetoothconfigurationwidget::showSearchProgress()
{
    m_searchProgress->setValue(int(qMin<qint64>(m_searchClock.elapsed(), m_searchMs)));
}

void bluetoothconfigurationwidget::slotToSigSearchEnded(int robotCount, int problem)
{
    // The page counts what it lists, serial ports among them.
    Q_UNUSED(robotCount)
    m_searchTicker.stop();
    m_searchProgress->hide();
    m_status.searchEnded(problem);
    showLines();
}

void bluetoothconfigurationwidget::slotToSigFoundDeviceKind(QString deviceText, int kind)
{
    m_deviceKinds.insert(deviceText, kind);
}

void bluetoothconfigurationwidget::slotToSigFindDevice(QString deviceName)
{
    QString text = displayText(deviceName);
    const int kind = m_deviceKinds.value(deviceName, -1);
    static const QHash<int, QString> marks{
        {FoundDeviceKind::PairedRobot, QStringLiteral("BluetoothPairedMark")},
        {FoundDeviceKind::UnpairedRobot, QStringLiteral("BluetoothUnpairedMark")},
        {FoundDeviceKind::CablePort, QStringLiteral("SerialCableMark")},
        {FoundDeviceKind::SerialPort, QStringLiteral("SerialPortMark")}};
    // A COM port that leads to a paired Bluetooth robot is marked as the robot it reaches.
    const bool pairedPort = !mBluetoothConnect::deviceParts(deviceName).bluetooth.isEmpty();
    if (pairedPort)
        text += QStringLiteral("  \u00B7  ") +
                AppContext::instance().text(marks.value(FoundDeviceKind::PairedRobot));
    else if (marks.contains(kind))
        text += QStringLiteral("  \u00B7  ") + AppContext::instance().text(marks.value(kind));
    auto *item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, deviceName);
    item->setData(kSerialRole,
                  kind == FoundDeviceKind::CablePort || kind == FoundDeviceKind::SerialPort);
    item->setToolTip(spokenText(deviceName));
    // Robots first, as they answer; the serial ports, listed at once, stay below them.
    int row = m_deviceList->count();
    if (!item->data(kSerialRole).toBool()) {
        while (row > 0 && m_deviceList->item(row - 1)->data(kSerialRole).toBool())
            --row;
    }
    m_deviceList->insertItem(row, item);
    m_status.deviceListed(item->data(kSerialRole).toBool());
    if (mBluetoothConnect::sameDevice(deviceName, m_deviceText))
        m_status.chosenDeviceListed();
    showLines();
}

void bluetoothconfigurationwidget::slotToSigEndFindDevices()
{
    m_searchButton->setEnabled(true);
}

void bluetoothconfigurationwidget::ChangeStatusSelectButton()
{
    m_selectButton->setEnabled(!m_deviceList->selectedItems().isEmpty());
    m_showMeButton->setEnabled(m_selectButton->isEnabled());
}

void bluetoothconfigurationwidget::slotToSelectDevice()
{
    const QList<QListWidgetItem *> selected = m_deviceList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString deviceText = withKitSpeed(selected.first()->data(Qt::UserRole).toString());
    chooseDevice(deviceText);
    emit signalToSlotMwSelectDevice(deviceText);
}

void bluetoothconfigurationwidget::listSerialPorts()
{
    if (m_portsListed)
        return;
    m_portsListed = true;
    // The script takes the port's name; the box also shows the robot a Bluetooth port leads to,
    // or what the system calls the port ("USB Serial Device"), by which a user knows it. The
    // incoming port of a paired robot reaches nothing and is not offered.
    for (const SerialPorts::Port &port : SerialPorts::systemPorts()) {
        const QString known = port.robotName.isEmpty() ? port.description : port.robotName;
        m_comPortBox->addItem(known.isEmpty() || known == port.portName
                                  ? port.portName
                                  : QStringLiteral("%1 · %2").arg(port.portName, known),
                              port.portName);
    }
    if (m_comPortBox->count() > 0)
        m_comPortBox->setCurrentIndex(0);
}

void bluetoothconfigurationwidget::showEvent(QShowEvent *event)
{
    listSerialPorts();
    QFrame::showEvent(event);
}

void bluetoothconfigurationwidget::slotToChangeName()
{
    listSerialPorts();
    emit signalToChangeName(m_comPortBox->currentData().toString(), m_nameEdit->text());
}

void bluetoothconfigurationwidget::slotToResultChangeName(bool result, QString status)
{
    m_renameStatus->setText(status);
    // On a light plate of its own: green or red on the page's teal cannot be read (1.4:1); these
    // pairs are 7.0:1 and 5.8:1, as in the class window.
    m_renameStatus->setStyleSheet(QLatin1String(result ? kRenamedLook : kRenameFailedLook));
}

void bluetoothconfigurationwidget::slotToStartFirmware()
{
    if (m_flasher->isFlashing())
        return;
    listSerialPorts();
    switch (m_flasher->start(m_comPortBox->currentData().toString())) {
    case FirmwareFlasher::StartResult::DirectoryNotFound:
        m_firmwareStatus->setText(m_textDirectoryNotFound);
        break;
    case FirmwareFlasher::StartResult::ScriptNotFound:
        m_firmwareStatus->setText(m_textFileNotFound);
        break;
    case FirmwareFlasher::StartResult::Started:
    case FirmwareFlasher::StartResult::AlreadyRunning:
        break;
    }
}

void bluetoothconfigurationwidget::onFlashingFinished(bool success)
{
    if (success)
        m_firmwareStatus->setText(m_textFirmwareSuccess);
    else if (m_flasher->lastExitCode() == FirmwareFlasher::SettingsMissingExitCode)
        m_firmwareStatus->setText(m_textConfNotFound);
    else
        m_firmwareStatus->setText(m_textFirmwareError);
}
