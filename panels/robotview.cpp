#include "robotview.h"

#include "programvalues.h"
#include "robotsimulation.h"
#include "virtualcontroller.h"

#include "appcontext.h"
#include "robotconfiguration.h"

#include <QKeyEvent>
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
const QColor kPanelColor(5, 46, 60, 235);
const QColor kLitColor(255, 70, 60);
const QColor kDarkCell(45, 60, 72);
const QColor kLedOn(255, 220, 40);
const QColor kLedOff(90, 80, 40);
// The robot's LEDs are drawn at least this large, however small the floor is shown.
constexpr double kLedRadiusMm = 6;
constexpr double kLedRadiusPx = 4;
// The large outputs take this share of the view's width, and at least kOutputsMinWidth.
constexpr double kOutputsShare = 0.24;
constexpr double kOutputsMinWidth = 160;
// Share of the view each arrow key moves a zoomed view.
constexpr double kPanShare = 0.1;
// A zoomed view follows the robot once it comes this near to the view's edge (share of it).
constexpr double kFollowEdge = 0.2;

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
    // The keys zoom and move the view, so it takes the focus from Tab too.
    setFocusPolicy(Qt::StrongFocus);
    m_clock.start();
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        if (m_dirty)
            update();
    });
    m_frameTimer.start();
    if (m_simulation) {
        connect(m_simulation, &RobotSimulation::worldChanged, this, &RobotView::worldChanged);
        connect(m_simulation, &RobotSimulation::stepped, this, &RobotView::followRobot);
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
    // Another floor is first shown whole.
    m_zoom = 1;
    layoutFloor();
    m_dirty = true;
    update();
}

void RobotView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutFloor();
}

QRectF RobotView::floorArea() const
{
    QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (m_showsOutputs)
        area.setRight(area.right() - qMax(kOutputsMinWidth, width() * kOutputsShare) - kMargin);
    return area;
}

void RobotView::layoutFloor()
{
    m_floor = QPixmap();
    const QRectF area = floorArea();
    m_outputsArea = m_showsOutputs
                        ? QRectF(area.right() + kMargin, kMargin,
                                 width() - area.right() - 2 * kMargin, height() - 2 * kMargin)
                        : QRectF();
    if (!m_simulation)
        return;
    const RobotWorld &world = m_simulation->model().world();
    if (world.floor().isNull() || world.widthMm() <= 0 || world.heightMm() <= 0)
        return;
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const double fit = qMin(area.width() / world.widthMm(), area.height() / world.heightMm());
    m_pixelsPerMm = fit * m_zoom;
    // The middle of a zoomed view stays where the floor still fills it.
    const double halfWidth = area.width() / 2 / m_pixelsPerMm;
    const double halfHeight = area.height() / 2 / m_pixelsPerMm;
    const auto bounded = [](double centre, double half, double extent) {
        return extent <= 2 * half ? extent / 2 : qBound(half, centre, extent - half);
    };
    if (m_zoom <= 1)
        m_centre = QPointF(world.widthMm() / 2, world.heightMm() / 2);
    m_centre = QPointF(bounded(m_centre.x(), halfWidth, world.widthMm()),
                       bounded(m_centre.y(), halfHeight, world.heightMm()));
    // Floor y grows upwards, the widget's downwards.
    m_toWidget = QTransform(m_pixelsPerMm, 0, 0, -m_pixelsPerMm,
                            area.center().x() - m_centre.x() * m_pixelsPerMm,
                            area.center().y() + m_centre.y() * m_pixelsPerMm);
    // Only the part of the picture in view is scaled, once per size and zoom: every frame is a
    // plain copy, however big the floor and however near the view. In the backing store's own
    // format, so that a frame copies the floor without converting its grey levels pixel by pixel.
    const QImage &picture = world.floor();
    const double mmPerPixel = world.mmPerPixel();
    const QRectF seen = m_toWidget.inverted().mapRect(
        m_toWidget.mapRect(QRectF(0, 0, world.widthMm(), world.heightMm())).intersected(area));
    const QRect source =
        QRect(QPoint(int(std::floor(seen.left() / mmPerPixel)),
                     int(std::floor(picture.height() - seen.bottom() / mmPerPixel))),
              QPoint(int(std::ceil(seen.right() / mmPerPixel)) - 1,
                     int(std::ceil(picture.height() - seen.top() / mmPerPixel)) - 1))
            .intersected(picture.rect());
    if (source.isEmpty())
        return;
    m_floorTarget = m_toWidget.mapRect(
        QRectF(source.left() * mmPerPixel, (picture.height() - source.bottom() - 1) * mmPerPixel,
               source.width() * mmPerPixel, source.height() * mmPerPixel));
    m_floor = QPixmap::fromImage(
        picture.copy(source)
            .scaled(m_floorTarget.size().toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied));
    m_dirty = true;
}

