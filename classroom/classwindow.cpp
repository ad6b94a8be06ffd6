#include "classwindow.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "classmodel.h"
#include "classroomlog.h"
#include "classroster.h"
#include "classscheduler.h"
#include "internalworker.h"
#include "linktransport.h"
#include "mbluetoothconnect.h"
#include "programstore.h"

#include <QDate>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The robot accepts at most this many characters as its name; a base name leaves room for " 99".
constexpr int kMaxNameLength = 19;
constexpr int kMaxBaseLength = 16;
constexpr int kMinNameLength = 2;
// The window's size where the screen allows it: the 1280 x 720 screens of schools have room.
constexpr int kWidth = 1180;
constexpr int kHeight = 660;
// The key beside the program under which a collected file names its robot (the editor ignores
// it).
const QLatin1String kRobotKey("robot");

QString text(const char *key)
{
    return AppContext::instance().text(QLatin1String(key));
}

QString colourName(const QColor &colour)
{
    return colour.name(QColor::HexRgb);
}

} // namespace

ClassWindow::ClassWindow(ClassRoster *roster, ClassScheduler *scheduler, DocumentSource document,
                         QWidget *parent)
    : QDialog(parent)
    , m_roster(roster)
    , m_scheduler(scheduler)
    , m_document(std::move(document))
    , m_model(new ClassModel(this))
{
    setObjectName(QStringLiteral("ClassWindow"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setStyleSheet(
        QStringLiteral(
            "QDialog#ClassWindow { background: #eceff1; }"
            "QLabel { color: #263238; font-size: 15px; }"
            "QLabel#classTitle { color: #052e3c; font-size: 22px; font-weight: bold; }"
            "QLabel#caption { font-weight: bold; }"
            "QLabel#summary { font-size: 15px; font-weight: bold; border-radius: 6px;"
            " padding: 6px 10px; }"
            "QTableView { background: white; color: #263238; font-size: 15px;"
            " gridline-color: #cfd8dc; selection-background-color: %1; selection-color: %2; }"
            "QTableView:focus { border: 3px solid #ff8f00; }"
            "QHeaderView::section { background: #cfd8dc; color: #263238; font-weight: bold;"
            " padding: 4px; border: none; }"
            "QPushButton { background: #0277bd; color: white; font-weight: bold; font-size: 14px;"
            " border: 3px solid #0277bd; border-radius: 8px; padding: 5px 12px; }"
            "QPushButton:hover { background: #01579b; border-color: #01579b; }"
            "QPushButton:focus { border-color: #ff8f00; }"
            "QPushButton:disabled { background: #cfd8dc; color: #37474f; border-color: #cfd8dc; }"
            "QLineEdit { background: white; color: #263238; font-size: 15px;"
            " border: 2px solid #78909c; border-radius: 6px; padding: 3px 6px; }"
            "QLineEdit:focus { border: 3px solid #ff8f00; }")
            .arg(colourName(ClassColours::selectedBackground()),
                 colourName(ClassColours::selectedText())));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);

    auto *head = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("classTitle"));
    head->addWidget(m_title);
    head->addStretch(1);
    m_count = new QLabel(this);
    head->addWidget(m_count);
    layout->addLayout(head);

    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(14);
    auto *listColumn = new QVBoxLayout;
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(
        makeButton(QStringLiteral("BluetoothSearch"), QStringLiteral("ClassSearchHint")));
    listButtons->addWidget(
        makeButton(QStringLiteral("ClassSelectAll"), QStringLiteral("ClassSelectAllHint")));
    listButtons->addWidget(
        makeButton(QStringLiteral("ClassSelectNone"), QStringLiteral("ClassSelectNoneHint")));
    listButtons->addStretch(1);
    listColumn->addLayout(listButtons);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("classTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    // Rows just tall enough for their text: a class of fifteen and a summary of two lines fit
    // a 720 pixels high screen.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->ensurePolished();
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_table->font()).height() + 8);
    m_table->setWordWrap(false);
    QHeaderView *header = m_table->horizontalHeader();
    // Wide enough for three digits from the start: robots found later by a search would
    // otherwise show "…" for their numbers until the column was sized again.
    header->setSectionResizeMode(ClassModel::NumberColumn, QHeaderView::Fixed);
    const QFontMetrics rowFont(m_table->font());
    const int numberWidth =
        m_table->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, m_table) +
        rowFont.horizontalAdvance(QStringLiteral("000")) + 24;
    const int captionWidth =
        QFontMetrics(header->font())
            .horizontalAdvance(
                m_model->headerData(ClassModel::NumberColumn, Qt::Horizontal).toString()) +
        16;
    header->resizeSection(ClassModel::NumberColumn, std::max(numberWidth, captionWidth));
    header->setSectionResizeMode(ClassModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(ClassModel::AddressColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ClassModel::StateColumn, QHeaderView::Stretch);
    m_table->installEventFilter(this);
    listColumn->addWidget(m_table, 1);
    listRow->addLayout(listColumn, 1);

    // What acts on the current row, and what acts on the checked ones.
    auto *side = new QGridLayout;
    side->setVerticalSpacing(8);
    int row = 0;
    m_currentCaption = new QLabel(this);
    m_currentCaption->setObjectName(QStringLiteral("caption"));
    side->addWidget(m_currentCaption, row++, 0, 1, 2);
    side->addWidget(makeButton(QStringLiteral("ClassShowMe"), QStringLiteral("ClassShowMeHint")),
                    row++, 0, 1, 2);
    m_newNameCaption = new QLabel(this);
    m_newName = new QLineEdit(this);
    m_newName->setMaxLength(kMaxNameLength);
    m_newNameCaption->setBuddy(m_newName);
    side->addWidget(m_newNameCaption, row, 0);
    side->addWidget(m_newName, row++, 1);
    side->addWidget(makeButton(QStringLiteral("ClassRename"), QStringLiteral("ClassRenameHint")),
                    row++, 0, 1, 2);
    side->addWidget(makeButton(QStringLiteral("ClassOpen"), QStringLiteral("ClassOpenHint")), row++,
                    0, 1, 2);
    side->setRowMinimumHeight(row++, 14);
    m_checkedCaption = new QLabel(this);
    m_checkedCaption->setObjectName(QStringLiteral("caption"));
    side->addWidget(m_checkedCaption, row++, 0, 1, 2);
    m_baseNameCaption = new QLabel(this);
    m_baseName = new QLineEdit(this);
    m_baseName->setMaxLength(kMaxBaseLength);
    m_baseNameCaption->setBuddy(m_baseName);
    side->addWidget(m_baseNameCaption, row, 0);
    side->addWidget(m_baseName, row++, 1);
    side->addWidget(makeButton(QStringLiteral("ClassNumber"), QStringLiteral("ClassNumberHint")),
                    row++, 0, 1, 2);
    side->addWidget(makeButton(QStringLiteral("ClassWrite"), QStringLiteral("ClassWriteHint")),
                    row++, 0, 1, 2);
    side->addWidget(makeButton(QStringLiteral("ClassRead"), QStringLiteral("ClassReadHint")), row++,
                    0, 1, 2);
    side->addWidget(makeButton(QStringLiteral("ClassRetry"), QStringLiteral("ClassRetryHint")),
                    row++, 0, 1, 2);
    side->setRowStretch(row, 1);
    side->setColumnMinimumWidth(1, 170);
    listRow->addLayout(side, 0);
    layout->addLayout(listRow, 1);

    auto *foot = new QHBoxLayout;
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    foot->addWidget(m_summary, 1);
    QPushButton *close = makeButton(QStringLiteral("ClassClose"), QStringLiteral("ClassCloseHint"));
    foot->addWidget(close, 0, Qt::AlignBottom);
    layout->addLayout(foot);

    connect(button(QStringLiteral("BluetoothSearch")), &QPushButton::clicked, this,
            &ClassWindow::search);
    connect(button(QStringLiteral("ClassSelectAll")), &QPushButton::clicked, this,
            &ClassWindow::selectAll);
    connect(button(QStringLiteral("ClassSelectNone")), &QPushButton::clicked, this,
            &ClassWindow::selectNone);
    connect(button(QStringLiteral("ClassShowMe")), &QPushButton::clicked, this,
            &ClassWindow::showMe);
    connect(button(QStringLiteral("ClassRename")), &QPushButton::clicked, this,
            &ClassWindow::renameCurrent);
    connect(button(QStringLiteral("ClassOpen")), &QPushButton::clicked, this,
            &ClassWindow::openCurrent);
    connect(button(QStringLiteral("ClassNumber")), &QPushButton::clicked, this,
            &ClassWindow::numberThem);
    connect(button(QStringLiteral("ClassWrite")), &QPushButton::clicked, this,
            &ClassWindow::writeToSelected);
    connect(button(QStringLiteral("ClassRead")), &QPushButton::clicked, this,
            &ClassWindow::readFromSelected);
    connect(button(QStringLiteral("ClassRetry")), &QPushButton::clicked, this,
            &ClassWindow::retryFailed);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_newName, &QLineEdit::returnPressed, this, &ClassWindow::renameCurrent);
    connect(m_newName, &QLineEdit::textChanged, this, &ClassWindow::updateButtons);
    connect(m_baseName, &QLineEdit::textChanged, this, &ClassWindow::updateButtons);
    connect(m_model, &ClassModel::checksChanged, this, &ClassWindow::updateButtons);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &ClassWindow::updateButtons);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ClassWindow::updateButtons);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ClassWindow::updateButtons);

    connect(m_scheduler, &ClassScheduler::robotStateChanged, this,
            [this](const QString &address, RobotJob::State state) {
                const RobotJob *job = m_scheduler->job(address);
                robotState(address, ClassWords::stateOf(state), job ? job->percent() : 0);
            });
    connect(m_scheduler, &ClassScheduler::robotProgress, this,
            [this](const QString &address, int percent) {
                if (const RobotRow *robot = m_model->robot(address))
                    robotState(address, robot->state, percent);
            });
    connect(m_scheduler, &ClassScheduler::robotFinished, this,
            [this](const QString &address, bool ok, RobotJob::Failure why,
                   const QJsonObject &document) {
                const RobotJob *job = m_scheduler->job(address);
                robotFinished(address, ok,
                              ok ? QString()
                                 : ClassWords::failure(why, job ? job->linkProblem() : 0),
                              document);
            });

    retranslate();
    if (const QScreen *screen = parent ? parent->screen() : this->screen()) {
        const QSize room = screen->availableGeometry().size();
        resize(qMin(kWidth, room.width()), qMin(kHeight, room.height()));
    }
    m_table->setFocus(Qt::OtherFocusReason);
}

