#include "robotjob.h"

#include "bluetoothdiagnosis.h"
#include "linklog.h"
#include "linkproblem.h"
#include "linksocket.h"
#include "mbluetoothconnect.h"
#include "transferprogress.h"

#include <QJsonArray>

#include <array>
#include <utility>

using LinkProtocol::PacketType;
using LinkProtocol::WorkerState;

namespace {

// How often a job looks at its worker besides its reports; give-ups publish nothing.
constexpr int kPollMs = 10;

// Digits three columns wide and five rows high, one row in each byte's low three bits.
constexpr std::array<std::array<quint8, 5>, 10> kDigits{{
    {0b111, 0b101, 0b101, 0b101, 0b111},
    {0b010, 0b110, 0b010, 0b010, 0b111},
    {0b111, 0b001, 0b111, 0b100, 0b111},
    {0b111, 0b001, 0b111, 0b001, 0b111},
    {0b101, 0b101, 0b111, 0b001, 0b001},
    {0b111, 0b100, 0b111, 0b001, 0b111},
    {0b111, 0b100, 0b111, 0b101, 0b111},
    {0b111, 0b001, 0b010, 0b010, 0b010},
    {0b111, 0b101, 0b111, 0b101, 0b111},
    {0b111, 0b101, 0b111, 0b001, 0b111},
}};
constexpr int kDigitTop = 1;

// Gadget classes (gadget id / 10) that the shown program needs.
constexpr int kDriveClass = 4;
constexpr int kMatrixClass = 6;
constexpr int kBuzzerClass = 7;

// A drive there or back: short enough to stay on the table.
constexpr int kDriveSpeed = 150;
constexpr double kDriveSeconds = 0.3;

QJsonObject always(const QJsonObject &action)
{
    return {{QStringLiteral("conditions"), QJsonObject{{QStringLiteral("type"), "always"}}},
            {QStringLiteral("action"), action}};
}

QJsonObject drive(const char *command)
{
    return always({{QStringLiteral("command"), QLatin1String(command)},
                   {QStringLiteral("speed"), kDriveSpeed},
                   {QStringLiteral("timer"), 1},
                   {QStringLiteral("time"), kDriveSeconds},
                   {QStringLiteral("brake"), 1}});
}

QJsonObject note(const char *name, int length)
{
    return {{QStringLiteral("note"), QLatin1String(name)},
            {QStringLiteral("octave"), 5},
            {QStringLiteral("length"), length}};
}

bool hasGadgetClass(const QJsonObject &configuration, int gadgetClass)
{
    for (const QJsonValue &pin : configuration.value(QLatin1String("pins")).toArray()) {
        if (pin.toObject().value(QLatin1String("gadgetId")).toInt(-1) / 10 == gadgetClass)
            return true;
    }
    return false;
}

} // namespace

RobotJob::RobotJob(Kind kind, const QString &deviceText, QObject *parent,
                   internalWorker::TransportFactory factory)
    : QObject(parent)
    , m_kind(kind)
    , m_deviceText(deviceTextOf(deviceText))
    , m_address(addressOf(m_deviceText))
    , m_worker(new internalWorker(this, factory))
    , m_hasFactory(bool(factory))
{
    follow();
}

