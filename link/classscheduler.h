#pragma once

#include "linksocket.h"
#include "robotjob.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class LinkTransport;

// Runs robot jobs over a set of robots: at most maxLinks() links of a kind open at once, the rest
// queued in the order given. Every signal names its robot by the address of its device text
// (RobotJob::address()). One job per robot at a time: a robot with a job queued or running is not
// given another.
//
// Bluetooth robots go six at a time where the links share the process's one BlueZ profile: a
// BR/EDR adapter holds seven active links (a piconet's master and seven slaves), and one is left
// for the editor's own robot, whose job goes over the editor's link and is not counted here.
// Where each link is a QBluetoothSocket registering a profile of its own (BlueZ takes one per
// service), they go one at a time. Robots on TCP or serial ports go eight at a time: each has a
// link of its own, a link costs the computer a socket and two timers, and eight take a class of
// fifteen in two rounds.
class ClassScheduler : public QObject
{
    Q_OBJECT
public:
    // A transport for one robot's worker (a child of parent); nothing means the worker's own
    // default, which picks Bluetooth, TCP or a serial port by the address.
    using TransportFactory =
        std::function<LinkTransport *(const QString &deviceText, QObject *parent)>;

    static constexpr int kBluetoothLinks = LinkSocket::kSharedBluetoothProfile ? 6 : 1;
    static constexpr int kOtherLinks = 8;

    explicit ClassScheduler(QObject *parent = nullptr);
    ~ClassScheduler() override;

    void setTransportFactory(TransportFactory factory) { m_factory = std::move(factory); }
    // The editor's own worker: a job for the robot it is linked to goes over that link (no second
    // connection, no place among maxLinks()); a robot shown there gets the editor's program from
    // `document` back afterwards.
    void setEditorWorker(internalWorker *worker, std::function<QJsonObject()> document);
    int maxLinks(LinkSocket::Kind kind) const;
    void setMaxLinks(LinkSocket::Kind kind, int links);
    void setTimeoutSeconds(int seconds) { m_timeoutSeconds = seconds; }

    // Each takes device texts (mBluetoothConnect::deviceText) or bare addresses, and returns the
    // number of robots given a job (those already busy are left out, with a log line).
    int identify(const QString &deviceText, const QJsonObject &configuration, int number);
    int rename(const QString &deviceText, const QString &name);
    int write(const QStringList &deviceTexts, const QJsonObject &document);
    int read(const QStringList &deviceTexts);
    // The robots whose last job failed get it again (the same kind, document and name).
    int retryFailed();

    // Stops every queued and running job (they finish as Cancelled), or one robot's.
    void cancel();
    void cancel(const QString &address);

    bool isBusy() const;
    // The robot's current or last job; null when it never had one.
    RobotJob *job(const QString &address) const;
    // Links open now.
    int openLinks() const;

    struct Summary
    {
        int total = 0;
        int succeeded = 0;
        // Addresses of the robots whose last job failed, in the order given.
        QStringList failed;
    };
    // Over the robots given a job since the last idle moment.
    Summary summary() const;

signals:
    void robotStateChanged(const QString &address, RobotJob::State state);
    void robotProgress(const QString &address, int percent);
    void robotFinished(const QString &address, bool ok, RobotJob::Failure why,
                       const QJsonObject &document);
    // Every job given is over; summary() tells how they went.
    void allFinished();

private:
    RobotJob *add(RobotJob::Kind kind, const QString &deviceText);
    void startWaiting();
    void jobFinished(RobotJob *job);
    static LinkSocket::Kind kindOf(const RobotJob *job);

    TransportFactory m_factory;
    QPointer<internalWorker> m_editorWorker;
    std::function<QJsonObject()> m_editorDocument;
    int m_bluetoothLinks = kBluetoothLinks;
    int m_otherLinks = kOtherLinks;
    int m_timeoutSeconds = RobotJob::kDefaultTimeoutSeconds;
    // Addresses in the order given since the last idle moment.
    QStringList m_round;
    QHash<QString, QPointer<RobotJob>> m_jobs;
    QList<QPointer<RobotJob>> m_waiting;
    QList<QPointer<RobotJob>> m_running;
};