ClassWindow::~ClassWindow() = default;

QPushButton *ClassWindow::makeButton(const QString &key, const QString &hintKey)
{
    auto *button = new QPushButton(this);
    button->setObjectName(key);
    button->setProperty("hintKey", hintKey);
    button->setAutoDefault(false);
    m_buttons.insert(key, button);
    return button;
}

QPushButton *ClassWindow::button(const QString &key) const
{
    return m_buttons.value(key);
}

void ClassWindow::retranslate()
{
    setWindowTitle(text("ClassWindowTitle"));
    m_title->setText(text("ClassWindowTitle"));
    m_currentCaption->setText(text("ClassCurrentRobot"));
    m_checkedCaption->setText(text("ClassCheckedRobots"));
    m_newNameCaption->setText(text("ClassNewName"));
    m_baseNameCaption->setText(text("ClassBaseName"));
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it) {
        QPushButton *button = it.value();
        button->setText(AppContext::instance().text(it.key()));
        const QString hint = AccessibleText::text(button->property("hintKey").toString());
        button->setToolTip(hint);
        AccessibleText::setTexts(button, button->text(), hint);
    }
    AccessibleText::set(m_table, QStringLiteral("ClassListName"), QStringLiteral("ClassListHint"));
    AccessibleText::set(m_newName, QStringLiteral("ClassNewName"),
                        QStringLiteral("ClassNewNameHint"));
    AccessibleText::set(m_baseName, QStringLiteral("ClassBaseName"),
                        QStringLiteral("ClassBaseNameHint"));
    m_baseName->setText(text("ClassRobotWord"));
    m_model->retranslate();
    showSummary();
    updateButtons();
}

