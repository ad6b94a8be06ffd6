#include "linksession.h"

#include "bluetoothdiagnosis.h"
#include "controllerstate.h"
#include "linkoptions.h"
#include "linkproblem.h"
#include "linksocket.h"
#include "mbluetoothconnect.h"
#include "terminalprogress.h"

using LinkProtocol::WorkerState;

namespace {
// How often the session looks at the worker besides its reports; give-ups publish nothing.
constexpr int kPollMs = 10;
} // namespace

LinkSession::LinkSession(const QString &address, int timeoutSeconds, QObject *parent)
    : QObject(parent)
    , m_address(address)
    , m_timeoutSeconds(timeoutSeconds)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish(false,
               QStringLiteral("timeout after %1 s: %2").arg(m_timeoutSeconds).arg(m_lastTrouble));
    });
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &LinkSession::poll);
    // Queued: the session must not re-enter the worker from inside its own report.
    connect(&m_worker, &internalWorker::sigCurState, this, &LinkSession::poll,
            Qt::QueuedConnection);
    connect(&m_worker, &internalWorker::sigReadProg, this,
            [this](const QJsonObject &document) { m_readDocument = document; });
    connect(&m_worker, &internalWorker::sigCommandDone, this, [this](int program, int position) {
        if (m_mode == Mode::Run && m_phase == Phase::Running && m_onCommand)
            m_onCommand(program, position);
    });
    connect(&m_worker, &internalWorker::sigRunEnded, this, &LinkSession::runEnded);
    // Nobody is there to continue a paused run.
    m_worker.setPauseAtBreakpoints(false);
    // A timeout names the last reason the link gave for not coming up.
    connect(&m_worker, &internalWorker::sigLinkProblem, this,
            [this](int problem, const QString &detail) {
                if (problem != LinkProblem::None && m_phase != Phase::Done)
                    m_lastTrouble = LinkOptions::problemText(problem, m_address, detail);
            });
    m_runTime.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the run takes at least the time asked for.
    m_runTime.setTimerType(Qt::PreciseTimer);
    // The run is over once the robot has been halted: the worker reports the end of the run
    // when the halt records are answered.
    connect(&m_runTime, &QTimer::timeout, this, [this] {
        m_stopRequested = true;
        m_worker.mwCommand(QStringLiteral("stop"));
    });
}

bool LinkSession::write(const QJsonObject &document, bool whole)
{
    m_mode = Mode::Write;
    m_wholeWrite = whole;
    m_worker.mwChangeProg(document);
    if (!m_worker.programOk()) {
        m_failure = QStringLiteral("the program does not compile");
        return false;
    }
    return run();
}

std::optional<QJsonObject> LinkSession::read()
{
    m_mode = Mode::Read;
    if (!run())
        return std::nullopt;
    return m_readDocument;
}

bool LinkSession::runProgram(const QJsonObject &document, int runSeconds, CommandCallback onCommand)
{
    m_mode = Mode::Run;
    m_runSeconds = runSeconds;
    m_onCommand = std::move(onCommand);
    m_worker.mwChangeProg(document);
    if (!m_worker.programOk()) {
        m_failure = QStringLiteral("the program does not compile");
        return false;
    }
    return run();
}

void LinkSession::runEnded(bool completed)
{
    if (m_mode != Mode::Run || m_phase != Phase::Running)
        return;
    if (completed || m_stopRequested)
        finish(true);
    else if (m_worker.state() == WorkerState::Disconnected)
        finish(false, QStringLiteral("the link to %1 was lost during the run").arg(m_address));
    else
        finish(false, QStringLiteral("the controller stopped answering during the run"));
}

bool LinkSession::run()
{
    if (LinkSocket::kindOf(m_address) == LinkSocket::Kind::Bluetooth) {
        if (const LinkProblem::Code problem = BluetoothDiagnosis::availability();
            problem != LinkProblem::None) {
            m_failure = LinkOptions::problemText(problem, m_address);
            return false;
        }
    }
    m_lastTrouble = QStringLiteral("no connection to %1").arg(m_address);
    m_phase = Phase::Connect;
    m_worker.mwStart();
    m_worker.mwSelectDevice(mBluetoothConnect::deviceText(m_address, m_address));
    // The worker's watchdog paces the connection steps; the first two (create the socket,
    // connect it) need not wait for it.
    m_worker.tslt();
    m_worker.tslt();
    m_deadline.start((m_timeoutSeconds + m_runSeconds) * 1000);
    m_poll.start();
    if (m_phase != Phase::Done)
        m_loop.exec();
    m_poll.stop();
    m_deadline.stop();
    m_runTime.stop();
    return m_ok;
}

void LinkSession::finish(bool ok, const QString &failure)
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    m_ok = ok;
    m_failure = failure;
    m_loop.quit();
}

void LinkSession::poll()
{
    if (m_phase == Phase::Done)
        return;
    if (m_worker.state() == WorkerState::Disconnected) {
        if (m_wasConnected) {
            m_lastTrouble = QStringLiteral("the link to %1 was lost").arg(m_address);
            m_wasConnected = false;
        }
        if (m_phase == Phase::Running)
            finish(false, QStringLiteral("the link to %1 was lost during the run").arg(m_address));
        else if (m_phase == Phase::Restart)
            m_phase = Phase::RestartAfterReconnect;
        else if (m_phase == Phase::Transfer && !m_worker.writeWaitingForLink())
            m_phase = Phase::Connect; // the worker takes up a cut write itself
        return;
    }
    m_wasConnected = true;
    switch (m_mode) {
    case Mode::Write:
        pollWrite();
        break;
    case Mode::Read:
        pollRead();
        break;
    case Mode::Run:
        pollRun();
        break;
    }
}

