#include "classscheduler.h"

#include "linklog.h"
#include "linktransport.h"
#include "mbluetoothconnect.h"

#include <algorithm>
#include <utility>

ClassScheduler::ClassScheduler(QObject *parent)
    : QObject(parent)
{}

ClassScheduler::~ClassScheduler() = default;

void ClassScheduler::setEditorWorker(internalWorker *worker, std::function<QJsonObject()> document)
{
    m_editorWorker = worker;
    m_editorDocument = std::move(document);
}

int ClassScheduler::maxLinks(LinkSocket::Kind kind) const
{
    return kind == LinkSocket::Kind::Bluetooth ? m_bluetoothLinks : m_otherLinks;
}

void ClassScheduler::setMaxLinks(LinkSocket::Kind kind, int links)
{
    (kind == LinkSocket::Kind::Bluetooth ? m_bluetoothLinks : m_otherLinks) = qMax(1, links);
    startWaiting();
}

LinkSocket::Kind ClassScheduler::kindOf(const RobotJob *job)
{
    return LinkSocket::kindOf(job->address());
}

RobotJob *ClassScheduler::add(RobotJob::Kind kind, const QString &deviceText)
{
    internalWorker::TransportFactory factory;
    if (m_factory) {
        factory = [factory = m_factory, deviceText](QObject *parent) {
            return factory(deviceText, parent);
        };
    }
    const QString address = RobotJob::addressOf(deviceText);
    if (RobotJob *current = m_jobs.value(address); current && !current->isFinished()) {
        qCInfo(lcLink).noquote() << "Robot" << address << "is busy; no second job for it";
        return nullptr;
    }
    const bool editors = m_editorWorker && !m_editorWorker->selectedDevice().isEmpty() &&
                         mBluetoothConnect::sameDevice(m_editorWorker->selectedDevice(),
                                                       RobotJob::deviceTextOf(deviceText));
    auto *job = editors ? new RobotJob(kind, deviceText, m_editorWorker, m_editorDocument, this)
                        : new RobotJob(kind, deviceText, this, std::move(factory));
    if (!isBusy())
        m_round.clear();
    if (RobotJob *previous = m_jobs.value(address))
        previous->deleteLater();
    m_jobs.insert(address, job);
    if (!m_round.contains(address))
        m_round.append(address);
    job->setTimeoutSeconds(m_timeoutSeconds);
    connect(job, &RobotJob::stateChanged, this,
            [this, address](RobotJob::State state) { emit robotStateChanged(address, state); });
    connect(job, &RobotJob::progress, this,
            [this, address](int percent) { emit robotProgress(address, percent); });
    connect(job, &RobotJob::finished, this,
            [this, job](bool, RobotJob::Failure, const QJsonObject &) { jobFinished(job); });
    m_waiting.append(job);
    return job;
}

int ClassScheduler::identify(const QString &deviceText, const QJsonObject &configuration,
                             int number)
{
    RobotJob *job = add(RobotJob::Kind::Identify, deviceText);
    if (!job)
        return 0;
    job->setDocument({{QStringLiteral("configuration"), configuration}});
    job->setNumber(number);
    startWaiting();
    return 1;
}

int ClassScheduler::rename(const QString &deviceText, const QString &name)
{
    RobotJob *job = add(RobotJob::Kind::Rename, deviceText);
    if (!job)
        return 0;
    job->setNewName(name);
    startWaiting();
    return 1;
}

int ClassScheduler::write(const QStringList &deviceTexts, const QJsonObject &document)
{
    int given = 0;
    for (const QString &text : deviceTexts) {
        if (RobotJob *job = add(RobotJob::Kind::Write, text)) {
            job->setDocument(document);
            ++given;
        }
    }
    startWaiting();
    return given;
}

int ClassScheduler::read(const QStringList &deviceTexts)
{
    int given = 0;
    for (const QString &text : deviceTexts) {
        if (add(RobotJob::Kind::Read, text))
            ++given;
    }
    startWaiting();
    return given;
}

int ClassScheduler::retryFailed()
{
    const Summary last = summary();
    int given = 0;
    for (const QString &address : last.failed) {
        const RobotJob *failed = m_jobs.value(address);
        if (!failed)
            continue;
        const RobotJob::Kind kind = failed->kind();
        const QString deviceText = failed->deviceText();
        const QJsonObject document = failed->givenDocument();
        const QString name = failed->newName();
        const int number = failed->number();
        if (RobotJob *job = add(kind, deviceText)) {
            job->setDocument(document);
            job->setNewName(name);
            job->setNumber(number);
            ++given;
        }
    }
    startWaiting();
    return given;
}

void ClassScheduler::cancel()
{
    // Waiting ones first, so that none of them starts in the place of a cancelled one.
    const QList<QPointer<RobotJob>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<RobotJob> &job : waiting) {
        if (job)
            job->cancel();
    }
    const QList<QPointer<RobotJob>> running = m_running;
    for (const QPointer<RobotJob> &job : running) {
        if (job)
            job->cancel();
    }
}

void ClassScheduler::cancel(const QString &address)
{
    if (RobotJob *job = m_jobs.value(address)) {
        m_waiting.removeAll(job);
        job->cancel();
    }
}

bool ClassScheduler::isBusy() const
{
    return !m_waiting.isEmpty() || !m_running.isEmpty();
}

RobotJob *ClassScheduler::job(const QString &address) const
{
    return m_jobs.value(address);
}

int ClassScheduler::openLinks() const
{
    return int(m_running.size());
}

ClassScheduler::Summary ClassScheduler::summary() const
{
    Summary summary;
    for (const QString &address : m_round) {
        const RobotJob *job = m_jobs.value(address);
        if (!job)
            continue;
        ++summary.total;
        if (!job->isFinished())
            continue;
        if (job->failure() == RobotJob::Failure::None)
            ++summary.succeeded;
        else
            summary.failed.append(address);
    }
    return summary;
}

void ClassScheduler::startWaiting()
{
    for (qsizetype i = 0; i < m_waiting.size();) {
        const QPointer<RobotJob> job = m_waiting[i];
        if (!job) {
            m_waiting.removeAt(i);
            continue;
        }
        const LinkSocket::Kind kind = kindOf(job);
        const auto open = std::count_if(
            m_running.cbegin(), m_running.cend(), [kind](const QPointer<RobotJob> &running) {
                return running && !running->isBorrowed() && kindOf(running) == kind;
            });
        if (!job->isBorrowed() && open >= maxLinks(kind)) {
            ++i;
            continue;
        }
        m_waiting.removeAt(i);
        m_running.append(job);
        job->start();
    }
}

void ClassScheduler::jobFinished(RobotJob *job)
{
    m_waiting.removeAll(job);
    m_running.removeAll(job);
    emit robotFinished(job->address(), job->failure() == RobotJob::Failure::None, job->failure(),
                       job->document());
    startWaiting();
    if (!isBusy())
        emit allFinished();
}
