#include "rangeslider.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

RangeSlider::RangeSlider(int minimum, int maximum, int step, QWidget *parent)
    : QWidget(parent)
    , m_minimum(qMin(minimum, maximum))
    , m_maximum(qMax(minimum, maximum))
    , m_lowerValue(m_minimum)
    , m_upperValue(m_maximum)
    , m_interval(m_maximum - m_minimum)
{
    Q_UNUSED(step);
    setMouseTracking(true);
}

QSize RangeSlider::minimumSizeHint() const
{
    return QSize((margin + handleWidth) * 2, handleHeight);
}

QSize RangeSlider::sizeHint() const
{
    return QSize(200, handleHeight);
}

int RangeSlider::pageStep() const
{
    return m_interval > 9 ? m_interval / 10 : 1;
}

int RangeSlider::span() const
{
    return qMax(0, width() - 2 * margin - 2 * handleWidth);
}

QRect RangeSlider::lowerHandleRect() const
{
    const int left = margin + span() * (m_lowerValue - m_minimum) / interval();
    return QRect(left, (height() - handleHeight) / 2, handleWidth, handleHeight);
}

QRect RangeSlider::upperHandleRect() const
{
    const int left = margin + span() * (m_upperValue - m_minimum) / interval() + handleWidth;
    return QRect(left, (height() - handleHeight) / 2, handleWidth, handleHeight);
}

void RangeSlider::setLowerValue(int value)
{
    m_lowerValue = qBound(m_minimum, value, m_maximum);
    emit lowerValueChanged(m_lowerValue);
    update();
}

void RangeSlider::setUpperValue(int value)
{
    m_upperValue = qBound(m_minimum, value, m_maximum);
    emit upperValueChanged(m_upperValue);
    update();
}

void RangeSlider::setBounds(int minimum, int maximum)
{
    m_minimum = qMin(minimum, maximum);
    m_maximum = qMax(minimum, maximum);
    m_interval = m_maximum - m_minimum;
    // Values outside the new range would draw the handles off the bar.
    if (m_lowerValue < m_minimum || m_lowerValue > m_maximum)
        setLowerValue(m_lowerValue);
    if (m_upperValue < m_minimum || m_upperValue > m_maximum)
        setUpperValue(m_upperValue);
    update();
    emit rangeChanged(m_minimum, m_maximum);
}

void RangeSlider::setMinimum(int minimum)
{
    setBounds(minimum, m_maximum);
}

void RangeSlider::setMaximum(int maximum)
{
    setBounds(m_minimum, maximum);
}

void RangeSlider::setLowerValueSlot(int value)
{
    setLowerValue(value);
}

void RangeSlider::setUpperValueSlot(int value)
{
    setUpperValue(value);
}

void RangeSlider::setMinimumSlot(int min)
{
    setMinimum(min);
}

void RangeSlider::setMaximumSlot(int max)
{
    setMaximum(max);
}

int RangeSlider::valueAt(double handleLeft, int extraOffset) const
{
    if (span() <= 0)
        return m_minimum;
    const double fraction = (handleLeft - margin - extraOffset) / span();
    return m_minimum + static_cast<int>(std::lround(fraction * m_interval));
}

void RangeSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    const QRect lower = lowerHandleRect();
    const QRect upper = upperHandleRect();
    if (lower.contains(pos)) {
        m_lowerPressed = true;
        m_dragOffset = pos.x() - lower.center().x();
        update();
        return;
    }
    if (upper.contains(pos)) {
        m_upperPressed = true;
        m_dragOffset = pos.x() - upper.center().x();
        update();
        return;
    }
    if (pos.y() <= 2 || pos.y() >= height() - 3)
        return;

    const int step = pageStep();
    if (pos.x() < lower.left()) {
        setLowerValue(m_lowerValue - step);
    } else if (pos.x() > upper.right()) {
        setUpperValue(m_upperValue + step);
    } else {
        const double middle = (lower.right() + upper.left()) / 2.0;
        if (pos.x() <= middle)
            setLowerValue(qMin(m_lowerValue + step, m_upperValue));
        else
            setUpperValue(qMax(m_upperValue - step, m_lowerValue));
    }
}

void RangeSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || (!m_lowerPressed && !m_upperPressed)) {
        event->ignore();
        return;
    }
    event->accept();
    // The pointer holds the handle where it was grabbed; the handle's centre follows it.
    const double centre = event->position().x() - m_dragOffset;
    if (m_lowerPressed) {
        const int value = valueAt(centre - handleWidth / 2.0, 0);
        setLowerValue(qMin(value, m_upperValue));
    } else {
        const int value = valueAt(centre - handleWidth / 2.0, handleWidth);
        setUpperValue(qMax(value, m_lowerValue));
    }
}

void RangeSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_lowerPressed)
        setLowerValue(m_lowerValue);
    else if (m_upperPressed)
        setUpperValue(m_upperValue);
    m_lowerPressed = false;
    m_upperPressed = false;
    update();
    emit sliderReleased();
}

void RangeSlider::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_handleColor = isEnabled() ? m_enabledHandleColor : m_disabledHandleColor;
        update();
    }
    QWidget::changeEvent(event);
}

void RangeSlider::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF bar(margin, (height() - barHeight) / 2.0, width() - 2 * margin, barHeight);
    painter.setPen(QPen(QColor(Qt::darkCyan), 0.8));
    painter.setBrush(QColor(Qt::darkCyan));
    painter.drawRoundedRect(bar, 1, 1);

    const QRect lower = lowerHandleRect();
    const QRect upper = upperHandleRect();
    const QRectF between(lower.center().x(), bar.top(), upper.center().x() - lower.center().x(),
                         barHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(Qt::cyan));
    painter.drawRect(between);

    const auto drawHandle = [&](const QRect &rect, bool pressed) {
        painter.setPen(QPen(m_handleColor, 1));
        painter.setBrush(pressed ? QBrush(m_handleColor) : QBrush(Qt::transparent));
        painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    };
    drawHandle(lower, m_lowerPressed);
    drawHandle(upper, m_upperPressed);
}
