#pragma once

#include "robotmodel.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

class VirtualController;

// Runs the virtual robot against the virtual controller: the controller's outputs turn the
// wheels, the sensors' readings become the controller's inputs. Simulated time follows real
// time in fixed physics steps, so the same outputs always give the same path.
class RobotSimulation : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSampleEveryMs = 50;
    // Steps run at most per timer tick; a longer stall is not caught up.
    static constexpr int kMaxCatchUpSteps = 50;

    explicit RobotSimulation(VirtualController *controller, QObject *parent = nullptr);

    // Puts the robot at the world's start.
    void setWorld(const RobotWorld &world);
    const RobotModel &model() const { return m_model; }
    void setPose(const RobotPose &pose);
    void setPressed(int pinCode, bool pressed);
    void setSliderValue(int pinCode, int value);

    // Follow real time (start) or stand still (stop).
    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // Runs physics steps at once, without waiting for real time.
    void advance(int steps);
    qint64 simulatedMs() const { return m_steps * RobotModel::kStepMs; }

    // The state as one trace line: "t", "x", "y", "heading", "outputs", "inputs".
    QJsonObject sample() const;

signals:
    void worldChanged();
    void stepped();
    void sampled(const QJsonObject &line);
    void configurationChanged();

private:
    void tick();
    void step();
    void refreshConfiguration();
    void applyReadings();

    QPointer<VirtualController> m_controller;
    RobotModel m_model;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_steps = 0;
    qint64 m_realSteps = 0;
};
