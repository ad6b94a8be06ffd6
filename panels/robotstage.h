#pragma once

#include <QWidget>

class QLabel;
class RobotSimulation;
class RobotView;
class VirtualController;

// The virtual robot on a screen of its own, for a projector: the same robot and world as the
// robot view beside the editor, with its picture, lights and note drawn large beside the floor.
// Esc or F11 closes it; +, − and 0 zoom as in the small view.
class RobotStage : public QWidget
{
    Q_OBJECT
public:
    RobotStage(RobotSimulation *simulation, VirtualController *controller,
               QWidget *parent = nullptr);

    RobotView *view() const { return m_view; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    RobotView *m_view = nullptr;
};
