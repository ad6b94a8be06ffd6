#pragma once

#include "robotpose.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QTransform>
#include <QWidget>

#include <optional>

class RobotSimulation;
class VirtualController;

// Draws the virtual robot's world and the robot with its outputs (wheels, LEDs, matrix, servos,
// note) and sensors, and lets the user place the robot: drag it to move it, drag with the right
// button or turn the mouse wheel over it to turn it, and hold a button or touch sensor down with
// a click on its mark. The wheel elsewhere (or with Ctrl) and the keys +, − and 0 zoom; a drag on
// the floor and the arrow keys move a zoomed view, which also follows the robot. Beside the
// floor it can show the outputs large: the 8x8 picture, the lights and the note, for a class.
class RobotView : public QWidget
{
    Q_OBJECT
public:
    // Frames are drawn at most this often, and only when something changed.
    static constexpr int kFrameMs = 16;
    static constexpr double kMaxZoom = 8;
    static constexpr double kZoomStep = 1.25;

    RobotView(RobotSimulation *simulation, VirtualController *controller,
              QWidget *parent = nullptr);

    // Floor millimetres to widget pixels and back, for the current size.
    QTransform floorToWidget() const { return m_toWidget; }
    QPointF widgetToFloor(const QPointF &point) const;
    // Frames drawn so far.
    int framesDrawn() const { return m_frames; }

    QSize sizeHint() const override;

    // 1 shows the whole floor; more enlarges it around a widget point (the view's middle when
    // none is given).
    double zoom() const { return m_zoom; }
    void setZoom(double zoom, std::optional<QPointF> anchor = std::nullopt);
    void zoomIn() { setZoom(m_zoom * kZoomStep); }
    void zoomOut() { setZoom(m_zoom / kZoomStep); }
    // The floor point in the middle of the view.
    QPointF viewCentre() const { return m_centre; }
    // The outputs drawn large beside the floor; where they are (empty when they are not shown).
    void setShowsOutputs(bool shows);
    QRectF outputsArea() const { return m_outputsArea; }
    // Width of one cell of the large 8x8 picture, in pixels.
    double pictureCell() const;

signals:
    // The user put the robot somewhere by hand.
    void posePlaced(const RobotPose &pose);
    // F11: the view asks for a window of its own on the whole screen (or to leave it).
    void fullScreenRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Drag
    {
        None,
        Move,
        Turn,
        Press,
        Pan,
    };

    void worldChanged();
    void scheduleFrame();
    void layoutFloor();
    void drawRobot(QPainter &painter) const;
    void placeRobot(const RobotPose &pose);
    // The pressable sensor whose mark is under a widget point, or -1.
    int pressableAt(const QPointF &point) const;
    void noteOutputs();
    void followRobot();
    void panBy(const QPointF &pixels);
    QRectF floorArea() const;
    void drawOutputs(QPainter &painter) const;
    // The note sounding now, from a single note or the melody playing; empty when none.
    QString noteNow() const;

    QPointer<RobotSimulation> m_simulation;
    QPointer<VirtualController> m_controller;
    QPixmap m_floor;
    QRectF m_floorTarget;
    QTransform m_toWidget;
    double m_zoom = 1;
    QPointF m_centre;
    bool m_showsOutputs = false;
    QRectF m_outputsArea;
    QPointF m_panFrom;
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
    // The melody playing: its (note, length) pairs, tempo and start (ms on m_clock).
    QByteArray m_melody;
    int m_melodyTempo = 0;
    qint64 m_melodyStart = 0;
    qint64 m_melodyUntil = 0;
    quint32 m_notesPlayed = 0;
    quint32 m_melodiesPlayed = 0;
    QElapsedTimer m_clock;
};
