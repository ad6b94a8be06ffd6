#include "sensorchart.h"

#include "appcontext.h"
#include "sensorrecord.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <climits>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

constexpr double kMargin = 4;
constexpr double kLaneGap = 4;
constexpr double kCaptionPadding = 3;

const QColor kBackground(8, 52, 68);
const QColor kLane(15, 72, 92);
const QColor kGrid(255, 255, 255, 30);
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
    m_frameTimer.setInterval(kFrameMs);
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
    layoutLanes();
    updateGeometry();
    update();
}

void SensorChart::setTraces(const QList<SensorTrace> &traces, const QStringList &captions)
{
    m_traces = traces;
    m_captions = captions;
    layoutLanes();
    updateGeometry();
    update();
}

void SensorChart::setRecord(const SensorRecord *record)
{
    m_record = record;
    update();
}

void SensorChart::setSpanMs(qint64 spanMs)
{
    m_spanMs = qMax<qint64>(1000, spanMs);
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
    update();
}

void SensorChart::recordChanged()
{
    if (isVisible() && !m_frameTimer.isActive())
        m_frameTimer.start();
}

int SensorChart::axisHeight() const
{
    return fontMetrics().height() + 4;
}

void SensorChart::layoutLanes()
{
    m_lanes.clear();
    const QRectF area =
        QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin - axisHeight());
    int analog = 0;
    for (const SensorTrace &trace : std::as_const(m_traces))
        analog += trace.digital ? 0 : 1;
    const int digital = int(m_traces.size()) - analog;
    const double gaps = kLaneGap * qMax(0, int(m_traces.size()) - 1);
    // Analog lanes share what the digital ones leave, never below their least height.
    const double analogHeight =
        analog == 0 ? 0
                    : qMax<double>(m_analogLaneHeight,
                                   (area.height() - gaps - digital * m_digitalLaneHeight) / analog);
    double y = area.top();
    for (const SensorTrace &trace : std::as_const(m_traces)) {
        const double height = trace.digital ? m_digitalLaneHeight : analogHeight;
        m_lanes.append(QRectF(area.left(), y, area.width(), height));
        y += height + kLaneGap;
    }
}

QRectF SensorChart::plotRect(int trace) const
{
    if (trace < 0 || trace >= m_lanes.size())
        return {};
    // Room above and below, so that lines at 0 and 255 are not lost on the lane's edge.
    const double inset = m_traces.at(trace).digital ? 5 : 3;
    return m_lanes.at(trace).adjusted(1, inset, -1, -inset);
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
        height += (trace.digital ? m_digitalLaneHeight : m_analogLaneHeight) + int(kLaneGap);
    return {160, qMax(height, 3 * axisHeight())};
}

QSize SensorChart::sizeHint() const
{
    const QSize least = minimumSizeHint();
    return {320, least.height() + m_analogLaneHeight};
}

void SensorChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutLanes();
}

void SensorChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    ++m_frames;

    // The newest sample sits at the right edge; until the span is full the record grows from
    // the left.
    const bool haveData = m_record && !m_record->isEmpty();
    const qint64 right = qMax(m_spanMs, haveData ? m_record->last().timeMs : 0);
    const qint64 left = right - m_spanMs;

    for (int i = 0; i < m_lanes.size(); ++i) {
        painter.fillRect(m_lanes.at(i), kLane);
        if (!m_traces.at(i).digital) {
            const QRectF plot = plotRect(i);
            painter.setPen(QPen(kGrid, 1, Qt::DotLine));
            painter.drawLine(
                QLineF(plot.left(), plot.center().y(), plot.right(), plot.center().y()));
        }
    }
    drawTimeAxis(painter, left, right);
    if (haveData) {
        for (int i = 0; i < m_lanes.size(); ++i)
            drawLane(painter, i, left, right);
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

void SensorChart::drawTimeAxis(QPainter &painter, qint64 left, qint64 right)
{
    const qint64 step = tickMs(m_spanMs);
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double top = m_lanes.isEmpty() ? area.top() : m_lanes.first().top();
    const double bottom = area.bottom() - axisHeight();
    const double pxPerMs = area.width() / double(right - left);
    const QFontMetrics metrics = fontMetrics();
    for (qint64 t = (left + step - 1) / step * step; t <= right; t += step) {
        const double x = area.left() + (t - left) * pxPerMs;
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QLineF(x, top, x, bottom));
        const QString label = m_secondsPattern.arg(t / 1000);
        const double width = metrics.horizontalAdvance(label);
        const double labelLeft = qBound(area.left(), x - width / 2, area.right() - width);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(labelLeft, bottom + 2, width + 1, axisHeight()),
                         Qt::AlignLeft | Qt::AlignTop, label);
    }
}

