#include "sensorchart.h"

#include "appcontext.h"
#include "sensorrecord.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <iterator>
#include <utility>

namespace {

constexpr double kMargin = 4;
// The least room between two time labels.
constexpr double kLabelGap = 8;
constexpr double kLaneGap = 4;
constexpr double kCaptionPadding = 3;

const QColor kBackground(8, 52, 68);
const QColor kLane(15, 72, 92);
const QColor kGrid(39, 95, 115); // faint lines on the lanes
const QColor kCaptionBox(0, 0, 0, 150);
const QColor kThreshold(255, 255, 255);
const QColor kThresholdActive(255, 202, 40);
const QColor kHolds(255, 255, 255, 38);

// Light colours that stand apart on the dark lanes, one per trace in turn.
const QColor kTraceColours[] = {
    QColor(0x4f, 0xc3, 0xf7), QColor(0x81, 0xc7, 0x84), QColor(0xff, 0x8a, 0x65),
    QColor(0xce, 0x93, 0xd8), QColor(0xff, 0xf1, 0x76), QColor(0xf4, 0x8f, 0xb1),
    QColor(0x80, 0xcb, 0xc4), QColor(0xae, 0xd5, 0x81), QColor(0x90, 0xca, 0xf9),
    QColor(0xff, 0xab, 0x91), QColor(0xb3, 0x9d, 0xdb), QColor(0xe6, 0xee, 0x9c),
    QColor(0x80, 0xde, 0xea), QColor(0xff, 0xcc, 0x80), QColor(0xbc, 0xaa, 0xa4),
    QColor(0xef, 0x9a, 0x9a),
};

QColor traceColour(int trace)
{
    constexpr int count = int(std::size(kTraceColours));
    return kTraceColours[trace % count];
}

// The time between grid lines: at most six across the span.
qint64 tickMs(qint64 spanMs)
{
    static const qint64 steps[] = {1000, 2000, 5000, 10000, 15000, 20000, 30000, 60000};
    for (qint64 step : steps) {
        if (spanMs / step <= 6)
            return step;
    }
    return 120000;
}

} // namespace

SensorChart::SensorChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SensorChart"));
    // Every frame paints every pixel: nothing behind the chart needs to be drawn first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    renewSizes();
}

void SensorChart::renewSizes()
{
    const AppContext &context = AppContext::instance();
    m_analogLaneHeight = context.dimension(QStringLiteral("SensorAnalogLaneHeight"), 48);
    m_digitalLaneHeight = context.dimension(QStringLiteral("SensorDigitalLaneHeight"), 24);
    m_grabDistance = context.dimension(QStringLiteral("SensorThresholdGrab"), 6);
    // From the application's font, which a language change replaces.
    QFont small = QApplication::font();
    small.setPixelSize(qMax(6, context.dimension(QStringLiteral("SensorChartTextSize"), 11)));
    setFont(small);
    forgetTexts();
    m_stripValid = false;
    layoutLanes();
    updateGeometry();
    update();
}

void SensorChart::setTraces(const QList<SensorTrace> &traces, const QStringList &captions)
{
    m_traces = traces;
    m_captions = captions;
    m_captionTexts.clear();
    m_stripValid = false;
    layoutLanes();
    updateGeometry();
    update();
}

void SensorChart::setRecord(const SensorRecord *record)
{
    m_record = record;
    m_stripValid = false;
    update();
}

void SensorChart::setSpanMs(qint64 spanMs)
{
    m_spanMs = qMax<qint64>(1000, spanMs);
    m_stripValid = false;
    update();
}

void SensorChart::setThresholds(const QList<ConditionThreshold> &thresholds)
{
    if (thresholds == m_thresholds && !m_drag.isValid())
        return;
    m_thresholds = thresholds;
    m_drag = {};
    m_hover = {};
    unsetCursor();
    update();
}

void SensorChart::setMessage(const QString &text)
{
    if (text == m_message)
        return;
    m_message = text;
    update();
}

void SensorChart::setSecondsPattern(const QString &pattern)
{
    m_secondsPattern = pattern;
    m_secondTexts.clear();
    update();
}

int SensorChart::frameMs() const
{
    const int width = stripWidth();
    const int perPixel = width > 0 ? int(m_spanMs / width) : kFrameMs;
    return qBound(kFrameMs, perPixel, kSlowestFrameMs);
}