RobotJob::RobotJob(Kind kind, const QString &deviceText, internalWorker *borrowed,
                   std::function<QJsonObject()> restore, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_deviceText(deviceTextOf(deviceText))
    , m_address(addressOf(m_deviceText))
    , m_worker(borrowed)
    , m_restore(std::move(restore))
    , m_borrowed(true)
{
    follow();
}

void RobotJob::follow()
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &RobotJob::poll);
    // Queued: the job must not re-enter the worker from inside its own report.
    connect(m_worker, &internalWorker::sigCurState, this, &RobotJob::poll, Qt::QueuedConnection);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &RobotJob::failForDeadline);
    m_showTime.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; a run takes at least the time asked for.
    m_showTime.setTimerType(Qt::PreciseTimer);
    connect(&m_showTime, &QTimer::timeout, this, [this] {
        if (m_kind == Kind::Run && m_phase == Phase::Act) {
            m_stopRequested = true;
            m_worker->mwCommand(QStringLiteral("stop"));
        }
        poll();
    });
    connect(m_worker, &internalWorker::sigReadProg, this,
            [this](const QJsonObject &document) { m_readDocument = document; });
    connect(m_worker, &internalWorker::sigCommandDone, this, [this](int program, int position) {
        if (m_kind == Kind::Run && m_phase == Phase::Act)
            emit commandDone(program, position);
    });
    connect(m_worker, &internalWorker::sigRunEnded, this, &RobotJob::runEnded);
    connect(m_worker, &internalWorker::sigHaltEnded, this, [this](bool confirmed) {
        if (m_phase != Phase::Halting)
            return;
        if (confirmed) {
            finish(true);
            return;
        }
        // The robot went away while being halted: it is halted once it is back.
        m_haltOnly = true;
        m_phase = Phase::Connect;
    });
    connect(m_worker, &internalWorker::sigEndChangeName, this, [this](bool ok, const QString &) {
        if (m_kind != Kind::Rename || m_phase == Phase::Done)
            return;
        if (ok) {
            finish(true);
            return;
        }
        m_renameAsked = false;
        troubleIs(Failure::Refused, QStringLiteral("the controller did not take the name"));
    });
    connect(m_worker, &internalWorker::sigTransferProgress, this,
            [this](int kind, int done, int total, qint64) {
                if (total <= 0 || (kind != LinkTransfer::Write && kind != LinkTransfer::Read))
                    return;
                const int percent = int(qint64(done) * 100 / total);
                if (percent != m_percent) {
                    m_percent = percent;
                    emit progress(percent);
                }
            });
    connect(m_worker, &internalWorker::sigLinkProblem, this,
            [this](int problem, const QString &detail) {
                if (problem == LinkProblem::None || m_phase == Phase::Done)
                    return;
                m_linkProblem = problem;
                m_linkDetail = detail;
                // Waiting does not help while another program holds the serial port service;
                // the editor's own link keeps trying by itself.
                if (problem == LinkProblem::ServiceTaken && !m_borrowed &&
                    m_phase == Phase::Connect) {
                    QMetaObject::invokeMethod(
                        this, [this] { finish(false, Failure::NoLink); }, Qt::QueuedConnection);
                }
            });
    // Nobody is there to continue a paused run.
    if (!m_borrowed)
        m_worker->setPauseAtBreakpoints(false);
}

RobotJob::~RobotJob() = default;

QString RobotJob::deviceTextOf(const QString &deviceText)
{
    const QString text = deviceText.trimmed();
    return text.startsWith(QLatin1Char('{')) ? deviceText
                                             : mBluetoothConnect::deviceText(text, text);
}

QString RobotJob::addressOf(const QString &deviceText)
{
    const QString text = deviceText.trimmed();
    if (text.startsWith(QLatin1Char('{')))
        return mBluetoothConnect::deviceParts(text).address;
    return text;
}

QJsonArray RobotJob::numberPicture(int number)
{
    std::array<quint8, 8> rows{};
    const auto draw = [&rows](int digit, int left) {
        for (int row = 0; row < 5; ++row)
            rows[kDigitTop + row] |= quint8(kDigits[digit][row] << (5 - left));
    };
    if (number >= 1 && number <= 9) {
        draw(number, 2);
    } else if (number >= 10 && number <= 99) {
        draw(number / 10, 0);
        draw(number % 10, 5);
    }
    QJsonArray cells;
    for (const quint8 row : rows) {
        for (int column = 0; column < 8; ++column)
            cells.append((row >> (7 - column)) & 1);
    }
    return cells;
}

QJsonObject RobotJob::identifyDocument(const QJsonObject &configuration, int number)
{
    QJsonArray main;
    if (hasGadgetClass(configuration, kMatrixClass))
        main.append(always({{QStringLiteral("command"), QStringLiteral("mMatrix")},
                            {QStringLiteral("pict"), numberPicture(number)}}));
    const bool drives = hasGadgetClass(configuration, kDriveClass);
    // The first motion comes early: it is what the class looks for.
    if (drives) {
        main.append(drive("m_fwd"));
        main.append(drive("m_backward"));
    }
    if (hasGadgetClass(configuration, kBuzzerClass)) {
        main.append(always(
            {{QStringLiteral("command"), QStringLiteral("mMusic")},
             {QStringLiteral("tempo"), 120},
             {QStringLiteral("sounds"), QJsonArray{note("C", 2), note("E", 2), note("G", 4)}}}));
    }
    if (drives) {
        main.append(drive("m_fwd"));
        main.append(drive("m_backward"));
    }
    return {{QStringLiteral("ProgData"), QJsonArray{main}},
            {QStringLiteral("configuration"), configuration}};
}

