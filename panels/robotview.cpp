#include "robotview.h"

#include "programvalues.h"
#include "robotsimulation.h"
#include "virtualcontroller.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <QtMath>

#include <cmath>

namespace {
constexpr int kMargin = 6;
constexpr double kMarkRadiusPx = 6;
constexpr double kWheelTurnDegrees = 15;
const QColor kBodyColor(40, 120, 200, 170);
const QColor kWallColor(70, 60, 50);

QString noteName(int noteByte)
{
    static const char *names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int note = (noteByte >> 4) & 0x0F;
    if (note < 1 || note > 12)
        return {};
    return QString::fromLatin1(names[note - 1]) + QString::number(noteByte & 0x0F);
}
} // namespace

RobotView::RobotView(RobotSimulation *simulation, VirtualController *controller, QWidget *parent)
    : QWidget(parent)
    , m_simulation(simulation)
    , m_controller(controller)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    m_clock.start();
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        if (m_dirty)
            update();
    });
    m_frameTimer.start();
    if (m_simulation) {
        connect(m_simulation, &RobotSimulation::worldChanged, this, &RobotView::worldChanged);
        connect(m_simulation, &RobotSimulation::stepped, this, &RobotView::scheduleFrame);
        connect(m_simulation, &RobotSimulation::configurationChanged, this,
                &RobotView::scheduleFrame);
    }
    if (m_controller)
        connect(m_controller, &VirtualController::outputsChanged, this, &RobotView::noteOutputs);
    worldChanged();
}

QSize RobotView::sizeHint() const
{
    return {300, 220};
}

void RobotView::scheduleFrame()
{
    m_dirty = true;
}

void RobotView::worldChanged()
{
    layoutFloor();
    m_dirty = true;
    update();
}

void RobotView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutFloor();
}

void RobotView::layoutFloor()
{
    m_floor = QPixmap();
    if (!m_simulation)
        return;
    const RobotWorld &world = m_simulation->model().world();
    if (world.floor().isNull() || world.widthMm() <= 0 || world.heightMm() <= 0)
        return;
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    m_pixelsPerMm = qMin(area.width() / world.widthMm(), area.height() / world.heightMm());
    const QSizeF size(world.widthMm() * m_pixelsPerMm, world.heightMm() * m_pixelsPerMm);
    const QPointF topLeft(area.center().x() - size.width() / 2,
                          area.center().y() - size.height() / 2);
    // Floor y grows upwards, the widget's downwards.
    m_toWidget =
        QTransform(m_pixelsPerMm, 0, 0, -m_pixelsPerMm, topLeft.x(), topLeft.y() + size.height());
    // Scaling the picture once per size keeps every frame a plain copy, however big the floor.
    // In the backing store's own format, so that a frame copies the floor without converting
    // its grey levels pixel by pixel.
    m_floor = QPixmap::fromImage(
        world.floor()
            .scaled(size.toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied));
    m_dirty = true;
}

QPointF RobotView::widgetToFloor(const QPointF &point) const
{
    return m_toWidget.inverted().map(point);
}

void RobotView::noteOutputs()
{
    if (!m_controller)
        return;
    const SimulatedOutputs &outputs = m_controller->outputs();
    if (outputs.note != m_note || outputs.noteTenths != m_noteTenths) {
        m_note = outputs.note;
        m_noteTenths = outputs.noteTenths;
        m_noteUntil = m_clock.elapsed() + qint64(qMax(3, outputs.noteTenths)) * 100;
    }
    m_dirty = true;
}

void RobotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window).darker(130));
    if (!m_simulation || m_floor.isNull()) {
        m_dirty = false;
        return;
    }
    const QPointF floorTopLeft =
        m_toWidget.map(QPointF(0, m_simulation->model().world().heightMm()));
    painter.drawPixmap(floorTopLeft, m_floor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kWallColor, qMax(2.0, 8 * m_pixelsPerMm), Qt::SolidLine, Qt::RoundCap));
    for (const QLineF &wall : m_simulation->model().world().walls())
        painter.drawLine(m_toWidget.map(wall));
    drawRobot(painter);
    ++m_frames;
    // A note on show needs one more frame once it is over.
    m_dirty = m_note >= 0 && m_clock.elapsed() < m_noteUntil;
}

