#pragma once

#include <QFrame>
#include <QJsonObject>
#include <QTimer>

#include <functional>

class QProgressBar;

// The chunks a write sends of all the image's chunks; unknown while negative.
struct TransferWritePlan
{
    int changed = -1;
    int all = -1;
    bool partial() const { return changed >= 0 && changed < all; }
};

// Shows a memory write, a memory read or a configuration packet under the program area while it
// goes on: bytes done of the total and, once it can be told, the time left. At the end it says in
// words what happened. A result stays a while; a failure stays until a click or the next transfer.
class TransferPanel : public QFrame
{
    Q_OBJECT
public:
    // The name of the controller the editor talks to, for the texts.
    using DeviceName = std::function<QString()>;

    explicit TransferPanel(QWidget *parent = nullptr);

    void setDeviceName(DeviceName name) { m_deviceName = std::move(name); }
    QProgressBar *bar() const { return m_bar; }
    // The whole text, and the part of it the bar has room for.
    QString text() const;
    QString shownText() const;
    bool failed() const { return m_failed; }

    // The device text's "Name" (the virtual controller's in the user's language), else its
    // "Address".
    static QString deviceName(const QString &deviceText);
    // The texts shown, from the dictionary (kinds and outcomes of transferprogress.h). A write
    // tells how many of the image's chunks it sends, when not all of them.
    using WritePlan = TransferWritePlan;
    static QString progressText(int kind, int done, int total, qint64 elapsedMs,
                                const QString &device, WritePlan plan = {});
    static QString endText(int kind, int outcome, qint64 elapsedMs, const QString &device,
                           WritePlan plan = {});
    // What "run on the robot" says of its write or configuration packet, and once the run began.
    static QString runPartText(int kind, int done, int total);
    static QString runStartedText(int changed, int all, qint64 elapsedMs);

public slots:
    void showProgress(int kind, int done, int total, qint64 elapsedMs);
    void showEnd(int kind, int outcome, qint64 elapsedMs);
    // The chunks the next write sends of all; its texts follow.
    void showWritePlan(int changedChunks, int allChunks);
    // Where "run on the robot" stands: its parts' texts say that they belong to it.
    void showRunOnRobot(int step, int changedChunks, int allChunks, qint64 elapsedMs);
    // A line about something done that is not a transfer (a saved file), shown like a result.
    void showNotice(const QString &text);
    // Follows the link's state reports: a robot that runs is no longer just "ready to run".
    void followState(const QJsonObject &state);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    class Line;

    // Every text of the bar goes here: one line, elided, whole in the tool tip.
    void showText(const QString &text);
    void setFailed(bool failed);
    QString device() const;

    QProgressBar *m_bar = nullptr;
    Line *m_text = nullptr;
    QTimer m_hideTimer;
    DeviceName m_deviceName;
    bool m_failed = false;
    // The line says the robot is ready to run.
    bool m_showsReady = false;
    WritePlan m_plan;
    bool m_inRun = false;
};