void LinkSession::pollRun()
{
    const WorkerState state = m_worker.state();
    switch (m_phase) {
    case Phase::Connect:
        if (state == WorkerState::Connected || state == WorkerState::Ready) {
            m_phase = Phase::Restart;
            m_worker.mwCommand(QStringLiteral("restart"));
        }
        break;
    case Phase::Restart:
    case Phase::RestartAfterReconnect:
        if (state == WorkerState::Ready) {
            m_worker.mwCommand(QStringLiteral("start"));
            if (m_worker.state() != WorkerState::Running) {
                finish(false, QStringLiteral("the controller did not start the run"));
                break;
            }
            m_phase = Phase::Running;
            m_lastTrouble = QStringLiteral("the run did not end");
            if (m_runSeconds > 0)
                m_runTime.start(m_runSeconds * 1000);
        } else if (m_worker.pendingType() == LinkProtocol::PacketType::None &&
                   (state == WorkerState::Connected || m_phase == Phase::RestartAfterReconnect)) {
            m_phase = Phase::Restart;
            m_worker.mwCommand(QStringLiteral("restart"));
        }
        break;
    case Phase::Running:
        // Dropped to Connected (the configuration is no longer confirmed): the run is over.
        if (state == WorkerState::Connected)
            runEnded(false);
        break;
    default:
        break;
    }
}

void LinkSession::pollWrite()
{
    const WorkerState state = m_worker.state();
    switch (m_phase) {
    case Phase::Connect:
        if (state == WorkerState::Connected || state == WorkerState::Ready) {
            m_worker.mwCommand(m_wholeWrite ? QStringLiteral("writewhole")
                                            : QStringLiteral("write"));
            if (m_worker.state() == WorkerState::Writing || m_worker.robotHoldsProgram())
                m_phase = Phase::Transfer;
        }
        break;
    case Phase::Transfer:
        if (state == WorkerState::Writing)
            break;
        if (m_worker.robotHoldsProgram()) {
            m_phase = Phase::Restart;
            m_worker.mwCommand(QStringLiteral("restart"));
        } else {
            m_lastTrouble = QStringLiteral("the controller stopped answering during the write");
            m_phase = Phase::Connect;
        }
        break;
    case Phase::Restart:
    case Phase::RestartAfterReconnect:
        if (state == WorkerState::Ready) {
            finish(true);
        } else if (m_worker.pendingType() == LinkProtocol::PacketType::None &&
                   (state == WorkerState::Connected || m_phase == Phase::RestartAfterReconnect)) {
            // The configuration was abandoned or the link came back: confirm it again.
            m_phase = Phase::Restart;
            m_worker.mwCommand(QStringLiteral("restart"));
        }
        break;
    case Phase::Running:
    case Phase::Done:
        break;
    }
}

void LinkSession::pollRead()
{
    const WorkerState state = m_worker.state();
    switch (m_phase) {
    case Phase::Connect:
        if (m_worker.controllerState().statusFlags.testFlag(LinkProtocol::StatusBit::ReadLocked)) {
            finish(false, QStringLiteral("the controller does not allow reading its memory"));
            break;
        }
        if (state == WorkerState::Connected || state == WorkerState::Ready) {
            m_readDocument.reset();
            m_worker.mwCommand(QStringLiteral("read"));
            if (m_worker.state() == WorkerState::Reading)
                m_phase = Phase::Transfer;
        }
        break;
    case Phase::Transfer:
        if (state == WorkerState::Reading) {
            // A malformed answer leaves the read standing with nothing pending: start again.
            if (m_worker.pendingType() == LinkProtocol::PacketType::None) {
                m_worker.mwStop();
                m_phase = Phase::Connect;
            }
            break;
        }
        if (m_worker.memoryAddress() >= kMemorySize) {
            m_undecodable = !m_readDocument;
            if (m_undecodable)
                finish(false, QStringLiteral("the controller memory does not hold a program"));
            else
                finish(true);
        } else {
            m_lastTrouble = QStringLiteral("the controller stopped answering during the read");
            m_phase = Phase::Connect;
        }
        break;
    default:
        break;
    }
}

void LinkSession::showProgressOn(TerminalProgress &progress)
{
    if (!TerminalProgress::wanted())
        return;
    connect(&m_worker, &internalWorker::sigTransferProgress, this,
            [&progress](int kind, int done, int total, qint64 elapsedMs) {
                progress.show(kind, done, total, elapsedMs);
            });
    connect(&m_worker, &internalWorker::sigTransferEnded, this,
            [&progress](int kind, int outcome, qint64 elapsedMs) {
                progress.end(kind, outcome, elapsedMs);
            });
    connect(&m_worker, &internalWorker::sigWritePlanned, this,
            [&progress](int changed, int all) { progress.setWritePlan(changed, all); });
}