void ClassWindow::setEditorWorker(internalWorker *worker)
{
    m_editorWorker = worker;
    if (worker && !worker->selectedDevice().isEmpty())
        found(worker->selectedDevice());
    m_model->setEditorsRobot(editorsAddress());
}

QString ClassWindow::editorsAddress() const
{
    return m_editorWorker ? mBluetoothConnect::deviceParts(m_editorWorker->selectedDevice()).address
                          : QString();
}

bool ClassWindow::takesEditorsRead() const
{
    const QString address = editorsAddress();
    const RobotJob *job = address.isEmpty() ? nullptr : m_scheduler->job(address);
    return job && job->isBorrowed() && !job->isFinished() && job->kind() == RobotJob::Kind::Read;
}

void ClassWindow::setSearchTransport(LinkTransport *transport)
{
    if (m_search)
        m_search->deleteLater();
    m_search = transport;
    if (!transport)
        return;
    transport->setParent(this);
    connect(transport, &LinkTransport::findNewDevice, this, &ClassWindow::found);
    connect(transport, &LinkTransport::endDevicesRefresh, this, [this] {
        if (QPushButton *search = button(QStringLiteral("BluetoothSearch")))
            search->setEnabled(true);
    });
}

void ClassWindow::addDevice(const QString &deviceText)
{
    found(deviceText);
}