void SensorChart::recordChanged()
{
    if (isVisible() && !m_frameTimer.isActive())
        m_frameTimer.start(frameMs());
}

void SensorChart::forgetTexts()
{
    m_captionTexts.clear();
    m_numberTexts.clear();
    m_secondTexts.clear();
}

const QStaticText &SensorChart::number(int value)
{
    auto it = m_numberTexts.find(value);
    if (it == m_numberTexts.end()) {
        it = m_numberTexts.insert(value, QStaticText(QString::number(value)));
        it->setTextFormat(Qt::PlainText);
        it->prepare(QTransform(), font());
    }
    return *it;
}

const QStaticText &SensorChart::seconds(qint64 seconds)
{
    // Labels of times long gone are dropped now and then, so an hour of running keeps few.
    if (m_secondTexts.size() > 64)
        m_secondTexts.clear();
    auto it = m_secondTexts.find(seconds);
    if (it == m_secondTexts.end()) {
        it = m_secondTexts.insert(seconds, QStaticText(m_secondsPattern.arg(seconds)));
        it->setTextFormat(Qt::PlainText);
        it->prepare(QTransform(), font());
    }
    return *it;
}

int SensorChart::axisHeight() const
{
    return fontMetrics().height() + 4;
}

int SensorChart::captionHeight() const
{
    // A line of the chart's text, as the time axis has.
    return axisHeight();
}

void SensorChart::layoutLanes()
{
    m_lanes.clear();
    // Whole pixels across, so that a pixel column of the plots is one column of the ring.
    const QRectF area =
        QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin - axisHeight());
    int analog = 0;
    for (const SensorTrace &trace : std::as_const(m_traces))
        analog += trace.digital ? 0 : 1;
    const int digital = int(m_traces.size()) - analog;
    const double gaps = kLaneGap * qMax(0, int(m_traces.size()) - 1);
    // Each lane has a line for its caption above its plot, so the caption hides no trace.
    const double digitalHeight = captionHeight() + m_digitalLaneHeight;
    // Analog lanes share what the digital ones leave, never below their least height.
    const double analogHeight =
        analog == 0 ? 0
                    : qMax<double>(captionHeight() + m_analogLaneHeight,
                                   (area.height() - gaps - digital * digitalHeight) / analog);
    double y = area.top();
    for (const SensorTrace &trace : std::as_const(m_traces)) {
        const double height = trace.digital ? digitalHeight : analogHeight;
        m_lanes.append(QRectF(area.left(), y, area.width(), height));
        y += height + kLaneGap;
    }
}

QRectF SensorChart::captionRect(int trace) const
{
    if (trace < 0 || trace >= m_lanes.size())
        return {};
    const QRectF lane = m_lanes.at(trace);
    return {lane.left(), lane.top(), lane.width(), double(captionHeight())};
}

QRectF SensorChart::plotRect(int trace) const
{
    if (trace < 0 || trace >= m_lanes.size())
        return {};
    // Room above and below, so that lines at 0 and 255 are not lost on the lane's edge.
    const double inset = m_traces.at(trace).digital ? 5 : 3;
    return m_lanes.at(trace).adjusted(0, captionHeight() + inset, 0, -inset);
}

int SensorChart::analogTraceOf(const QString &pinLabel) const
{
    for (int i = 0; i < m_traces.size(); ++i) {
        if (!m_traces.at(i).digital && m_traces.at(i).pinLabel == pinLabel)
            return i;
    }
    return -1;
}

QPointF SensorChart::levelPoint(int threshold, int which) const
{
    if (threshold < 0 || threshold >= m_thresholds.size())
        return {};
    const QRectF plot = plotRect(analogTraceOf(m_thresholds.at(threshold).pin));
    if (plot.isNull())
        return {};
    return {plot.center().x(), ConditionLevels::yForLevel(shownLevel(threshold, which), plot)};
}

int SensorChart::shownLevel(int threshold, int which) const
{
    if (m_drag == Handle{threshold, which})
        return m_dragLevel;
    const ConditionThreshold &level = m_thresholds.at(threshold);
    return which == 0 ? level.level : level.level2;
}

