#include "mworker.h"

#include "linklog.h"

#include <QJsonDocument>

namespace {
// Longest name the controller keeps.
constexpr int kMaxNameLength = 19;
} // namespace

mWorker::mWorker(QObject *parent, internalWorker::TransportFactory factory)
    : QObject(parent)
    , m_worker(std::make_unique<internalWorker>(nullptr, std::move(factory)))
{
    internalWorker *w = m_worker.get();
    connect(this, &mWorker::intMwStart, w, &internalWorker::mwStart);
    connect(this, &mWorker::intMwStop, w, &internalWorker::mwStop);
    connect(this, &mWorker::intMwCommand, w, &internalWorker::mwCommand);
    connect(this, &mWorker::intMwChangeProg, w, &internalWorker::mwChangeProg);
    connect(this, &mWorker::intMwManual, w, &internalWorker::mwManual);
    connect(this, &mWorker::intMwDebugSignal, w, &internalWorker::mwDebugSignal);
    connect(this, &mWorker::intMwFindDevices, w, &internalWorker::mwFindDevices);
    connect(this, &mWorker::intSelectDevice, w, &internalWorker::mwSelectDevice);
    connect(this, &mWorker::intSigChangeNameCommand, w, &internalWorker::mwChangeName);

    connect(w, &internalWorker::sigCurState, this, &mWorker::intSigCurState);
    connect(w, &internalWorker::sigFindDevice, this, &mWorker::intSigFindDevice);
    connect(w, &internalWorker::sigEndFindDevices, this, &mWorker::intSigEndFindDevices);
    connect(w, &internalWorker::sigConnectOK, this, &mWorker::intSigConnectOK);
    connect(w, &internalWorker::sigErrorConnect, this, &mWorker::intSigErrorConnect);
    connect(w, &internalWorker::sigReadProg, this, &mWorker::intSigReadProg);
    connect(w, &internalWorker::sigEndChangeName, this, &mWorker::intSigChangeName);
    // Plain relays: the values cross a thread boundary as they are, should there ever be one.
    connect(w, &internalWorker::sigSearchStarted, this, &mWorker::sigSearchStarted);
    connect(w, &internalWorker::sigSearchEnded, this, &mWorker::sigSearchEnded);
    connect(w, &internalWorker::sigFoundDeviceKind, this, &mWorker::sigFoundDeviceKind);
    connect(w, &internalWorker::sigLinkProblem, this, &mWorker::sigLinkProblem);
    connect(w, &internalWorker::sigTransferProgress, this, &mWorker::sigTransferProgress);
    connect(w, &internalWorker::sigTransferEnded, this, &mWorker::sigTransferEnded);
    connect(w, &internalWorker::sigWritePlanned, this, &mWorker::sigWritePlanned);
    connect(w, &internalWorker::sigRunOnRobot, this, &mWorker::sigRunOnRobot);
    connect(w, &internalWorker::sigHaltEnded, this, &mWorker::sigHaltEnded);
}

mWorker::~mWorker() = default;

void mWorker::mwStart()
{
    emit intMwStart();
}

void mWorker::mwStop()
{
    emit intMwStop();
}

void mWorker::mwCommand(const QString &s)
{
    emit intMwCommand(s);
}

void mWorker::mwChangeProg(const QJsonObject &jo)
{
    emit intMwChangeProg(jo);
}

void mWorker::mwManual(int proc, int num, bool ce)
{
    emit intMwManual(proc, num, ce);
}

void mWorker::mwDebugSignal()
{
    emit intMwDebugSignal();
}

void mWorker::mwFindDevices()
{
    emit intMwFindDevices();
}

void mWorker::mwSelectDevice(const QString &s)
{
    emit intSelectDevice(s);
}

void mWorker::ChangeName(const QString &comName, const QString &deviceName)
{
    QString name = deviceName;
    if (name.size() > kMaxNameLength)
        name.truncate(kMaxNameLength);
    qCDebug(lcLink).noquote() << comName << ":" << name;
    if (name.size() > 1)
        emit intSigChangeNameCommand(name);
    else
        emit sigChangeName(false, QStringLiteral("Name too short"));
}

void mWorker::intSigCurState(const QString &st)
{
    const QJsonObject report = QJsonDocument::fromJson(st.toUtf8()).object();
    emit sigCurState(report);
    // The worker publishes right after it stores a packet, in this thread, so the count it
    // keeps tells whether this report brings new inputs.
    const quint32 stored = m_worker->controllerState().packetsStored;
    if (stored != m_packetsRelayed) {
        m_packetsRelayed = stored;
        emit sigStatePacket(report);
    }
}

void mWorker::intSigFindDevice(const QString &s)
{
    emit sigFindDevice(s);
}

void mWorker::intSigEndFindDevices()
{
    emit sigEndFindDevices();
}

void mWorker::intSigConnectOK(int i)
{
    emit sigConnectOK(i);
}

void mWorker::intSigErrorConnect()
{
    emit sigErrorConnect();
}

void mWorker::intSigReadProg(const QJsonObject &o)
{
    emit sigReadProg(o);
}

void mWorker::intSigChangeName(bool b, const QString &s)
{
    emit sigChangeName(b, s);
}