void RobotView::setZoom(double zoom, std::optional<QPointF> anchor)
{
    zoom = qBound(1.0, zoom, kMaxZoom);
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    // The floor point under the anchor stays there.
    const QRectF area = floorArea();
    const QPointF at = anchor.value_or(area.center());
    const QPointF floorPoint = widgetToFloor(at);
    const double pixelsPerMm = m_pixelsPerMm / m_zoom * zoom;
    m_zoom = zoom;
    m_centre = QPointF(floorPoint.x() - (at.x() - area.center().x()) / pixelsPerMm,
                       floorPoint.y() + (at.y() - area.center().y()) / pixelsPerMm);
    layoutFloor();
    update();
}

void RobotView::panBy(const QPointF &pixels)
{
    if (m_zoom <= 1)
        return;
    m_centre -= QPointF(pixels.x() / m_pixelsPerMm, -pixels.y() / m_pixelsPerMm);
    layoutFloor();
    update();
}

void RobotView::followRobot()
{
    m_dirty = true;
    if (m_zoom <= 1 || m_drag != Drag::None || !m_simulation)
        return;
    const QRectF area = floorArea();
    const QRectF inner = area.adjusted(area.width() * kFollowEdge, area.height() * kFollowEdge,
                                       -area.width() * kFollowEdge, -area.height() * kFollowEdge);
    const QPointF robot = m_simulation->model().pose().position();
    if (!inner.contains(m_toWidget.map(robot))) {
        m_centre = robot;
        layoutFloor();
    }
}

void RobotView::setShowsOutputs(bool shows)
{
    m_showsOutputs = shows;
    layoutFloor();
    update();
}

