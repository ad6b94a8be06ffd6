#pragma once

#include "robotrow.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class mWorker;

// The robot the editor is connected to, as one robot of the class. The class works on it over
// the editor's own link rather than a second one, which would take the robot from the editor:
// the write is the editor's own write (the program is the one it holds), the read ends in the
// class folder instead of the editor, and "Show me" runs the picture, melody and motion as
// single commands before the editor's program is handed back to the link.
class EditorRobot : public QObject
{
    Q_OBJECT
public:
    // The editor's program now; the link gets it back after "Show me".
    using DocumentSource = std::function<QJsonObject()>;

    EditorRobot(mWorker *worker, DocumentSource document, QObject *parent = nullptr);

    // The address of the editor's robot; empty while none is chosen.
    QString address() const;
    QString deviceText() const;
    bool isBusy() const { return m_job != Job::None; }
    // A program read from the robot now belongs to the class, not to the editor.
    bool takesRead() const { return m_job == Job::Read; }

    void write();
    void read();
    void rename(const QString &name);
    void identify(const QJsonObject &showDocument);

signals:
    void stateChanged(RobotRow::State state, int percent);
    void finished(bool ok, const QString &why, const QJsonObject &document);

private:
    enum class Job
    {
        None,
        Write,
        Read,
        Rename,
        Identify,
    };

    bool begin(Job job);
    void finish(bool ok, const QString &why = QString());
    void transferProgress(int kind, int done, int total);
    void transferEnded(int kind, int outcome);
    void showNext();
    void haltEnded();

    mWorker *m_worker;
    DocumentSource m_document;
    Job m_job = Job::None;
    bool m_configured = false;
    QJsonObject m_read;
    int m_showStep = 0;
    int m_showCommands = 0;
    QElapsedTimer m_showClock;
    QTimer m_showTimer;
    // A job that the link never ends (the robot went away) ends after this long.
    QTimer m_deadline;
};
