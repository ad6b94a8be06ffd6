#pragma once

#include "internalworker.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <memory>

// The one face of the controller link the editor sees. Every call and every result passes
// through a signal pair, so the worker could live in a thread of its own without its users
// noticing; here both live in the GUI thread and every relay is a direct call.
class mWorker : public QObject
{
    Q_OBJECT
public:
    explicit mWorker(QObject *parent = nullptr, internalWorker::TransportFactory factory = {});
    ~mWorker() override;

    internalWorker *worker() const { return m_worker.get(); }

public slots:
    void mwStart();
    void mwStop();
    void mwCommand(const QString &s);
    void mwChangeProg(const QJsonObject &jo);
    void mwManual(int proc, int num, bool ce);
    void mwDebugSignal();
    void mwFindDevices();
    void mwSelectDevice(const QString &s);
    void ChangeName(const QString &comName, const QString &deviceName);

signals:
    void sigCurState(const QJsonObject &report);
    // The report of a fresh state packet, once per packet: what a live record of the inputs
    // takes, where sigCurState also repeats the last inputs after other events.
    void sigStatePacket(const QJsonObject &report);
    void sigFindDevice(const QString &deviceText);
    void sigEndFindDevices();
    void sigConnectOK(int status);
    void sigErrorConnect();
    void sigReadProg(const QJsonObject &document);
    void sigChangeName(bool ok, const QString &message);
    // What the device page says about searches and the chosen device (see linkproblem.h).
    void sigSearchStarted(int durationMs);
    void sigSearchEnded(int robotCount, int problem);
    void sigFoundDeviceKind(const QString &deviceText, int kind);
    void sigLinkProblem(int problem, const QString &detail);
    // Progress and end of writes, reads and configuration packets, and the end of a halt (see
    // internalWorker).
    void sigTransferProgress(int kind, int done, int total, qint64 elapsedMs);
    void sigTransferEnded(int kind, int outcome, qint64 elapsedMs);
    void sigWritePlanned(int changedChunks, int allChunks);
    void sigRunOnRobot(int step, int changedChunks, int allChunks, qint64 elapsedMs);
    void sigHaltEnded(bool confirmed);
    void intMwFindDevices();
    void intSelectDevice(const QString &deviceText);
    void intMwStart();
    void intMwStop();
    void intMwCommand(const QString &command);
    void intMwChangeProg(const QJsonObject &document);
    void intMwManual(int proc, int num, bool ce);
    void intMwDebugSignal();
    void intSigChangeNameCommand(const QString &name);

private slots:
    void intSigCurState(const QString &st);
    void intSigFindDevice(const QString &s);
    void intSigEndFindDevices();
    void intSigConnectOK(int i);
    void intSigErrorConnect();
    void intSigReadProg(const QJsonObject &o);
    void intSigChangeName(bool b, const QString &s);

private:
    std::unique_ptr<internalWorker> m_worker;
    quint32 m_packetsRelayed = 0;
};