double RobotView::pictureCell() const
{
    if (m_outputsArea.isEmpty())
        return 0;
    return qMin((m_outputsArea.width() - 4 * kMargin) / 8, m_outputsArea.height() * 0.4 / 8);
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
    if (outputs.notesPlayed != m_notesPlayed) {
        m_notesPlayed = outputs.notesPlayed;
        m_note = outputs.note;
        m_noteTenths = outputs.noteTenths;
        m_noteUntil = m_clock.elapsed() + qint64(qMax(3, outputs.noteTenths)) * 100;
    }
    if (outputs.melodiesPlayed != m_melodiesPlayed) {
        m_melodiesPlayed = outputs.melodiesPlayed;
        m_melody = outputs.melody;
        // A length unit is a sixteenth note; a quarter note (4 units) is one beat of the tempo.
        m_melodyTempo = outputs.melodyTempo > 0 ? outputs.melodyTempo : 120;
        qint64 units = 0;
        for (int i = 1; i < m_melody.size(); i += 2)
            units += quint8(m_melody.at(i));
        m_melodyStart = m_clock.elapsed();
        m_melodyUntil = m_melodyStart + units * 15000 / m_melodyTempo;
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
    painter.setClipRect(floorArea());
    painter.drawPixmap(m_floorTarget.topLeft(), m_floor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kWallColor, qMax(2.0, 8 * m_pixelsPerMm), Qt::SolidLine, Qt::RoundCap));
    for (const QLineF &wall : m_simulation->model().world().walls())
        painter.drawLine(m_toWidget.map(wall));
    drawRobot(painter);
    painter.setClipping(false);
    drawOutputs(painter);
    ++m_frames;
    // A note or melody on show needs more frames, and one more once it is over.
    const qint64 now = m_clock.elapsed();
    m_dirty = (m_note >= 0 && now < m_noteUntil) || (!m_melody.isEmpty() && now < m_melodyUntil);
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
        const double ledRadius = qMax(kLedRadiusMm, kLedRadiusPx * px);
        for (auto it = outputs.leds.cbegin(); it != outputs.leds.cend(); ++it, ++index) {
            const double y = (index - (outputs.leds.size() - 1) / 2.0) * ledRadius * 2.3;
            painter.setPen(QPen(Qt::black, px));
            painter.setBrush(it.value() ? kLedOn : kLedOff);
            painter.drawEllipse(QPointF(-body.radius * 0.8, y), ledRadius, ledRadius);
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

    const QString note = noteNow();
    if (!note.isEmpty()) {
        const QPointF at = m_toWidget.map(pose.position()) +
                           QPointF(body.radius * m_pixelsPerMm, -body.radius * m_pixelsPerMm);
        QFont font = painter.font();
        font.setPixelSize(qMax(12, int(40 * m_pixelsPerMm)));
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(at, QStringLiteral("\u266A ") + note);
    }
}

QString RobotView::noteNow() const
{
    const qint64 now = m_clock.elapsed();
    if (!m_melody.isEmpty() && now < m_melodyUntil) {
        qint64 end = m_melodyStart;
        for (int i = 0; i + 1 < m_melody.size(); i += 2) {
            end += qint64(quint8(m_melody.at(i + 1))) * 15000 / m_melodyTempo;
            if (now < end) {
                const QString name = noteName(quint8(m_melody.at(i)));
                return name.isEmpty() ? QStringLiteral("\u2013") : name;
            }
        }
    }
    if (m_note >= 0 && now < m_noteUntil)
        return noteName(m_note);
    return {};
}

void RobotView::drawOutputs(QPainter &painter) const
{
    if (m_outputsArea.isEmpty())
        return;
    const AppContext &context = AppContext::instance();
    const double cell = pictureCell();
    const QRectF area = m_outputsArea;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPanelColor);
    painter.drawRoundedRect(area, 12, 12);
    QFont caption = painter.font();
    caption.setPixelSize(qMax(12, int(cell * 0.55)));
    caption.setBold(true);
    const double left = area.left() + 2 * kMargin;
    const double width = area.width() - 4 * kMargin;
    double y = area.top() + kMargin;
    const auto drawCaption = [&](const QString &key) {
        painter.setFont(caption);
        painter.setPen(Qt::white);
        const double height = cell * 0.9;
        painter.drawText(QRectF(left, y, width, height), Qt::AlignLeft | Qt::AlignVCenter,
                         context.text(key));
        y += height;
    };

    const SimulatedOutputs outputs = m_controller ? m_controller->outputs() : SimulatedOutputs{};
    drawCaption(QStringLiteral("RobotOutputsPicture"));
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const bool lit = outputs.matrix[row] & (0x80 >> column);
            painter.setBrush(lit ? kLitColor : kDarkCell);
            painter.drawEllipse(
                QRectF(left + column * cell, y + row * cell, cell, cell)
                    .adjusted(cell * 0.08, cell * 0.08, -cell * 0.08, -cell * 0.08));
        }
    }
    y += 8 * cell + kMargin;

    // Every light the configuration names, lit or dark, with its pin.
    QMap<int, bool> lights = outputs.leds;
    if (m_simulation) {
        const auto &gadgets = m_simulation->model().configuration().gadgets();
        for (auto it = gadgets.cbegin(); it != gadgets.cend(); ++it) {
            if (it.value() == RobotConfiguration::Led && !lights.contains(it.key()))
                lights.insert(it.key(), false);
        }
    }
    const double diameter = cell * 1.6;
    if (!lights.isEmpty())
        drawCaption(QStringLiteral("RobotOutputsLights"));
    double x = left;
    QFont label = caption;
    label.setBold(false);
    label.setPixelSize(qMax(10, int(cell * 0.45)));
    for (auto it = lights.cbegin(); it != lights.cend(); ++it) {
        if (x + diameter > left + width + 1) {
            x = left;
            y += diameter + cell;
        }
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(it.value() ? kLedOn : kLedOff);
        painter.drawEllipse(QRectF(x, y, diameter, diameter));
        painter.setFont(label);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(x - cell, y + diameter, diameter + 2 * cell, cell * 0.8),
                         Qt::AlignCenter, ProgramValues::pinLabel(it.key()));
        x += diameter + cell * 0.8;
    }
    y += (lights.isEmpty() ? 0 : diameter + cell) + kMargin;

    drawCaption(QStringLiteral("RobotOutputsNote"));
    QFont note = caption;
    note.setPixelSize(qMax(16, int(cell * 1.4)));
    painter.setFont(note);
    painter.setPen(QColor(255, 213, 79));
    const QString now = noteNow();
    painter.drawText(QRectF(left, y, width, cell * 2), Qt::AlignLeft | Qt::AlignVCenter,
                     now.isEmpty() ? QStringLiteral("\u2013") : QStringLiteral("\u266A ") + now);
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
        } else if (m_zoom > 1) {
            m_drag = Drag::Pan;
            m_panFrom = event->position();
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
    } else if (m_drag == Drag::Pan) {
        panBy(event->position() - m_panFrom);
        m_panFrom = event->position();
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
    const bool up = event->angleDelta().y() > 0;
    RobotPose pose = m_simulation->model().pose();
    const bool overRobot = QLineF(widgetToFloor(event->position()), pose.position()).length() <=
                           m_simulation->model().world().body().radius;
    if (overRobot && !(event->modifiers() & Qt::ControlModifier)) {
        pose.heading += up ? kWheelTurnDegrees : -kWheelTurnDegrees;
        placeRobot(pose);
    } else {
        setZoom(up ? m_zoom * kZoomStep : m_zoom / kZoomStep, event->position());
    }
    event->accept();
}

void RobotView::keyPressEvent(QKeyEvent *event)
{
    const QRectF area = floorArea();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    case Qt::Key_0:
        setZoom(1);
        break;
    case Qt::Key_Left:
        panBy({area.width() * kPanShare, 0});
        break;
    case Qt::Key_Right:
        panBy({-area.width() * kPanShare, 0});
        break;
    case Qt::Key_Up:
        panBy({0, area.height() * kPanShare});
        break;
    case Qt::Key_Down:
        panBy({0, -area.height() * kPanShare});
        break;
    case Qt::Key_F11:
        emit fullScreenRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