void ClassWindow::found(const QString &deviceText)
{
    const mBluetoothConnect::DeviceParts parts = mBluetoothConnect::deviceParts(deviceText);
    const QString &address = parts.address;
    if (address.isEmpty())
        return;
    // The editor's virtual controller, listed already as a robot of the virtual class, keeps
    // the name the class gave it.
    if (m_model->robot(address) && parts.name == mBluetoothConnect::kVirtualControllerName) {
        m_model->setEditorsRobot(editorsAddress());
        return;
    }
    const ClassRoster::Robot known = m_roster->meet(deviceText);
    RobotRow robot;
    robot.number = known.number;
    robot.deviceText = deviceText;
    robot.address = address;
    robot.name = mBluetoothConnect::shownName(
        deviceText, AccessibleText::text(QStringLiteral("VirtualControllerName")));
    // A robot that tells no name of its own is called as the class called it, or by the kit's
    // word for robot.
    if (robot.name.isEmpty() || robot.name == address)
        robot.name = known.name.isEmpty() ? text("ClassRobotWord") : known.name;
    m_model->put(robot);
    m_model->setEditorsRobot(editorsAddress());
    updateButtons();
}

void ClassWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The editor may have connected to another robot since the window was last shown.
    if (m_editorWorker && !m_editorWorker->selectedDevice().isEmpty())
        found(m_editorWorker->selectedDevice());
    if (!m_searched && m_model->rowCount() == 0)
        search();
}

void ClassWindow::search()
{
    m_searched = true;
    if (!m_search)
        setSearchTransport(new mBluetoothConnect(this));
    if (QPushButton *search = button(QStringLiteral("BluetoothSearch")))
        search->setEnabled(false);
    m_search->findDevices();
}

void ClassWindow::selectAll()
{
    m_model->checkAll(true);
}