void RobotJob::start()
{
    if (m_phase == Phase::Done || m_poll.isActive())
        return;
    m_readDocument = {};
    if (m_kind == Kind::Write || m_kind == Kind::Run || m_kind == Kind::Identify) {
        QJsonObject document = m_document;
        if (m_kind == Kind::Identify) {
            document = identifyDocument(m_document.value(QLatin1String("configuration")).toObject(),
                                        m_number);
            m_showCommands =
                int(document.value(QLatin1String("ProgData")).toArray().first().toArray().size());
        }
        m_worker->mwChangeProg(document);
        if (!m_worker->programOk()) {
            troubleIs(Failure::NotCompiled, QStringLiteral("the program does not compile"));
            QMetaObject::invokeMethod(
                this, [this] { finish(false, Failure::NotCompiled); }, Qt::QueuedConnection);
            return;
        }
    }
    troubleIs(Failure::NoLink, QStringLiteral("no connection to %1").arg(m_address));
    if (!m_borrowed && !m_hasFactory &&
        LinkSocket::kindOf(m_address) == LinkSocket::Kind::Bluetooth) {
        if (const LinkProblem::Code problem = BluetoothDiagnosis::availability();
            problem != LinkProblem::None) {
            m_linkProblem = problem;
            QMetaObject::invokeMethod(
                this, [this] { finish(false, Failure::NoLink); }, Qt::QueuedConnection);
            return;
        }
    }
    m_phase = Phase::Connect;
    const int showSeconds = m_kind == Kind::Identify ? kShowMs / 1000 + 1 : 0;
    m_deadline.start((m_timeoutSeconds + m_runSeconds + showSeconds) * 1000);
    m_poll.start();
    if (m_borrowed) {
        // The editor's link, up already or coming up by itself.
        setState(State::Connecting);
        poll();
        return;
    }
    setState(State::Connecting);
    m_worker->mwStart();
    m_worker->mwSelectDevice(m_deviceText);
    // The worker's watchdog paces the connection steps; the first two (create the socket,
    // connect it) need not wait for it.
    m_worker->tslt();
    m_worker->tslt();
}

void RobotJob::cancel()
{
    if (m_phase == Phase::Done)
        return;
    troubleIs(Failure::Cancelled, QStringLiteral("cancelled"));
    finish(false, Failure::Cancelled);
}

void RobotJob::troubleIs(Failure trouble, const QString &text)
{
    m_trouble = trouble;
    m_troubleText = text;
}

QString RobotJob::failureText(const ProblemWords &problemWords) const
{
    if (m_failure == Failure::None)
        return {};
    QString text = m_troubleText;
    if ((m_failure == Failure::NoLink || m_failure == Failure::LinkLost) &&
        m_linkProblem != LinkProblem::None && problemWords)
        text = problemWords(m_linkProblem, m_address, m_linkDetail);
    if (m_timedOut)
        return QStringLiteral("timeout after %1 s: %2").arg(m_timeoutSeconds).arg(text);
    return text;
}

void RobotJob::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void RobotJob::failForDeadline()
{
    if (m_phase == Phase::Done)
        return;
    m_timedOut = true;
    finish(false, m_trouble);
}

void RobotJob::finish(bool ok, Failure why)
{
    if (m_phase == Phase::Done)
        return;
    const bool showing = m_kind == Kind::Identify && m_phase == Phase::Act;
    m_phase = Phase::Done;
    m_finished = true;
    m_failure = ok ? Failure::None : why;
    m_poll.stop();
    m_deadline.stop();
    m_showTime.stop();
    if (!ok)
        qCDebug(lcLink).noquote() << "Job on" << m_address << "failed:" << failureText();
    // The link is let go with the worker. A robot left showing itself would go on driving: the
    // halt goes out first.
    internalWorker *worker = std::exchange(m_worker, nullptr);
    worker->disconnect(this);
    if (m_borrowed) {
        // The editor's worker stays with the editor, with the editor's program again.
        if (showing)
            worker->mwCommand(QStringLiteral("stop"));
        if (m_restore && m_kind == Kind::Identify)
            worker->mwChangeProg(m_restore());
    } else if (showing) {
        worker->mwCommand(QStringLiteral("stop"));
        connect(worker, &internalWorker::sigHaltEnded, worker, &QObject::deleteLater);
        QTimer::singleShot(internalWorker::kWatchdogMs, worker, &QObject::deleteLater);
    } else {
        worker->deleteLater();
    }
    if (ok) {
        switch (m_kind) {
        case Kind::Identify:
            setState(State::Shown);
            break;
        case Kind::Rename:
            setState(State::Renamed);
            break;
        case Kind::Write:
            setState(State::Written);
            break;
        case Kind::Read:
            setState(State::Read);
            break;
        case Kind::Run:
            setState(State::RunEnded);
            break;
        }
    } else {
        setState(State::Failed);
    }
    emit finished(ok, m_failure, m_kind == Kind::Read ? m_readDocument : QJsonObject());
}

