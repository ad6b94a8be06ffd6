#pragma once

#include "conditionlevels.h"
#include "sensortrace.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QStaticText>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class SensorRecord;

// Draws the sensor record as one lane per trace, over the time span the user chose: analog
// inputs as lines on 0-255, digital inputs as steps. The levels of the selected row's analog
// conditions lie across their pin's lane, shaded where the condition holds; the user drags a
// level up or down and lets go to choose a new one.
class SensorChart : public QWidget
{
    Q_OBJECT
public:
    // A frame at most this often, however fast the packets come; and when the chart moves less
    // than a pixel in that time, only as often as it moves one, up to the slowest.
    static constexpr int kFrameMs = 100;
    static constexpr int kSlowestFrameMs = 250;
    // Samples further apart than this are not joined: the link was down or the chart paused.
    static constexpr int kGapMs = 1000;

    explicit SensorChart(QWidget *parent = nullptr);

    void setTraces(const QList<SensorTrace> &traces, const QStringList &captions);
    const QList<SensorTrace> &traces() const { return m_traces; }
    // The record is the panel's; nullptr draws lanes without data.
    void setRecord(const SensorRecord *record);
    void setSpanMs(qint64 spanMs);
    qint64 spanMs() const { return m_spanMs; }
    // Levels of the selected row; a drag in progress ends.
    void setThresholds(const QList<ConditionThreshold> &thresholds);
    const QList<ConditionThreshold> &thresholds() const { return m_thresholds; }
    // Shown across the chart when there is nothing to plot yet.
    void setMessage(const QString &text);
    // "%1 s": the time axis labels.
    void setSecondsPattern(const QString &pattern);
    // Sizes from the dimensions, after a language change.
    void renewSizes();

    // The record grew or changed: a frame follows within frameMs().
    void recordChanged();
    int frameMs() const;

    // The line of a lane that holds its caption, above the plot; invalid for an unknown index.
    QRectF captionRect(int trace) const;
    // The lane of a trace and the area its values span; invalid for an unknown index.
    QRectF plotRect(int trace) const;
    // The analog trace of a pin label, -1 when there is none.
    int analogTraceOf(const QString &pinLabel) const;
    // Where a threshold's level (which 0 or 1) crosses its lane, at the middle of the plot;
    // a null point when the threshold's pin has no lane.
    QPointF levelPoint(int threshold, int which) const;
    int framesDrawn() const { return m_frames; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

signals:
    // The user dragged a level to a new value and let go.
    void levelChosen(int condition, int which, int level);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Handle
    {
        int threshold = -1;
        int which = 0;
        bool isValid() const { return threshold >= 0; }
        bool operator==(const Handle &other) const = default;
    };

    void layoutLanes();
    int axisHeight() const;
    int captionHeight() const;
    // The plots scroll through a ring of pixel columns: column c of the time axis (c pixels from
    // time 0) lives at x = c mod the plots' width, so a frame draws only the columns that changed
    // and copies the rest.
    int stripWidth() const;
    qint64 columnOf(qint64 timeMs) const;
    qint64 startOfColumn(qint64 column) const;
    // The first tick of the time axis at or after a column.
    qint64 firstTickMs(qint64 column, qint64 stepMs) const;
    void updateStrip(qint64 rightColumn);
    void drawColumns(qint64 first, qint64 last);
    void drawTrace(QPainter &painter, int trace, qint64 first, qint64 last);
    Handle handleAt(const QPointF &point) const;
    int shownLevel(int threshold, int which) const;
    void drawThresholds(QPainter &painter);
    void drawTimeAxis(QPainter &painter, qint64 firstColumn);
    void drawCaption(QPainter &painter, int trace);
    // Laid-out texts, kept: a frame draws the same captions and numbers again and again.
    const QStaticText &number(int value);
    const QStaticText &seconds(qint64 seconds);
    void forgetTexts();

    QList<SensorTrace> m_traces;
    QStringList m_captions;
    QList<QRectF> m_lanes;
    const SensorRecord *m_record = nullptr;
    qint64 m_spanMs = 30000;
    QList<ConditionThreshold> m_thresholds;
    QString m_message;
    QString m_secondsPattern = QStringLiteral("%1");
    int m_analogLaneHeight = 48;
    int m_digitalLaneHeight = 24;
    int m_grabDistance = 6;
    Handle m_hover;
    Handle m_drag;
    int m_dragLevel = 0;
    QTimer m_frameTimer;
    int m_frames = 0;
    QImage m_strip;
    bool m_stripValid = false;
    qint64 m_stripRight = 0;
    // The first column that a later sample may still change.
    qint64 m_stripOpen = 0;
    int m_stripSamples = 0;
    // Reused by every frame, so that drawing does not allocate.
    QPolygonF m_points;
    QList<QStaticText> m_captionTexts;
    QHash<int, QStaticText> m_numberTexts;
    QHash<qint64, QStaticText> m_secondTexts;
};