void SensorChart::drawLane(QPainter &painter, int trace, qint64 left, qint64 right)
{
    const SensorTrace &info = m_traces.at(trace);
    const QRectF plot = plotRect(trace);
    const double pxPerMs = plot.width() / double(right - left);
    const auto yOf = [&](int value) {
        if (info.digital)
            return value ? plot.top() : plot.bottom();
        return ConditionLevels::yForLevel(value, plot);
    };

    painter.save();
    painter.setClipRect(m_lanes.at(trace));
    painter.setPen(QPen(traceColour(trace), 2));
    m_points.clear();

    // Many samples to a pixel column become that column's first, lowest, highest and last
    // value: the line keeps every peak while a frame draws no more points than the plot is wide.
    int column = INT_MIN;
    double columnX = 0;
    double first = 0;
    double lowest = 0;
    double highest = 0;
    double last = 0;
    const auto flushColumn = [&] {
        if (column == INT_MIN)
            return;
        m_points.append(QPointF(columnX, first));
        if (highest > lowest) {
            m_points.append(QPointF(columnX, lowest));
            m_points.append(QPointF(columnX, highest));
        }
        if (last != m_points.constLast().y())
            m_points.append(QPointF(columnX, last));
        column = INT_MIN;
    };
    const auto addPoint = [&](double x, double y) {
        const int at = int(std::floor(x));
        if (at == column) {
            lowest = qMin(lowest, y);
            highest = qMax(highest, y);
            last = y;
            return;
        }
        flushColumn();
        column = at;
        columnX = x;
        first = lowest = highest = last = y;
    };
    const auto drawPoints = [&] {
        flushColumn();
        if (m_points.size() == 1)
            m_points.append(m_points.constFirst() + QPointF(1, 0));
        if (!m_points.isEmpty())
            painter.drawPolyline(m_points);
        m_points.clear();
    };

    int index = m_record->firstAtOrAfter(left);
    if (index > 0)
        --index; // the line enters from the left edge
    qint64 previousTime = LLONG_MIN;
    double previousY = 0;
    for (; index < m_record->size(); ++index) {
        const SensorSample &sample = m_record->at(index);
        const int value = sample.value(info.digital, info.input);
        if (value < 0)
            break; // an input the reports do not carry
        const double x = plot.left() + (sample.timeMs - left) * pxPerMs;
        const double y = yOf(value);
        if (previousTime != LLONG_MIN && sample.timeMs - previousTime > kGapMs) {
            drawPoints();
            previousTime = LLONG_MIN;
        }
        if (info.digital && previousTime != LLONG_MIN && y != previousY)
            addPoint(x, previousY);
        addPoint(x, y);
        previousTime = sample.timeMs;
        previousY = y;
    }
    drawPoints();
    painter.restore();
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
            const QString value = QString::number(shownLevel(t, which));
            const double width = metrics.horizontalAdvance(value) + 2 * kCaptionPadding;
            const double height = metrics.height();
            const QRectF tab(plot.right() - width,
                             qBound(plot.top(), y - height / 2, plot.bottom() - height), width,
                             height);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawRoundedRect(tab, 3, 3);
            painter.setPen(kBackground);
            painter.drawText(tab, Qt::AlignCenter, value);
        }
    }
}

void SensorChart::drawCaption(QPainter &painter, int trace)
{
    QString text = m_captions.value(trace);
    if (m_record && !m_record->isEmpty()) {
        const int value =
            m_record->last().value(m_traces.at(trace).digital, m_traces.at(trace).input);
        if (value >= 0)
            text += QStringLiteral("  ") + QString::number(value);
    }
    const QFontMetrics metrics = fontMetrics();
    const QRectF lane = m_lanes.at(trace);
    const double swatch = metrics.height() / 2.0;
    const double width =
        qMin(lane.width() - 2, metrics.horizontalAdvance(text) + swatch + 3 * kCaptionPadding + 2);
    const QRectF box(lane.left() + 1, lane.top() + 1, width, metrics.height() + 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kCaptionBox);
    painter.drawRoundedRect(box, 3, 3);
    painter.setBrush(traceColour(trace));
    painter.drawRect(
        QRectF(box.left() + kCaptionPadding, box.center().y() - swatch / 2, swatch, swatch));
    painter.setPen(Qt::white);
    const QRectF textBox = box.adjusted(swatch + 2 * kCaptionPadding, 0, -kCaptionPadding, 0);
    painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, int(textBox.width())));
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