void RobotJob::poll()
{
    if (m_phase == Phase::Done)
        return;
    if (m_worker->state() == WorkerState::Disconnected) {
        pollLink();
        return;
    }
    m_wasConnected = true;
    if (m_state == State::Connecting)
        setState(State::Connected);
    switch (m_kind) {
    case Kind::Identify:
        pollIdentify();
        break;
    case Kind::Rename:
        pollRename();
        break;
    case Kind::Write:
        pollWrite();
        break;
    case Kind::Read:
        pollRead();
        break;
    case Kind::Run:
        pollRun();
        break;
    }
}

void RobotJob::pollLink()
{
    // The worker reconnects by itself; the job picks up where it can.
    if (m_wasConnected) {
        troubleIs(Failure::LinkLost, QStringLiteral("the link to %1 was lost").arg(m_address));
        m_wasConnected = false;
    }
    const bool writeWaits = m_phase == Phase::Transfer && m_worker->writeWaitingForLink();
    if (!writeWaits)
        setState(State::Connecting);
    if (m_kind == Kind::Run && m_phase == Phase::Act) {
        troubleIs(Failure::LinkLost,
                  QStringLiteral("the link to %1 was lost during the run").arg(m_address));
        finish(false, Failure::LinkLost);
    } else if (m_phase == Phase::Restart) {
        m_phase = Phase::RestartAfterReconnect;
    } else if (m_phase == Phase::Act || m_phase == Phase::Halting) {
        // A robot cut off while showing itself is halted once it is back.
        m_haltOnly = m_kind == Kind::Identify;
        m_phase = Phase::Connect;
    } else if (m_phase == Phase::Transfer && !writeWaits) {
        m_phase = Phase::Connect;
    }
    m_renameAsked = false;
}

void RobotJob::showNext()
{
    if (m_showStep < m_showCommands) {
        m_worker->mwManual(0, m_showStep, false);
        ++m_showStep;
        return;
    }
    if (m_showTime.isActive())
        return;
    m_phase = Phase::Halting;
    m_worker->mwCommand(QStringLiteral("stop"));
}

void RobotJob::sendConfiguration()
{
    m_phase = Phase::Restart;
    m_worker->mwCommand(QStringLiteral("restart"));
}

void RobotJob::confirmConfigurationAgain(LinkProtocol::WorkerState state)
{
    // The configuration was abandoned or the link came back: confirm it again.
    if (m_worker->pendingType() == PacketType::None &&
        (state == WorkerState::Connected || m_phase == Phase::RestartAfterReconnect))
        sendConfiguration();
}

void RobotJob::pollIdentify()
{
    const WorkerState state = m_worker->state();
    switch (m_phase) {
    case Phase::Connect:
        if (state == WorkerState::Connected || state == WorkerState::Ready)
            sendConfiguration();
        break;
    case Phase::Restart:
    case Phase::RestartAfterReconnect:
        if (state == WorkerState::Ready) {
            if (m_haltOnly) {
                m_phase = Phase::Halting;
                m_worker->mwCommand(QStringLiteral("stop"));
                break;
            }
            m_phase = Phase::Act;
            setState(State::Showing);
            m_showStep = 0;
            m_showTime.start(kShowMs);
            showNext();
        } else {
            confirmConfigurationAgain(state);
        }
        break;
    case Phase::Act:
        if (state == WorkerState::Ready)
            showNext();
        else if (state == WorkerState::Connected)
            m_phase = Phase::Connect; // the configuration was lost: confirm it again
        break;
    default:
        break;
    }
}

void RobotJob::pollRename()
{
    if (m_phase != Phase::Connect || m_renameAsked || m_worker->pendingType() != PacketType::None)
        return;
    m_renameAsked = true;
    setState(State::Renaming);
    m_worker->mwChangeName(m_newName);
}

