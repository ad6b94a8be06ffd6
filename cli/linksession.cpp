#include "linksession.h"

#include "linkoptions.h"
#include "terminalprogress.h"

#include <QEventLoop>

LinkSession::LinkSession(const QString &address, int timeoutSeconds, QObject *parent)
    : QObject(parent)
    , m_address(address)
    , m_timeoutSeconds(timeoutSeconds)
{}

LinkSession::~LinkSession() = default;

QString LinkSession::failureText(const RobotJob &job)
{
    return job.failureText([](int problem, const QString &address, const QString &detail) {
        return LinkOptions::problemText(problem, address, detail);
    });
}

bool LinkSession::write(const QJsonObject &document)
{
    return run(RobotJob::Kind::Write, document);
}

std::optional<QJsonObject> LinkSession::read()
{
    if (!run(RobotJob::Kind::Read))
        return std::nullopt;
    return m_readDocument;
}

bool LinkSession::runProgram(const QJsonObject &document, int runSeconds, CommandCallback onCommand)
{
    m_onCommand = std::move(onCommand);
    return run(RobotJob::Kind::Run, document, runSeconds);
}

bool LinkSession::identify(const QJsonObject &configuration, int number)
{
    return run(RobotJob::Kind::Identify, {{QStringLiteral("configuration"), configuration}}, 0, {},
               number);
}

bool LinkSession::rename(const QString &name)
{
    return run(RobotJob::Kind::Rename, {}, 0, name);
}

bool LinkSession::run(RobotJob::Kind kind, const QJsonObject &document, int runSeconds,
                      const QString &name, int number)
{
    RobotJob job(kind, m_address);
    job.setDocument(document);
    job.setNewName(name);
    job.setNumber(number);
    job.setRunSeconds(runSeconds);
    job.setTimeoutSeconds(m_timeoutSeconds);
    if (m_onCommand)
        connect(&job, &RobotJob::commandDone, this, m_onCommand);
    if (m_progress && TerminalProgress::wanted()) {
        TerminalProgress *progress = m_progress;
        connect(job.worker(), &internalWorker::sigTransferProgress, this,
                [progress](int transfer, int done, int total, qint64 elapsedMs) {
                    progress->show(transfer, done, total, elapsedMs);
                });
        connect(job.worker(), &internalWorker::sigTransferEnded, this,
                [progress](int transfer, int outcome, qint64 elapsedMs) {
                    progress->end(transfer, outcome, elapsedMs);
                });
    }
    QEventLoop loop;
    connect(&job, &RobotJob::finished, &loop, &QEventLoop::quit);
    job.start();
    if (!job.isFinished())
        loop.exec();
    const bool ok = job.failure() == RobotJob::Failure::None;
    m_failure = ok ? QString() : failureText(job);
    m_undecodable = job.failure() == RobotJob::Failure::NoProgram;
    if (ok && kind == RobotJob::Kind::Read)
        m_readDocument = job.document();
    return ok;
}

void LinkSession::showProgressOn(TerminalProgress &progress)
{
    m_progress = &progress;
}
