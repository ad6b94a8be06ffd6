#pragma once

#include "internalworker.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// Drives one controller worker from the command line: connects to the device, writes or reads
// the memory, and retries through dropped links and abandoned transfers until the deadline.
class LinkSession : public QObject
{
    Q_OBJECT
public:
    LinkSession(const QString &address, int timeoutSeconds, QObject *parent = nullptr);

    // Writes the compiled document, then confirms the configuration. True once the controller
    // is ready to run it.
    bool write(const QJsonObject &document);
    // Reads the whole memory; the decoded document, or nothing (see failureReason()).
    std::optional<QJsonObject> read();

    // Set when write() or read() fails: a one-line reason.
    QString failureReason() const { return m_failure; }
    // read() failed because the memory did not decode, not because of the link.
    bool memoryUndecodable() const { return m_undecodable; }

private:
    enum class Phase
    {
        Connect,
        Transfer,
        Restart,
        RestartAfterReconnect,
        Done
    };

    bool run();
    void poll();
    void pollWrite();
    void pollRead();
    void finish(bool ok, const QString &failure = {});

    QString m_address;
    internalWorker m_worker;
    QTimer m_deadline;
    QTimer m_poll;
    QEventLoop m_loop;
    bool m_writing = false;
    Phase m_phase = Phase::Connect;
    bool m_wasConnected = false;
    bool m_ok = false;
    bool m_undecodable = false;
    QString m_lastTrouble;
    QString m_failure;
    int m_timeoutSeconds;
    std::optional<QJsonObject> m_readDocument;
};
