#pragma once

#include "robotpose.h"

#include <QDockWidget>
#include <QList>
#include <QPointer>

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QToolButton;
class RobotSimulation;
class RobotStage;
class RobotView;
class RobotWorld;
class VirtualController;

// The virtual robot beside the editor while it runs against the built-in virtual controller:
// a world picker, the robot view, a button that puts the robot back where it starts, and a
// control for every button, touch sensor, knob and sound sensor the configuration names.
class RobotViewDock : public QDockWidget
{
    Q_OBJECT
public:
    // Worlds are the sub-folders of this folder beside the program that hold a "world.json".
    static QString worldsFolder();

    RobotViewDock(VirtualController *controller, QWidget *parent = nullptr);

    RobotSimulation *simulation() const { return m_simulation; }
    RobotView *view() const { return m_view; }
    QComboBox *worldPicker() const { return m_worlds; }
    // Captions and sizes from the current language.
    void renewTexts();
    // Loads the world file; false (and a note in the dock) when it cannot be read.
    bool loadWorld(const QString &path);
    // Picks the shipped world of that folder of worlds/ ("01_track"); false when there is none.
    bool selectWorld(const QString &folder);
    // The robot on a window of its own on the whole screen (F11 in the view, or the button).
    RobotStage *showStage();
    RobotStage *stage() const;
    RobotPose startPose() const { return m_start; }
    // Stops the wheels and puts the robot where it starts (the world's start or where the user
    // last placed it).
    void backToStart();

private:
    void fillWorldPicker();
    void showWorld(const RobotWorld &world);
    void rebuildInputs();

    QPointer<VirtualController> m_controller;
    RobotSimulation *m_simulation = nullptr;
    RobotView *m_view = nullptr;
    QComboBox *m_worlds = nullptr;
    QLabel *m_worldCaption = nullptr;
    QLabel *m_problem = nullptr;
    QPushButton *m_reset = nullptr;
    QToolButton *m_fullScreen = nullptr;
    QPointer<RobotStage> m_stage;
    QWidget *m_inputs = nullptr;
    QFormLayout *m_inputsLayout = nullptr;
    RobotPose m_start;
};
