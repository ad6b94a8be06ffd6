#pragma once

#include "robotjob.h"
#include "robotrow.h"

#include <QDialog>
#include <QHash>
#include <QJsonObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class ClassModel;
class ClassRoster;
class ClassScheduler;
class LinkTransport;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class internalWorker;

// The class window: every robot in reach, numbered as the class knows it, with what is
// happening to each in words. "Show me", renaming and opening what was read act on the current
// row; numbering, writing, reading and retrying act on the checked rows, several robots at once.
// The robot the editor is connected to is worked on over the editor's own link (the scheduler
// borrows the editor's worker for it).
class ClassWindow : public QDialog
{
    Q_OBJECT
public:
    // The editor's program: written by "Write to selected"; its configuration says what a
    // robot has to show itself with.
    using DocumentSource = std::function<QJsonObject()>;

    ClassWindow(ClassRoster *roster, ClassScheduler *scheduler, DocumentSource document,
                QWidget *parent = nullptr);
    ~ClassWindow() override;

    // The editor's worker: its robot is listed and marked, and a read from it is the class's.
    void setEditorWorker(internalWorker *worker);
    // A program the editor's worker reads now was asked for by the class, not by the editor.
    bool takesEditorsRead() const;
    // The transport that searches for robots (by default the link's own search over Bluetooth
    // and the serial ports); the window owns it.
    void setSearchTransport(LinkTransport *transport);
    // Lists a robot without a search (a virtual class, the editor's robot).
    void addDevice(const QString &deviceText);
    // Where "Read from selected" puts the programs: a folder of the day in the programs folder.
    void setProgramsFolder(const QString &folder) { m_programsFolder = folder; }
    QString classFolder() const;
    void retranslate();

    ClassModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    QLabel *summaryLabel() const { return m_summary; }
    QLineEdit *baseNameEdit() const { return m_baseName; }
    QLineEdit *newNameEdit() const { return m_newName; }
    QPushButton *button(const QString &key) const;
    // Whether a round (numbering, writing, reading) is under way.
    bool isWorking() const { return !m_pending.isEmpty(); }

signals:
    // The user wants the program read from a robot in the editor.
    void openRequested(const QString &path);
    // A round is over; the summary line tells how it went.
    void roundFinished();

public slots:
    void search();
    void selectAll();
    void selectNone();
    // "Show me" on the current row, or on any listed robot.
    void showMe();
    void identify(const QString &deviceText);
    void numberThem();
    void renameCurrent();
    void writeToSelected();
    void readFromSelected();
    void retryFailed();
    void openCurrent();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class Round
    {
        None,
        Rename,
        Write,
        Read,
    };

    QPushButton *makeButton(const QString &key, const QString &hintKey);
    void found(const QString &deviceText);
    void startRound(Round round, const QStringList &addresses);
    void runOn(const QString &address);
    void robotState(const QString &address, RobotRow::State state, int percent);
    void robotFinished(const QString &address, bool ok, const QString &why,
                       const QJsonObject &document);
    QString saveRead(const QString &address, const QJsonObject &document);
    void showSummary();
    void updateButtons();
    QString currentAddress() const;
    QString deviceTextOf(const QString &address) const;
    QString editorsAddress() const;
    QJsonObject configuration() const;

    ClassRoster *m_roster;
    ClassScheduler *m_scheduler;
    DocumentSource m_document;
    QPointer<internalWorker> m_editorWorker;
    LinkTransport *m_search = nullptr;
    ClassModel *m_model;
    QString m_programsFolder;

    Round m_round = Round::None;
    // The robots of the round in class order, those not yet finished, and what each was to be
    // called (numbering, renaming).
    QStringList m_roundRobots;
    QStringList m_pending;
    QStringList m_failed;
    QHash<QString, QString> m_newNames;
    QHash<QString, QString> m_whyFailed;
    // The names files were given in this read, so that two robots of one name keep both.
    QStringList m_readNames;
    QString m_readFolder;
    bool m_searched = false;

    QLabel *m_title = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_currentCaption = nullptr;
    QLabel *m_checkedCaption = nullptr;
    QLabel *m_newNameCaption = nullptr;
    QLabel *m_baseNameCaption = nullptr;
    QLineEdit *m_newName = nullptr;
    QLineEdit *m_baseName = nullptr;
    QLabel *m_summary = nullptr;
    QHash<QString, QPushButton *> m_buttons;
};
