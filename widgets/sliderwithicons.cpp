#include "sliderwithicons.h"

#include "appcontext.h"
#include "roundlabel.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

SliderWithIcons::SliderWithIcons(int minimum, int maximum, int step, QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_lower(minimum)
    , m_upper(maximum)
{
    Q_UNUSED(step);
    setMinimumSize(25, 25);
}

QSize SliderWithIcons::sizeHint() const
{
    return QScrollBar::sizeHint().expandedTo(minimumSize());
}

int SliderWithIcons::trackPageStep() const
{
    const int interval = m_maximum - m_minimum;
    return interval > 9 ? interval / 10 : 1;
}

int SliderWithIcons::travel() const
{
    return qMax(0, height() - 2 * margin - m_handleSize.height());
}

QRect SliderWithIcons::handleRect() const
{
    const int range = maximum() - minimum();
    const int offset =
        range > 0 ? static_cast<int>(static_cast<qint64>(travel()) * (value() - minimum()) / range)
                  : 0;
    return QRect((width() - m_handleSize.width()) / 2, margin + offset, m_handleSize.width(),
                 m_handleSize.height());
}

void SliderWithIcons::setLowerValueSlot(int value)
{
    m_lower = value;
    setValue(value);
    emit lowerValueChanged(this->value());
}

void SliderWithIcons::setUpperValueSlot(int value)
{
    m_upper = value;
    emit upperValueChanged(value);
}

void SliderWithIcons::setMinimumSlot(int min)
{
    m_minimum = min;
    update();
}

void SliderWithIcons::setMaximumSlot(int max)
{
    m_maximum = max;
    update();
}

void SliderWithIcons::setLanguage()
{
    AppContext &context = AppContext::instance();
    // The handle lies across the track, so its drawn width comes from the "height" key.
    const int drawnWidth = context.dimension(QStringLiteral("PropertySliderHeight"), 13);
    const int drawnHeight = context.dimension(QStringLiteral("PropertySliderWidth"), 12);
    m_handleSize = QSize(drawnWidth, drawnHeight);
    m_handle = exactPixmap(context.icon(QStringLiteral("prop_scroll.svg")), m_handleSize);
    setMinimumSize(drawnWidth + 5, drawnHeight + 5);
    update();
}

void SliderWithIcons::moveHandleTo(double pointerY)
{
    const int range = maximum() - minimum();
    if (travel() <= 0 || range <= 0)
        return;
    const double top = pointerY - m_handleSize.height() / 2.0 - m_dragOffset - margin;
    const int target = minimum() + static_cast<int>(std::lround(top / travel() * range));
    setValue(qBound(minimum(), target, maximum()));
    emit lowerValueChanged(value());
}

void SliderWithIcons::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QRect handle = handleRect();
    const int y = event->position().toPoint().y();
    if (y >= handle.top() && y <= handle.bottom()) {
        m_pressed = true;
        m_dragOffset = y - handle.center().y();
        return;
    }
    const int step = trackPageStep();
    if (y < handle.top())
        setValue(qBound(minimum(), value() - step, maximum()));
    else
        setValue(qBound(minimum(), value() + step, maximum()));
}

void SliderWithIcons::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    event->accept();
    moveHandleTo(event->position().y());
}

void SliderWithIcons::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    m_pressed = false;
    m_dragOffset = 0;
    update();
    emit sliderReleased();
}

void SliderWithIcons::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF track((width() - trackWidth) / 2.0, margin, trackWidth, height() - 2 * margin);
    painter.setPen(QPen(QColor(36, 133, 182), 4));
    painter.setBrush(QColor(19, 50, 82));
    painter.drawRoundedRect(track, 8, 8);

    if (!m_handle.isNull())
        painter.drawPixmap(handleRect().topLeft(), m_handle);
    else
        painter.fillRect(handleRect(), QColor(36, 133, 182));
}