SensorChart::Handle SensorChart::handleAt(const QPointF &point) const
{
    Handle best;
    double bestDistance = m_grabDistance + 0.5;
    for (int t = 0; t < m_thresholds.size(); ++t) {
        const QRectF plot = plotRect(analogTraceOf(m_thresholds.at(t).pin));
        if (plot.isNull() || point.x() < plot.left() || point.x() > plot.right())
            continue;
        const int levels = m_thresholds.at(t).isBand() ? 2 : 1;
        for (int which = 0; which < levels; ++which) {
            const double distance =
                std::abs(point.y() - ConditionLevels::yForLevel(shownLevel(t, which), plot));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = {t, which};
            }
        }
    }
    return best;
}

QSize SensorChart::minimumSizeHint() const
{
    int height = 2 * int(kMargin) + axisHeight();
    for (const SensorTrace &trace : m_traces)
        height += captionHeight() + (trace.digital ? m_digitalLaneHeight : m_analogLaneHeight) +
                  int(kLaneGap);
    return {160, qMax(height, 3 * axisHeight())};
}

QSize SensorChart::sizeHint() const
{
    const QSize least = minimumSizeHint();
    // No wider than it must be: the program area takes the width the panel leaves.
    return {least.width(), least.height() + m_analogLaneHeight};
}

void SensorChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_captionTexts.clear(); // elided to the lanes' width
    m_stripValid = false;
    layoutLanes();
}

qint64 SensorChart::firstTickMs(qint64 column, qint64 stepMs) const
{
    return (startOfColumn(column) + stepMs - 1) / stepMs * stepMs;
}

int SensorChart::stripWidth() const
{
    return m_lanes.isEmpty() ? 0 : int(m_lanes.first().width());
}

qint64 SensorChart::columnOf(qint64 timeMs) const
{
    return qMax<qint64>(0, timeMs) * stripWidth() / m_spanMs;
}

qint64 SensorChart::startOfColumn(qint64 column) const
{
    const int width = qMax(1, stripWidth());
    return (qMax<qint64>(0, column) * m_spanMs + width - 1) / width;
}

void SensorChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    ++m_frames;
    const int width = stripWidth();
    const int left = int(kMargin);
    const bool haveData = m_record && !m_record->isEmpty();
    if (width <= 0) {
        painter.fillRect(rect(), kBackground);
    } else if (!haveData) {
        // Empty lanes need no ring: it is made when the first sample comes.
        painter.fillRect(rect(), kBackground);
        for (const QRectF &lane : std::as_const(m_lanes))
            painter.fillRect(lane, kLane);
        drawTimeAxis(painter, 0);
    } else {
        // The newest sample sits at the right edge; until the span is full the record grows
        // from the left.
        const qint64 right = qMax<qint64>(width - 1, columnOf(m_record->last().timeMs));
        updateStrip(right);
        const qint64 first = right - width + 1;
        const int split = int(first % width);
        painter.fillRect(QRect(0, 0, left, height()), kBackground);
        painter.fillRect(QRect(left + width, 0, this->width() - left - width, height()),
                         kBackground);
        painter.drawImage(QPoint(left, 0), m_strip, QRect(split, 0, width - split, height()));
        if (split > 0)
            painter.drawImage(QPoint(left + width - split, 0), m_strip,
                              QRect(0, 0, split, height()));
        drawTimeAxis(painter, first);
    }
    drawThresholds(painter);
    for (int i = 0; i < m_lanes.size(); ++i)
        drawCaption(painter, i);

    if (!m_message.isEmpty()) {
        const QRectF area = QRectF(rect()).adjusted(12, 12, -12, -12);
        const QRectF box = painter.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, m_message)
                               .adjusted(-8, -6, 8, 6);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kCaptionBox);
        painter.drawRoundedRect(box, 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }
}

void SensorChart::updateStrip(qint64 rightColumn)
{
    const int width = stripWidth();
    const QSize size(width, height());
    if (m_strip.size() != size) {
        m_strip = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_stripValid = false;
    }
    const int samples = m_record ? m_record->size() : 0;
    // A cleared record or a right edge that went back (a clear, another span) draws anew.
    if (samples < m_stripSamples || rightColumn < m_stripRight)
        m_stripValid = false;
    qint64 first = rightColumn - width + 1;
    if (m_stripValid)
        first = qMax(first, m_stripOpen);
    if (first <= rightColumn)
        drawColumns(first, rightColumn);
    m_stripValid = true;
    m_stripRight = rightColumn;
    m_stripSamples = samples;
    m_stripOpen = samples > 0 ? qMin(columnOf(m_record->last().timeMs), rightColumn) : rightColumn;
}

