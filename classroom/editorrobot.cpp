#include "editorrobot.h"

#include "classroomlog.h"
#include "internalworker.h"
#include "mbluetoothconnect.h"
#include "mworker.h"
#include "robotjob.h"
#include "transferprogress.h"

#include <QJsonArray>

namespace {

// Single commands of "Show me" go this far apart; the robot shows itself this long in all.
constexpr int kShowPollMs = 50;
constexpr int kJobDeadlineMs = 60000;

} // namespace

EditorRobot::EditorRobot(mWorker *worker, DocumentSource document, QObject *parent)
    : QObject(parent)
    , m_worker(worker)
    , m_document(std::move(document))
{
    m_showTimer.setInterval(kShowPollMs);
    connect(&m_showTimer, &QTimer::timeout, this, &EditorRobot::showNext);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kJobDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { finish(false, ClassWords::failure(RobotJob::Failure::NotAnswering)); });
    connect(worker, &mWorker::sigTransferProgress, this,
            [this](int kind, int done, int total, qint64) { transferProgress(kind, done, total); });
    connect(worker, &mWorker::sigTransferEnded, this,
            [this](int kind, int outcome, qint64) { transferEnded(kind, outcome); });
    connect(worker, &mWorker::sigReadProg, this, [this](const QJsonObject &document) {
        if (m_job == Job::Read)
            m_read = document;
    });
    connect(worker, &mWorker::sigChangeName, this, [this](bool ok, const QString &message) {
        if (m_job != Job::Rename)
            return;
        qCDebug(lcClassroom).noquote() << "Editor's robot renamed:" << ok << message;
        finish(ok, ok ? QString() : ClassWords::failure(RobotJob::Failure::Refused));
    });
    connect(worker, &mWorker::sigHaltEnded, this, [this](bool) { haltEnded(); });
}

QString EditorRobot::deviceText() const
{
    return m_worker->worker()->selectedDevice();
}

QString EditorRobot::address() const
{
    return mBluetoothConnect::deviceParts(deviceText()).address;
}

bool EditorRobot::begin(Job job)
{
    if (m_job != Job::None)
        return false;
    m_job = job;
    m_configured = false;
    m_read = QJsonObject();
    if (m_worker->worker()->state() == LinkProtocol::WorkerState::Disconnected) {
        finish(false, ClassWords::failure(RobotJob::Failure::NoLink));
        return false;
    }
    m_deadline.start();
    return true;
}

void EditorRobot::write()
{
    if (!begin(Job::Write))
        return;
    emit stateChanged(RobotRow::State::Writing, 0);
    // The link holds the editor's program already: it is the one the class gets.
    m_worker->mwCommand(QStringLiteral("write"));
}

void EditorRobot::read()
{
    if (!begin(Job::Read))
        return;
    emit stateChanged(RobotRow::State::Reading, 0);
    m_worker->mwCommand(QStringLiteral("read"));
}

void EditorRobot::rename(const QString &name)
{
    if (!begin(Job::Rename))
        return;
    emit stateChanged(RobotRow::State::Renaming, 0);
    m_worker->ChangeName(QString(), name);
}

void EditorRobot::identify(const QJsonObject &showDocument)
{
    if (!begin(Job::Identify))
        return;
    emit stateChanged(RobotRow::State::Identifying, 0);
    const QJsonArray programs = showDocument.value(QLatin1String("ProgData")).toArray();
    m_showCommands = int(programs.at(0).toArray().size());
    m_showStep = 0;
    // The show's commands go as single commands of a program of their own, on the
    // configuration they were made for, sent first as "restart" does.
    m_worker->mwChangeProg(showDocument);
    m_worker->mwCommand(QStringLiteral("restart"));
}

void EditorRobot::showNext()
{
    internalWorker *worker = m_worker->worker();
    if (worker->state() != LinkProtocol::WorkerState::Ready)
        return;
    if (m_showStep < m_showCommands) {
        if (m_showStep == 0)
            m_showClock.start();
        m_worker->mwManual(0, m_showStep++, false);
        return;
    }
    if (m_showClock.isValid() && m_showClock.elapsed() < RobotJob::kShowMs)
        return;
    // The halt records stop the motors and clear the picture.
    m_showTimer.stop();
    m_worker->mwCommand(QStringLiteral("stop"));
}

void EditorRobot::haltEnded()
{
    if (m_job == Job::Identify && m_configured && !m_showTimer.isActive())
        finish(true);
}

void EditorRobot::transferProgress(int kind, int done, int total)
{
    const int percent = total > 0 ? int(qint64(done) * 100 / total) : 0;
    if (m_job == Job::Write && kind == LinkTransfer::Write)
        emit stateChanged(RobotRow::State::Writing, percent);
    else if (m_job == Job::Read && kind == LinkTransfer::Read)
        emit stateChanged(RobotRow::State::Reading, percent);
}

void EditorRobot::transferEnded(int kind, int outcome)
{
    if (m_job == Job::None)
        return;
    if (outcome == LinkTransfer::WaitingForLink) {
        // The link dropped mid-write: the worker writes again once it is back.
        emit stateChanged(RobotRow::State::Connecting, 0);
        return;
    }
    const bool done = outcome == LinkTransfer::Done;
    if (m_job == Job::Write && kind == LinkTransfer::Write) {
        if (!done) {
            finish(false, ClassWords::transferOutcome(outcome));
            return;
        }
        // Written: the robot is made ready to run it, as a class write does.
        m_worker->mwCommand(QStringLiteral("restart"));
    } else if (m_job == Job::Write && kind == LinkTransfer::Configuration) {
        finish(done, done ? QString() : ClassWords::transferOutcome(outcome));
    } else if (m_job == Job::Read && kind == LinkTransfer::Read) {
        finish(done && !m_read.isEmpty(), done ? QString() : ClassWords::transferOutcome(outcome));
    } else if (m_job == Job::Identify && kind == LinkTransfer::Configuration) {
        if (!done) {
            finish(false, ClassWords::transferOutcome(outcome));
            return;
        }
        m_configured = true;
        m_showTimer.start();
        showNext();
    }
}

void EditorRobot::finish(bool ok, const QString &why)
{
    const Job job = m_job;
    m_job = Job::None;
    m_deadline.stop();
    m_showTimer.stop();
    if (job == Job::Identify && m_document)
        m_worker->mwChangeProg(m_document());
    const QJsonObject document = job == Job::Read ? m_read : QJsonObject();
    m_read = QJsonObject();
    emit finished(ok, why, document);
}