void ClassWindow::selectNone()
{
    m_model->checkAll(false);
}

QString ClassWindow::currentAddress() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || current.row() >= m_model->robots().size())
        return QString();
    return m_model->robots().at(current.row()).address;
}

QString ClassWindow::deviceTextOf(const QString &address) const
{
    const RobotRow *robot = m_model->robot(address);
    return robot ? robot->deviceText : address;
}

QJsonObject ClassWindow::configuration() const
{
    return m_document ? m_document().value(QLatin1String("configuration")).toObject()
                      : QJsonObject();
}

void ClassWindow::showMe()
{
    const QString address = currentAddress();
    if (!address.isEmpty())
        identify(deviceTextOf(address));
}

void ClassWindow::identify(const QString &deviceText)
{
    const QString address = mBluetoothConnect::deviceParts(deviceText).address;
    if (address.isEmpty())
        return;
    if (!m_model->robot(address))
        found(deviceText);
    const RobotRow *robot = m_model->robot(address);
    if (!robot || RobotRow::isBusy(robot->state))
        return;
    qCDebug(lcClassroom).noquote() << "Show me:" << address << "number" << robot->number;
    m_model->setState(address, RobotRow::State::Queued);
    if (m_scheduler->identify(robot->deviceText, configuration(), robot->number) == 0)
        m_model->setState(address, RobotRow::State::Failed, 0, text("ClassWhyBusy"));
}

void ClassWindow::numberThem()
{
    const QString base = m_baseName->text().trimmed();
    const QStringList addresses = m_model->checkedAddresses();
    if (base.isEmpty() || addresses.isEmpty() || isWorking())
        return;
    m_newNames.clear();
    for (int i = 0; i < addresses.size(); ++i)
        m_newNames.insert(addresses.at(i),
                          QStringLiteral("%1 %2").arg(base).arg(i + 1).left(kMaxNameLength));
    startRound(Round::Rename, addresses);
}

void ClassWindow::renameCurrent()
{
    const QString address = currentAddress();
    const QString name = m_newName->text().trimmed();
    if (address.isEmpty() || name.size() < kMinNameLength || isWorking())
        return;
    m_newNames.clear();
    m_newNames.insert(address, name);
    startRound(Round::Rename, {address});
}

void ClassWindow::writeToSelected()
{
    if (!isWorking())
        startRound(Round::Write, m_model->checkedAddresses());
}

void ClassWindow::readFromSelected()
{
    if (isWorking())
        return;
    m_readNames.clear();
    m_readFolder = classFolder();
    startRound(Round::Read, m_model->checkedAddresses());
}

void ClassWindow::retryFailed()
{
    if (isWorking() || m_failed.isEmpty() || m_round == Round::None)
        return;
    startRound(m_round, m_failed);
}

void ClassWindow::startRound(Round round, const QStringList &addresses)
{
    if (addresses.isEmpty())
        return;
    m_round = round;
    m_roundRobots = addresses;
    m_pending = addresses;
    m_failed.clear();
    m_whyFailed.clear();
    for (const QString &address : addresses)
        m_model->setState(address, RobotRow::State::Queued);
    showSummary();
    updateButtons();
    // Class order: the first robots are first to get a link.
    for (const QString &address : addresses)
        runOn(address);
}

void ClassWindow::runOn(const QString &address)
{
    const QString deviceText = deviceTextOf(address);
    int given = 0;
    switch (m_round) {
    case Round::Rename:
        given = m_scheduler->rename(deviceText, m_newNames.value(address));
        break;
    case Round::Write:
        given = m_scheduler->write({deviceText}, m_document ? m_document() : QJsonObject());
        break;
    case Round::Read:
        given = m_scheduler->read({deviceText});
        break;
    case Round::None:
        return;
    }
    if (given == 0)
        robotFinished(address, false, text("ClassWhyBusy"), {});
}