void SensorChart::drawColumns(qint64 first, qint64 last)
{
    const int width = stripWidth();
    const bool haveData = m_record && !m_record->isEmpty();
    const qint64 step = tickMs(m_spanMs);
    const double gridTop = m_lanes.first().top();
    const double gridBottom = m_lanes.last().bottom();
    QPainter painter(&m_strip);
    // The columns land in the ring in at most two runs: up to its right end, and on from x 0.
    const qint64 base = first / width * width;
    for (qint64 pass = base; pass <= last; pass += width) {
        const qint64 from = qMax(first, pass);
        const qint64 to = qMin(last, pass + width - 1);
        if (from > to)
            continue;
        painter.save();
        painter.setClipRect(QRect(int(from - pass), 0, int(to - from + 1), height()));
        // From here on x is the column on the time axis.
        painter.translate(double(-pass), 0);
        const QRectF columns(double(from), 0, double(to - from + 1), height());
        painter.fillRect(columns, kBackground);
        painter.setPen(QPen(kGrid, 1));
        for (int i = 0; i < m_lanes.size(); ++i) {
            const QRectF lane = m_lanes.at(i);
            painter.fillRect(QRectF(columns.left(), lane.top(), columns.width(), lane.height()),
                             kLane);
            if (!m_traces.at(i).digital) {
                const double middle = std::floor(plotRect(i).center().y()) + 0.5;
                painter.drawLine(QLineF(columns.left(), middle, columns.right(), middle));
            }
        }
        for (qint64 tick = firstTickMs(from, step); columnOf(tick) <= to; tick += step) {
            const double x = double(columnOf(tick)) + 0.5;
            painter.drawLine(QLineF(x, gridTop, x, gridBottom));
        }
        if (haveData) {
            for (int i = 0; i < m_lanes.size(); ++i)
                drawTrace(painter, i, from, to);
        }
        painter.restore();
    }
}

void SensorChart::drawTimeAxis(QPainter &painter, qint64 firstColumn)
{
    const qint64 step = tickMs(m_spanMs);
    const int width = stripWidth();
    const double left = kMargin;
    const double top = height() - kMargin - axisHeight() + 2;
    const qint64 lastColumn = firstColumn + width - 1;
    painter.setPen(Qt::white);
    // A narrow chart labels every second or third line, so that no two labels touch: which lines
    // follows the time, so the labels do not jump while the chart scrolls.
    const double lineGap = double(width) * double(step) / double(qMax<qint64>(1, m_spanMs));
    const double widest =
        seconds((startOfColumn(lastColumn) / step + 1) * step / 1000).size().width();
    const qint64 every = qMax<qint64>(1, qint64(std::ceil((widest + kLabelGap) / lineGap)));
    double previousRight = -1e9;
    for (qint64 tick = firstTickMs(firstColumn, step); columnOf(tick) <= lastColumn; tick += step) {
        if ((tick / step) % every != 0)
            continue;
        const double x = left + double(columnOf(tick) - firstColumn) + 0.5;
        const QStaticText &label = seconds(tick / 1000);
        const double labelWidth = label.size().width();
        const double labelLeft = qBound(left, x - labelWidth / 2, left + width - labelWidth);
        // A label pushed in from the edge may still meet its neighbour: then it is left out.
        if (labelLeft < previousRight + kLabelGap)
            continue;
        painter.drawStaticText(QPointF(labelLeft, top), label);
        previousRight = labelLeft + labelWidth;
    }
}

