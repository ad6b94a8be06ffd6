#pragma once

#include "robotpose.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QTransform>
#include <QWidget>

class RobotSimulation;
class VirtualController;

// Draws the virtual robot's world and the robot with its outputs (wheels, LEDs, matrix, servos,
// note) and sensors, and lets the user place the robot: drag it to move it, drag with the right
// button or turn the mouse wheel to turn it, and hold a button or touch sensor down with a
// click on its mark.
class RobotView : public QWidget
{
    Q_OBJECT
public:
    // Frames are drawn at most this often, and only when something changed.
    static constexpr int kFrameMs = 16;

    RobotView(RobotSimulation *simulation, VirtualController *controller,
              QWidget *parent = nullptr);

    // Floor millimetres to widget pixels and back, for the current size.
    QTransform floorToWidget() const { return m_toWidget; }
    QPointF widgetToFloor(const QPointF &point) const;
    // Frames drawn so far.
    int framesDrawn() const { return m_frames; }

    QSize sizeHint() const override;

signals:
    // The user put the robot somewhere by hand.
    void posePlaced(const RobotPose &pose);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    enum class Drag
    {
        None,
        Move,
        Turn,
        Press,
    };

    void worldChanged();
    void scheduleFrame();
    void layoutFloor();
    void drawRobot(QPainter &painter) const;
    void placeRobot(const RobotPose &pose);
    // The pressable sensor whose mark is under a widget point, or -1.
    int pressableAt(const QPointF &point) const;
    void noteOutputs();

    QPointer<RobotSimulation> m_simulation;
    QPointer<VirtualController> m_controller;
    QPixmap m_floor;
    QTransform m_toWidget;
    double m_pixelsPerMm = 1;
    QTimer m_frameTimer;
    bool m_dirty = true;
    int m_frames = 0;
    Drag m_drag = Drag::None;
    QPointF m_grabOffset;
    int m_pressedPin = -1;
    // The note playing and until when (ms on m_clock).
    int m_note = -1;
    int m_noteTenths = 0;
    qint64 m_noteUntil = 0;
    QElapsedTimer m_clock;
};