void ClassWindow::robotState(const QString &address, RobotRow::State state, int percent)
{
    // A job's end is told by robotFinished, with its reason.
    if (state == RobotRow::State::Failed)
        return;
    m_model->setState(address, state, percent);
}

void ClassWindow::robotFinished(const QString &address, bool ok, const QString &why,
                                const QJsonObject &document)
{
    const bool inRound = m_pending.contains(address);
    RobotRow::State state = RobotRow::State::Failed;
    QString reason = why;
    switch (inRound ? m_round : Round::None) {
    case Round::Rename:
        if (ok) {
            const QString name = m_newNames.value(address);
            m_roster->rename(deviceTextOf(address), name);
            m_model->setName(address, name);
            state = RobotRow::State::Renamed;
        }
        break;
    case Round::Write:
        if (ok)
            state = RobotRow::State::Written;
        break;
    case Round::Read:
        if (ok) {
            const QString path = saveRead(address, document);
            if (path.isEmpty()) {
                reason = text("ClassWhySaveFailed");
            } else {
                m_model->setReadFile(address, path);
                state = RobotRow::State::Read;
            }
        }
        break;
    case Round::None:
        // "Show me", outside the rounds.
        if (ok)
            state = RobotRow::State::Shown;
        break;
    }
    m_model->setState(address, state, 0, state == RobotRow::State::Failed ? reason : QString());
    if (!inRound)
        return;
    m_pending.removeAll(address);
    if (state == RobotRow::State::Failed) {
        m_failed.append(address);
        m_whyFailed.insert(address, reason);
    }
    if (!m_pending.isEmpty()) {
        showSummary();
        return;
    }
    // In class order, as they were given.
    std::sort(m_failed.begin(), m_failed.end(), [this](const QString &a, const QString &b) {
        return m_roundRobots.indexOf(a) < m_roundRobots.indexOf(b);
    });
    qCInfo(lcClassroom).noquote() << "Class round done:" << m_roundRobots.size() - m_failed.size()
                                  << "of" << m_roundRobots.size() << "succeeded";
    showSummary();
    updateButtons();
    emit roundFinished();
}

QString ClassWindow::classFolder() const
{
    const QString programs = m_programsFolder.isEmpty()
                                 ? AppContext::instance().store().programsFolder()
                                 : m_programsFolder;
    return programs + QLatin1Char('/') +
           text("ClassFolderName").arg(QDate::currentDate().toString(Qt::ISODate));
}

QString ClassWindow::saveRead(const QString &address, const QJsonObject &document)
{
    const RobotRow *robot = m_model->robot(address);
    if (!robot || document.isEmpty())
        return QString();
    if (!QDir().mkpath(m_readFolder)) {
        qCWarning(lcClassroom).noquote() << "Cannot create the class folder" << m_readFolder;
        return QString();
    }
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString name = robot->name.trimmed();
    name.replace(unsafe, QStringLiteral("_"));
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name = QStringLiteral("%1").arg(robot->number);
    // Robots of one name keep a file each: the second is told apart by its number.
    if (m_readNames.contains(name, Qt::CaseInsensitive))
        name = QStringLiteral("%1 (%2)").arg(name).arg(robot->number);
    m_readNames.append(name);
    QJsonObject saved = document;
    saved.insert(kRobotKey, QJsonObject{{QStringLiteral("name"), robot->name},
                                        {QStringLiteral("address"), robot->address},
                                        {QStringLiteral("number"), robot->number}});
    const QString path = m_readFolder + QLatin1Char('/') + name + QStringLiteral(".json");
    if (!ProgramStore::saveFile(path, saved))
        return QString();
    qCDebug(lcClassroom).noquote() << "Read from" << address << "into" << path;
    return path;
}

void ClassWindow::openCurrent()
{
    const RobotRow *robot = m_model->robot(currentAddress());
    if (robot && !robot->readFile.isEmpty())
        emit openRequested(robot->readFile);
}