void SensorChart::drawTrace(QPainter &painter, int trace, qint64 first, qint64 last)
{
    const SensorTrace &info = m_traces.at(trace);
    const QRectF plot = plotRect(trace);
    const int width = stripWidth();
    const double scale = plot.height() / 255.0;
    const auto yOf = [&](int value) {
        if (info.digital)
            return value ? plot.top() : plot.bottom();
        return plot.bottom() - value * scale;
    };

    painter.setPen(QPen(traceColour(trace), 2));
    m_points.clear();

    // Many samples to a pixel column become that column's lowest and highest value, in the
    // order they came: the line keeps every peak while no more than two points a column are
    // drawn.
    qint64 column = -1;
    double columnX = 0;
    double lowest = 0;
    double highest = 0;
    bool lowestFirst = true;
    const auto flushColumn = [&] {
        if (column < 0)
            return;
        m_points.append(QPointF(columnX, lowestFirst ? lowest : highest));
        if (highest > lowest)
            m_points.append(QPointF(columnX, lowestFirst ? highest : lowest));
        column = -1;
    };
    const auto addPoint = [&](qint64 at, double x, double y) {
        if (at == column) {
            if (y < lowest) {
                lowest = y;
                lowestFirst = false; // the low came after the high seen so far
            } else if (y > highest) {
                highest = y;
                lowestFirst = true;
            }
            return;
        }
        flushColumn();
        column = at;
        columnX = x;
        lowest = highest = y;
        lowestFirst = true;
    };
    const auto drawPoints = [&] {
        flushColumn();
        if (m_points.size() == 1)
            m_points.append(m_points.constFirst() + QPointF(1, 0));
        if (!m_points.isEmpty())
            painter.drawPolyline(m_points);
        m_points.clear();
    };

    // From the whole column of the last sample before the first column, so that the line comes
    // in exactly as when every column is drawn; up to the first sample past the last column.
    int index = m_record->firstAtOrAfter(startOfColumn(first));
    if (index > 0)
        index = m_record->firstAtOrAfter(startOfColumn(columnOf(m_record->at(index - 1).timeMs)));
    const qint64 end = startOfColumn(last + 1);
    qint64 previousTime = -1;
    double previousY = 0;
    for (; index < m_record->size(); ++index) {
        const SensorSample &sample = m_record->at(index);
        const int value = sample.value(info.digital, info.input);
        if (value < 0)
            break; // an input the reports do not carry
        const qint64 at = sample.timeMs * width / m_spanMs;
        const double x = double(sample.timeMs) * width / double(m_spanMs);
        const double y = yOf(value);
        if (previousTime >= 0 && sample.timeMs - previousTime > kGapMs) {
            drawPoints();
            previousTime = -1;
        }
        if (info.digital && previousTime >= 0 && y != previousY)
            addPoint(at, x, previousY);
        addPoint(at, x, y);
        previousTime = sample.timeMs;
        previousY = y;
        if (sample.timeMs >= end)
            break;
    }
    drawPoints();
}

void SensorChart::drawThresholds(QPainter &painter)
{
    const QFontMetrics metrics = fontMetrics();
    for (int t = 0; t < m_thresholds.size(); ++t) {
        const ConditionThreshold &threshold = m_thresholds.at(t);
        const int trace = analogTraceOf(threshold.pin);
        if (trace < 0)
            continue;
        const QRectF plot = plotRect(trace);
        const int levels = threshold.isBand() ? 2 : 1;
        const double y0 = ConditionLevels::yForLevel(shownLevel(t, 0), plot);
        const double y1 = levels == 2 ? ConditionLevels::yForLevel(shownLevel(t, 1), plot) : y0;
        const double high = qMin(y0, y1); // the greater value is nearer the top
        const double low = qMax(y0, y1);

        // Shaded where the condition holds.
        painter.save();
        painter.setClipRect(plot);
        const QString &equation = threshold.equation;
        if (equation == QLatin1String("greater"))
            painter.fillRect(QRectF(plot.topLeft(), QPointF(plot.right(), y0)), kHolds);
        else if (equation == QLatin1String("smaller"))
            painter.fillRect(QRectF(QPointF(plot.left(), y0), plot.bottomRight()), kHolds);
        else if (equation == QLatin1String("equals"))
            painter.fillRect(QRectF(plot.left(), y0 - 2, plot.width(), 4), kHolds);
        else if (equation == QLatin1String("inside"))
            painter.fillRect(QRectF(plot.left(), high, plot.width(), low - high), kHolds);
        else if (equation == QLatin1String("outside")) {
            painter.fillRect(QRectF(plot.topLeft(), QPointF(plot.right(), high)), kHolds);
            painter.fillRect(QRectF(QPointF(plot.left(), low), plot.bottomRight()), kHolds);
        }
        painter.restore();

        for (int which = 0; which < levels; ++which) {
            const Handle handle{t, which};
            const bool active = handle == m_drag || (!m_drag.isValid() && handle == m_hover);
            const QColor colour = active ? kThresholdActive : kThreshold;
            const double y = which == 0 ? y0 : y1;
            painter.setPen(QPen(colour, active ? 2.5 : 1.5, active ? Qt::SolidLine : Qt::DashLine));
            painter.drawLine(QLineF(plot.left(), y, plot.right(), y));
            // The level's value on a tab at the right end, which is also the place to grab.
            const QStaticText &value = number(shownLevel(t, which));
            const double width = value.size().width() + 2 * kCaptionPadding;
            const double height = metrics.height();
            const QRectF tab(plot.right() - width,
                             qBound(plot.top(), y - height / 2, plot.bottom() - height), width,
                             height);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawRoundedRect(tab, 3, 3);
            painter.setPen(kBackground);
            painter.drawStaticText(
                tab.center() - QPointF(value.size().width() / 2, value.size().height() / 2), value);
        }
    }
}