void RobotJob::pollWrite()
{
    const WorkerState state = m_worker->state();
    switch (m_phase) {
    case Phase::Connect:
        if (state == WorkerState::Connected || state == WorkerState::Ready) {
            m_worker->mwCommand(m_wholeWrite ? QStringLiteral("writewhole")
                                             : QStringLiteral("write"));
            // A robot that holds the program already is not written again.
            if (m_worker->state() == WorkerState::Writing || m_worker->robotHoldsProgram()) {
                m_phase = Phase::Transfer;
                setState(State::Writing);
            }
        }
        break;
    case Phase::Transfer:
        if (state == WorkerState::Writing) {
            setState(State::Writing);
            break;
        }
        if (m_worker->robotHoldsProgram()) {
            sendConfiguration();
        } else {
            troubleIs(Failure::NotAnswering,
                      QStringLiteral("the controller stopped answering during the write"));
            m_phase = Phase::Connect;
        }
        break;
    case Phase::Restart:
    case Phase::RestartAfterReconnect:
        if (state == WorkerState::Ready) {
            finish(true);
        } else {
            confirmConfigurationAgain(state);
        }
        break;
    default:
        break;
    }
}

void RobotJob::pollRead()
{
    const WorkerState state = m_worker->state();
    switch (m_phase) {
    case Phase::Connect:
        if (m_worker->controllerState().statusFlags.testFlag(LinkProtocol::StatusBit::ReadLocked)) {
            troubleIs(Failure::ReadLocked,
                      QStringLiteral("the controller does not allow reading its memory"));
            finish(false, Failure::ReadLocked);
            break;
        }
        if (state == WorkerState::Connected || state == WorkerState::Ready) {
            m_readDocument = {};
            m_worker->mwCommand(QStringLiteral("read"));
            if (m_worker->state() == WorkerState::Reading) {
                m_phase = Phase::Transfer;
                setState(State::Reading);
            }
        }
        break;
    case Phase::Transfer:
        if (state == WorkerState::Reading) {
            // A malformed answer leaves the read standing with nothing pending: start again.
            if (m_worker->pendingType() == PacketType::None) {
                m_worker->mwStop();
                m_phase = Phase::Connect;
            }
            break;
        }
        if (m_worker->memoryAddress() >= kMemorySize) {
            if (m_readDocument.isEmpty()) {
                troubleIs(Failure::NoProgram,
                          QStringLiteral("the controller memory does not hold a program"));
                finish(false, Failure::NoProgram);
            } else {
                finish(true);
            }
        } else {
            troubleIs(Failure::NotAnswering,
                      QStringLiteral("the controller stopped answering during the read"));
            m_phase = Phase::Connect;
        }
        break;
    default:
        break;
    }
}

void RobotJob::pollRun()
{
    const WorkerState state = m_worker->state();
    switch (m_phase) {
    case Phase::Connect:
        if (state == WorkerState::Connected || state == WorkerState::Ready)
            sendConfiguration();
        break;
    case Phase::Restart:
    case Phase::RestartAfterReconnect:
        if (state == WorkerState::Ready) {
            m_worker->mwCommand(QStringLiteral("start"));
            if (m_worker->state() != WorkerState::Running) {
                troubleIs(Failure::Refused, QStringLiteral("the controller did not start the run"));
                finish(false, Failure::Refused);
                break;
            }
            m_phase = Phase::Act;
            setState(State::Running);
            troubleIs(Failure::NotAnswering, QStringLiteral("the run did not end"));
            if (m_runSeconds > 0)
                m_showTime.start(m_runSeconds * 1000);
        } else {
            confirmConfigurationAgain(state);
        }
        break;
    case Phase::Act:
        // Dropped to Connected (the configuration is no longer confirmed): the run is over.
        if (state == WorkerState::Connected)
            runEnded(false);
        break;
    default:
        break;
    }
}

void RobotJob::runEnded(bool completed)
{
    if (m_kind != Kind::Run || m_phase != Phase::Act)
        return;
    if (completed || m_stopRequested) {
        finish(true);
    } else if (m_worker->state() == WorkerState::Disconnected) {
        troubleIs(Failure::LinkLost,
                  QStringLiteral("the link to %1 was lost during the run").arg(m_address));
        finish(false, Failure::LinkLost);
    } else {
        troubleIs(Failure::NotAnswering,
                  QStringLiteral("the controller stopped answering during the run"));
        finish(false, Failure::NotAnswering);
    }
}
