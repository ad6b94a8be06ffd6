#include "actionreasons.h"

#include "appcontext.h"

#include <QStringList>

namespace ActionReasons {

namespace {

bool allowed(const QJsonObject &state, const char *action)
{
    return state.value(QLatin1String(action)).toInt(0) == 1;
}

} // namespace

QString stateKey(const QString &command)
{
    // It begins with a write, and may be used whenever a write may.
    return command == QLatin1String("runonrobot") ? QStringLiteral("write") : command;
}

QString actionKey(const QString &anyCommand, const QJsonObject &state)
{
    static const QStringList actions{"write", "read", "restart", "start", "step", "stop", "manual"};
    const QString command = stateKey(anyCommand);
    if (!actions.contains(command) || allowed(state, command.toLatin1().constData()))
        return {};
    // "Get ready" is on offer whenever a robot answers; without it there is no robot to talk to.
    if (!allowed(state, "restart"))
        return QStringLiteral("ReasonNoRobot");
    const bool ready = allowed(state, "start");
    const bool running = allowed(state, "stop") && !ready;
    if (command == QLatin1String("stop"))
        return QStringLiteral("ReasonNotRunning");
    if (running)
        return QStringLiteral("ReasonRobotRunning");
    const bool write = allowed(state, "write");
    const bool read = allowed(state, "read");
    if (command == QLatin1String("write"))
        // Neither way open while the robot answers: a program is on its way.
        return ready || read ? QStringLiteral("ReasonProgramMistake")
                             : QStringLiteral("ReasonTransferRunning");
    if (command == QLatin1String("read"))
        return ready || write ? QStringLiteral("ReasonReadLocked")
                              : QStringLiteral("ReasonTransferRunning");
    // start, step, manual
    return QStringLiteral("ReasonGetReadyFirst");
}

QString tileKey(const QString &command, quint32 gadgetFlags, int program)
{
    auto has = [gadgetFlags](quint32 bit) { return (gadgetFlags & bit) != 0; };
    static const QStringList drives{"m_left",     "m_fwd",      "m_right",
                                    "m_bckleft",  "m_backward", "m_bckright",
                                    "m_turnleft", "m_stop",     "m_turnright"};
    if (command == QLatin1String("call"))
        return program == 0 ? QString() : QStringLiteral("ReasonCallInMainProgram");
    if (command == QLatin1String("mServowork"))
        return has(AppContext::ServoFlag) ? QString() : QStringLiteral("ReasonNeedsServo");
    if (command == QLatin1String("mrall") || command == QLatin1String("mr1stop"))
        return has(AppContext::Motor1Flag) || has(AppContext::Motor2Flag)
                   ? QString()
                   : QStringLiteral("ReasonNeedsMotor");
    if (drives.contains(command))
        return has(AppContext::Motor1Flag) && has(AppContext::Motor2Flag)
                   ? QString()
                   : QStringLiteral("ReasonNeedsTwoMotors");
    if (command == QLatin1String("mSound") || command == QLatin1String("mMusic"))
        return has(AppContext::SoundFlag) ? QString() : QStringLiteral("ReasonNeedsBuzzer");
    if (command == QLatin1String("mMatrix"))
        return has(AppContext::MatrixFlag) ? QString() : QStringLiteral("ReasonNeedsMatrix");
    if (command == QLatin1String("mSetleds"))
        return has(AppContext::LedFlag) ? QString() : QStringLiteral("ReasonNeedsLed");
    return {};
}

} // namespace ActionReasons