void ClassWindow::showSummary()
{
    QString line;
    const bool done = m_round != Round::None && m_pending.isEmpty();
    const int total = int(m_roundRobots.size());
    const int succeeded = total - int(m_failed.size());
    if (m_round == Round::None) {
        line = text("ClassSummaryStart");
    } else if (!done) {
        const char *key = m_round == Round::Write  ? "ClassSummaryWriting"
                          : m_round == Round::Read ? "ClassSummaryReading"
                                                   : "ClassSummaryRenaming";
        line = text(key).arg(total - m_pending.size()).arg(total);
    } else {
        switch (m_round) {
        case Round::Write:
            line = text("ClassSummaryWritten").arg(succeeded).arg(total);
            break;
        case Round::Read:
            line = text("ClassSummaryRead")
                       .arg(succeeded)
                       .arg(total)
                       .arg(QDir::toNativeSeparators(m_readFolder));
            break;
        case Round::Rename:
        case Round::None:
            line = text("ClassSummaryRenamed").arg(succeeded).arg(total);
            break;
        }
        QStringList failures;
        for (const QString &address : std::as_const(m_failed)) {
            const RobotRow *robot = m_model->robot(address);
            failures.append(text("ClassSummaryFailedRobot")
                                .arg(robot ? robot->name : address, m_whyFailed.value(address)));
        }
        if (!failures.isEmpty())
            line += QLatin1Char(' ') +
                    text("ClassSummaryFailed").arg(failures.join(QStringLiteral("; ")));
        if (m_round == Round::Read && succeeded > 0)
            line += QLatin1Char(' ') + text("ClassSummaryOpenHint");
    }
    const bool allWell = !done || m_failed.isEmpty();
    const RobotRow::Tone tone = !done     ? RobotRow::Tone::Plain
                                : allWell ? RobotRow::Tone::Good
                                          : RobotRow::Tone::Bad;
    m_summary->setText(line);
    m_summary->setStyleSheet(
        QStringLiteral("QLabel#summary { color: %1; background: %2; }")
            .arg(colourName(ClassColours::text(tone)), colourName(ClassColours::background(tone))));
    m_summary->setAccessibleName(line);
}

void ClassWindow::updateButtons()
{
    const QPointer<QWidget> focused = focusWidget();
    const bool working = isWorking();
    const int checked = m_model->checkedCount();
    const RobotRow *current = m_model->robot(currentAddress());
    const bool currentFree = current && !RobotRow::isBusy(current->state);
    auto enable = [this](const char *key, bool on) {
        if (QPushButton *button = this->button(QLatin1String(key)))
            button->setEnabled(on);
    };
    enable("ClassSelectAll", m_model->rowCount() > 0);
    enable("ClassSelectNone", checked > 0);
    enable("ClassShowMe", currentFree);
    enable("ClassRename",
           currentFree && !working && m_newName->text().trimmed().size() >= kMinNameLength);
    enable("ClassOpen", current && !current->readFile.isEmpty());
    enable("ClassNumber", checked > 0 && !working && !m_baseName->text().trimmed().isEmpty());
    enable("ClassWrite", checked > 0 && !working);
    enable("ClassRead", checked > 0 && !working);
    enable("ClassRetry", !working && !m_failed.isEmpty());
    // A button that went grey under the keyboard's focus hands it to the list rather than to
    // whatever control Qt finds next.
    if (focused && !focused->isEnabled())
        m_table->setFocus(Qt::OtherFocusReason);
    m_count->setText(text("ClassCount").arg(m_model->rowCount()).arg(checked));
}

bool ClassWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int row = m_table->currentIndex().row();
        // Space checks the current robot wherever the cursor is in its row; Enter shows it, or
        // opens what was read from it.
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && row >= 0) {
            m_model->toggleChecked(row);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && row >= 0) {
            const RobotRow *robot = m_model->robot(currentAddress());
            if (robot && !robot->readFile.isEmpty())
                openCurrent();
            else
                showMe();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