void SensorChart::drawCaption(QPainter &painter, int trace)
{
    const QFontMetrics metrics = fontMetrics();
    const QRectF lane = m_lanes.at(trace);
    const double swatch = metrics.height() / 2.0;
    int value = -1;
    if (m_record && !m_record->isEmpty())
        value = m_record->last().value(m_traces.at(trace).digital, m_traces.at(trace).input);
    const QStaticText *shown = value >= 0 ? &number(value) : nullptr;
    const double valueWidth = shown ? shown->size().width() + 2 * kCaptionPadding : 0;

    if (m_captionTexts.size() != m_traces.size()) {
        m_captionTexts.clear();
        const int room = int(lane.width() - swatch - 6 * kCaptionPadding -
                             metrics.horizontalAdvance(QStringLiteral("255")));
        for (const QString &caption : std::as_const(m_captions)) {
            QStaticText text(metrics.elidedText(caption, Qt::ElideRight, qMax(0, room)));
            text.setTextFormat(Qt::PlainText);
            text.prepare(QTransform(), font());
            m_captionTexts.append(text);
        }
        while (m_captionTexts.size() < m_traces.size())
            m_captionTexts.append(QStaticText());
    }
    const QStaticText &caption = m_captionTexts.at(trace);
    const double width = caption.size().width() + swatch + 3 * kCaptionPadding + valueWidth;
    const QRectF line = captionRect(trace);
    const QRectF box(line.left() + 1, line.top() + 1, qMin(width, line.width() - 2),
                     line.height() - 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kCaptionBox);
    painter.drawRoundedRect(box, 3, 3);
    painter.setBrush(traceColour(trace));
    painter.drawRect(
        QRectF(box.left() + kCaptionPadding, box.center().y() - swatch / 2, swatch, swatch));
    painter.setPen(Qt::white);
    const double textLeft = box.left() + swatch + 2 * kCaptionPadding;
    const double textTop = box.top() + 1;
    painter.drawStaticText(QPointF(textLeft, textTop), caption);
    if (shown)
        painter.drawStaticText(
            QPointF(textLeft + caption.size().width() + 2 * kCaptionPadding, textTop), *shown);
}

void SensorChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Handle handle = handleAt(event->position());
    if (!handle.isValid())
        return;
    m_drag = handle;
    m_dragLevel = shownLevel(handle.threshold, handle.which);
    setCursor(Qt::SizeVerCursor);
    update();
}

void SensorChart::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag.isValid()) {
        const ConditionThreshold &threshold = m_thresholds.at(m_drag.threshold);
        const QRectF plot = plotRect(analogTraceOf(threshold.pin));
        m_dragLevel = ConditionLevels::boundedLevel(
            threshold, m_drag.which, ConditionLevels::levelAtY(event->position().y(), plot));
        update();
        return;
    }
    const Handle hover = handleAt(event->position());
    if (hover == m_hover)
        return;
    m_hover = hover;
    if (hover.isValid())
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
    update();
}

void SensorChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_drag.isValid())
        return;
    const Handle handle = std::exchange(m_drag, Handle{});
    const ConditionThreshold threshold = m_thresholds.at(handle.threshold);
    const int before = handle.which == 0 ? threshold.level : threshold.level2;
    update();
    if (m_dragLevel != before)
        emit levelChosen(threshold.condition, handle.which, m_dragLevel);
}

bool SensorChart::event(QEvent *event)
{
    // While a level is dragged, Escape belongs to the drag, not to the window's stop key.
    if (event->type() == QEvent::ShortcutOverride && m_drag.isValid() &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void SensorChart::keyPressEvent(QKeyEvent *event)
{
    // Escape takes a drag back.
    if (event->key() == Qt::Key_Escape && m_drag.isValid()) {
        m_drag = {};
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SensorChart::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_hover.isValid() && !m_drag.isValid()) {
        m_hover = {};
        unsetCursor();
        update();
    }
}
