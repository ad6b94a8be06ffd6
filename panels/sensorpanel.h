#pragma once

#include "sensortrace.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QPointer>

#include <functional>
#include <memory>

class QComboBox;
class mWorker;
class ProgramSelection;
class QScrollArea;
class QToolButton;
class SensorChart;
class SensorRecord;

// The "Sensors" side panel: a live chart of every input the set-up gives a gadget, fed by the
// state packets of whatever controller the editor talks to, with the levels of the selected
// row's analog conditions on it. The user chooses the time shown, pauses, clears, drags a level
// to change the condition, and saves the record as CSV or the chart as a picture.
class SensorPanel : public QDockWidget
{
    Q_OBJECT
public:
    // The longest span the user can choose; the record holds it at the shortest packet interval.
    static constexpr int kLongestSpanMs = 120000;
    static constexpr int kShortestPacketMs = 20;
    static constexpr int kDefaultSpanMs = 30000;

    using Clock = std::function<qint64()>;

    explicit SensorPanel(QWidget *parent = nullptr);
    ~SensorPanel() override;

    SensorChart *chart() const { return m_chart; }
    // Nothing until the shown panel gets its first packet.
    const SensorRecord *record() const { return m_record.get(); }
    const QList<SensorTrace> &traces() const { return m_traces; }
    QStringList captions() const;
    bool isPaused() const;
    qint64 spanMs() const;
    QComboBox *spanPicker() const { return m_span; }
    QToolButton *pauseButton() const { return m_pause; }
    QToolButton *clearButton() const { return m_clear; }
    QToolButton *saveButton() const { return m_save; }

    // Milliseconds on a monotonic clock; tests replace it to stamp samples as they like.
    void setClock(Clock clock) { m_now = std::move(clock); }

    // The record as CSV, and the two files the save menu writes; false (and a notice) when the
    // file cannot be written.
    QByteArray csvText() const;
    bool saveCsv(const QString &path);
    bool savePng(const QString &path);

    // Captions and sizes from the current language.
    void renewTexts();
    // Takes the worker's state packets, follows the selected row of the program area and the
    // pin set-up, and makes a dragged level an edit of the selected row. Connecting again adds
    // nothing twice.
    void connectToEditor(mWorker *worker, ProgramSelection *selection);
    // What the editor remembers of the panel: the span shown.
    QJsonObject state() const;
    void restoreState(const QJsonObject &state);

public slots:
    // One state packet's report.
    void takeReport(const QJsonObject &report);
    void setPaused(bool paused);
    void clear();
    void setSpanMs(qint64 spanMs);
    // The set-up changed: one trace per input with a gadget.
    void refreshTraces();
    // The selected row (or its conditions) changed.
    void refreshThresholds();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void chooseFile(bool csv);
    void levelChosen(int condition, int which, int level);
    void showState();
    void showPauseTexts();
    void showSaveFailure(const QString &path);
    qint64 now() const;

    QPointer<ProgramSelection> m_selection;
    SensorChart *m_chart = nullptr;
    QScrollArea *m_scroll = nullptr;
    QComboBox *m_span = nullptr;
    QToolButton *m_pause = nullptr;
    QToolButton *m_clear = nullptr;
    QToolButton *m_save = nullptr;
    std::unique_ptr<SensorRecord> m_record;
    QList<SensorTrace> m_traces;
    bool m_shown = false;
    // Time of the record's first sample on the clock; -1 until one comes after a clear.
    qint64 m_origin = -1;
    Clock m_now;
    QElapsedTimer m_clock;
    bool m_reportedBadReport = false;
};
