#include "robotsimulation.h"

#include "programvalues.h"
#include "virtualcontroller.h"

#include <QJsonArray>

#include <cmath>

namespace {
constexpr int kFirstAnalogAsDigital = 14;

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}
} // namespace

RobotSimulation::RobotSimulation(VirtualController *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
{
    m_timer.setInterval(RobotModel::kStepMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RobotSimulation::tick);
    refreshConfiguration();
}

void RobotSimulation::setWorld(const RobotWorld &world)
{
    m_model.setWorld(world);
    applyReadings();
    emit worldChanged();
    emit stepped();
}

void RobotSimulation::setPose(const RobotPose &pose)
{
    m_model.setPose(pose);
    applyReadings();
    emit stepped();
}

void RobotSimulation::setPressed(int pinCode, bool pressed)
{
    m_model.setPressed(pinCode, pressed);
    applyReadings();
    emit stepped();
}

void RobotSimulation::setSliderValue(int pinCode, int value)
{
    m_model.setSliderValue(pinCode, value);
    applyReadings();
    emit stepped();
}

void RobotSimulation::start()
{
    if (m_timer.isActive())
        return;
    m_clock.start();
    m_realSteps = 0;
    m_timer.start();
}

void RobotSimulation::stop()
{
    m_timer.stop();
}

void RobotSimulation::tick()
{
    const qint64 due = m_clock.elapsed() / RobotModel::kStepMs;
    qint64 steps = due - m_realSteps;
    if (steps > kMaxCatchUpSteps)
        steps = kMaxCatchUpSteps;
    m_realSteps = due;
    if (steps > 0)
        advance(int(steps));
}

void RobotSimulation::advance(int steps)
{
    for (int i = 0; i < steps; ++i)
        step();
    if (steps > 0)
        emit stepped();
}

void RobotSimulation::step()
{
    refreshConfiguration();
    if (m_controller) {
        m_model.setWheelSpeeds(
            RobotModel::wheelSpeedsFor(m_controller->outputs(), m_model.configuration(),
                                       m_model.world().body().mmPerSecondPerSpeed));
    }
    m_model.step(RobotModel::kStepMs / 1000.0);
    ++m_steps;
    applyReadings();
    if (simulatedMs() % kSampleEveryMs == 0)
        emit sampled(sample());
}

void RobotSimulation::refreshConfiguration()
{
    if (!m_controller)
        return;
    // The configuration packet of a restart is what the controller runs with; before the first
    // one, the configuration written into its memory tells what is connected.
    const QByteArray record = m_controller->configuration();
    const RobotConfiguration configuration =
        record.isEmpty() ? RobotConfiguration::fromImage(m_controller->eeprom())
                         : RobotConfiguration::fromRecord(record);
    if (configuration == m_model.configuration())
        return;
    m_model.setConfiguration(configuration);
    emit configurationChanged();
}

void RobotSimulation::applyReadings()
{
    if (!m_controller)
        return;
    const QMap<int, int> readings = m_model.readings();
    for (auto it = readings.cbegin(); it != readings.cend(); ++it) {
        const int pin = it.key();
        const bool pressable =
            RobotConfiguration::isPressable(m_model.configuration().gadgetAt(pin));
        if (pin < 128) {
            m_controller->setDigitalInput(pin, it.value() != 0);
        } else if (pressable) {
            // A button on an analog pin reads as that pin's digital twin and as a full or empty
            // analog value.
            m_controller->setDigitalInput(kFirstAnalogAsDigital + pin - 128, it.value() != 0);
            m_controller->setAnalogInput(pin - 128, it.value() ? 255 : 0);
        } else {
            m_controller->setAnalogInput(pin - 128, it.value());
        }
    }
}

QJsonObject RobotSimulation::sample() const
{
    const RobotPose pose = m_model.pose();
    QJsonObject outputs{{"left", rounded(m_model.wheelSpeeds().left, 1)},
                        {"right", rounded(m_model.wheelSpeeds().right, 1)}};
    if (m_controller) {
        const SimulatedOutputs &out = m_controller->outputs();
        QJsonObject leds;
        for (auto it = out.leds.cbegin(); it != out.leds.cend(); ++it)
            leds.insert(ProgramValues::pinLabel(it.key()), it.value() ? 1 : 0);
        QJsonObject servos;
        for (auto it = out.servos.cbegin(); it != out.servos.cend(); ++it)
            servos.insert(ProgramValues::pinLabel(it.key()), it.value());
        QJsonArray matrix;
        for (quint8 row : out.matrix)
            matrix.append(int(row));
        outputs.insert("leds", leds);
        outputs.insert("servos", servos);
        outputs.insert("matrix", matrix);
        outputs.insert("note", out.note);
    }
    QJsonObject inputs;
    const QMap<int, int> readings = m_model.readings();
    for (auto it = readings.cbegin(); it != readings.cend(); ++it)
        inputs.insert(ProgramValues::pinLabel(it.key()), it.value());
    return QJsonObject{{"t", simulatedMs()},      {"x", rounded(pose.x, 1)},
                       {"y", rounded(pose.y, 1)}, {"heading", rounded(pose.heading, 2)},
                       {"outputs", outputs},      {"inputs", inputs}};
}