void RobotView::drawRobot(QPainter &painter) const
{
    const RobotModel &model = m_simulation->model();
    const RobotBody &body = model.world().body();
    const RobotPose pose = model.pose();

    painter.save();
    // From here on: millimetres in the robot's frame, x forward, y left.
    painter.setTransform(m_toWidget);
    painter.translate(pose.x, pose.y);
    painter.rotate(pose.heading);
    const double px = 1.0 / m_pixelsPerMm; // one widget pixel in millimetres

    painter.setPen(QPen(Qt::black, 1.5 * px));
    painter.setBrush(kBodyColor);
    painter.drawEllipse(QPointF(0, 0), body.radius, body.radius);
    // Wheels, darker while they turn.
    const WheelSpeeds wheels = model.wheelSpeeds();
    const double wheelLength = qMin(body.radius, 50.0);
    const double wheelWidth = qMin(body.radius / 3, 16.0);
    for (int side = 0; side < 2; ++side) {
        const double y = (side == 0 ? 1 : -1) * body.wheelBase / 2;
        const double speed = side == 0 ? wheels.left : wheels.right;
        painter.setBrush(speed == 0 ? QColor(90, 90, 90) : QColor(20, 20, 20));
        painter.drawRoundedRect(
            QRectF(-wheelLength / 2, y - wheelWidth / 2, wheelLength, wheelWidth), 2 * px, 2 * px);
    }
    // Heading arrow.
    painter.setPen(QPen(Qt::white, 2.5 * px, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(-body.radius * 0.3, 0), QPointF(body.radius * 0.8, 0));
    painter.drawLine(QPointF(body.radius * 0.8, 0), QPointF(body.radius * 0.6, body.radius * 0.15));
    painter.drawLine(QPointF(body.radius * 0.8, 0),
                     QPointF(body.radius * 0.6, -body.radius * 0.15));

    if (m_controller) {
        const SimulatedOutputs &outputs = m_controller->outputs();
        // The 8x8 matrix on the robot's back, its top row towards the front.
        bool anyDot = false;
        for (quint8 row : outputs.matrix)
            anyDot = anyDot || row != 0;
        if (anyDot) {
            const double cell = body.radius * 0.9 / 8;
            const QPointF origin(-body.radius * 0.05, 4 * cell);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(20, 20, 30, 200));
            painter.drawRect(QRectF(origin.x() - 8 * cell, -4 * cell, 8 * cell, 8 * cell));
            painter.setBrush(QColor(255, 70, 60));
            for (int row = 0; row < 8; ++row) {
                for (int column = 0; column < 8; ++column) {
                    if (outputs.matrix[row] & (0x80 >> column)) {
                        painter.drawEllipse(QPointF(origin.x() - (row + 0.5) * cell,
                                                    origin.y() - (column + 0.5) * cell),
                                            cell * 0.4, cell * 0.4);
                    }
                }
            }
        }
        // LEDs in a row across the back, lit or dark.
        int index = 0;
        for (auto it = outputs.leds.cbegin(); it != outputs.leds.cend(); ++it, ++index) {
            const double y = (index - (outputs.leds.size() - 1) / 2.0) * 14;
            painter.setPen(QPen(Qt::black, px));
            painter.setBrush(it.value() ? QColor(255, 220, 40) : QColor(90, 80, 40));
            painter.drawEllipse(QPointF(-body.radius * 0.8, y), 6, 6);
        }
        // Servo arms: 0-180 swept across the robot's front half.
        index = 0;
        for (auto it = outputs.servos.cbegin(); it != outputs.servos.cend(); ++it, ++index) {
            const QPointF hub(-body.radius * 0.4 + index * 20, 0);
            const double angle = qDegreesToRadians(double(it.value()) - 90);
            painter.setPen(QPen(QColor(250, 250, 250), 4 * px, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(hub, hub + QPointF(std::cos(angle), std::sin(angle)) * 25);
        }
    }

    // Sensors: floor sensors show the grey they read, distance sensors their beam, buttons
    // turn red while pressed.
    for (auto it = model.configuration().gadgets().cbegin();
         it != model.configuration().gadgets().cend(); ++it) {
        const int gadget = it.value();
        if (!RobotConfiguration::isSensor(gadget) || RobotConfiguration::isSlider(gadget))
            continue;
        const SensorMount mount = model.mountFor(it.key());
        const int value = model.reading(it.key());
        const QPointF at(mount.x, mount.y);
        if (gadget == RobotConfiguration::DistanceSensor) {
            const double reach = value >= 255 ? 2550 : value * body.distanceMmPerUnit;
            const double a = qDegreesToRadians(mount.heading);
            painter.setPen(QPen(QColor(255, 60, 60, 160), 1.5 * px, Qt::DashLine));
            painter.drawLine(at, at + QPointF(std::cos(a), std::sin(a)) * reach);
        }
        painter.setPen(QPen(QColor(230, 40, 40), 1.5 * px));
        const double r = kMarkRadiusPx * px;
        if (RobotConfiguration::isPressable(gadget)) {
            painter.setBrush(value ? QColor(230, 40, 40) : QColor(250, 250, 250));
            painter.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
        } else {
            const int grey = RobotConfiguration::isReadByFloor(gadget) ? value : 200;
            painter.setBrush(QColor(grey, grey, grey));
            painter.drawEllipse(at, r, r);
        }
    }
    painter.restore();

    if (m_note >= 0 && m_clock.elapsed() < m_noteUntil) {
        const QString name = noteName(m_note);
        if (!name.isEmpty()) {
            const QPointF at = m_toWidget.map(pose.position()) +
                               QPointF(body.radius * m_pixelsPerMm, -body.radius * m_pixelsPerMm);
            painter.setPen(Qt::black);
            painter.drawText(at, QStringLiteral("\u266A ") + name);
        }
    }
}

int RobotView::pressableAt(const QPointF &point) const
{
    if (!m_simulation)
        return -1;
    const RobotModel &model = m_simulation->model();
    for (auto it = model.configuration().gadgets().cbegin();
         it != model.configuration().gadgets().cend(); ++it) {
        if (!RobotConfiguration::isPressable(it.value()))
            continue;
        const SensorMount mount = model.mountFor(it.key());
        const QPointF at = m_toWidget.map(model.pose().toWorld(mount.x, mount.y));
        if (QLineF(at, point).length() <= kMarkRadiusPx + 3)
            return it.key();
    }
    return -1;
}

void RobotView::placeRobot(const RobotPose &pose)
{
    if (!m_simulation)
        return;
    m_simulation->setPose(pose);
    emit posePlaced(m_simulation->model().pose());
}

void RobotView::mousePressEvent(QMouseEvent *event)
{
    if (!m_simulation || m_floor.isNull())
        return;
    const QPointF floorPoint = widgetToFloor(event->position());
    const RobotPose pose = m_simulation->model().pose();
    if (event->button() == Qt::LeftButton) {
        const int pin = pressableAt(event->position());
        if (pin >= 0) {
            m_drag = Drag::Press;
            m_pressedPin = pin;
            m_simulation->setPressed(pin, true);
            return;
        }
        if (QLineF(floorPoint, pose.position()).length() <=
            m_simulation->model().world().body().radius) {
            m_drag = Drag::Move;
            m_grabOffset = pose.position() - floorPoint;
            setCursor(Qt::ClosedHandCursor);
        }
    } else if (event->button() == Qt::RightButton) {
        m_drag = Drag::Turn;
        mouseMoveEvent(event);
    }
}

void RobotView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_simulation)
        return;
    const QPointF floorPoint = widgetToFloor(event->position());
    RobotPose pose = m_simulation->model().pose();
    if (m_drag == Drag::Move) {
        const QPointF at = floorPoint + m_grabOffset;
        pose.x = qBound(0.0, at.x(), m_simulation->model().world().widthMm());
        pose.y = qBound(0.0, at.y(), m_simulation->model().world().heightMm());
        placeRobot(pose);
    } else if (m_drag == Drag::Turn) {
        const QPointF d = floorPoint - pose.position();
        if (std::hypot(d.x(), d.y()) > 1) {
            pose.heading = qRadiansToDegrees(std::atan2(d.y(), d.x()));
            placeRobot(pose);
        }
    }
}

void RobotView::mouseReleaseEvent(QMouseEvent *)
{
    if (m_drag == Drag::Press && m_simulation && m_pressedPin >= 0)
        m_simulation->setPressed(m_pressedPin, false);
    m_pressedPin = -1;
    m_drag = Drag::None;
    unsetCursor();
}

void RobotView::wheelEvent(QWheelEvent *event)
{
    if (!m_simulation || event->angleDelta().y() == 0)
        return;
    RobotPose pose = m_simulation->model().pose();
    pose.heading += event->angleDelta().y() > 0 ? kWheelTurnDegrees : -kWheelTurnDegrees;
    placeRobot(pose);
    event->accept();
}
