#include "appcontext.h"

#include "configlog.h"
#include "hardwaredescription.h"
#include "programstore.h"

#include <QDir>
#include <QJsonArray>
#include <QSet>

AppContext::AppContext() = default;

AppContext::~AppContext() = default;

AppContext &AppContext::instance()
{
    static AppContext context;
    return context;
}

QString AppContext::text(const QString &key) const
{
    if (!m_dictionary)
        return QStringLiteral("No dict");
    const auto it = m_dictionary->constFind(key);
    if (it != m_dictionary->constEnd())
        return *it;
    qCDebug(lcConfig).noquote() << QStringLiteral("No ditionary string: ") + key;
    return QStringLiteral("No key");
}

bool AppContext::hasText(const QString &key) const
{
    return m_dictionary && m_dictionary->contains(key);
}

int AppContext::dimension(const QString &key, int defaultValue) const
{
    if (!m_dimensions)
        return defaultValue;
    const auto it = m_dimensions->constFind(key);
    if (it != m_dimensions->constEnd())
        return *it;
    qCDebug(lcConfig).noquote() << QStringLiteral("No dimensions: ") + key;
    return defaultValue;
}

QIcon AppContext::icon(const QString &name) const
{
    return m_imageStore.icon(name);
}

void AppContext::setCommandMap(const QMap<QString, Command *> &commandMap)
{
    m_commandMap = commandMap;
    rebuildDerived();
}

void AppContext::forgetDescription(const HardwareDescription *description)
{
    if (m_description == description)
        m_description = nullptr;
    if (m_dictionary == &description->dictionary())
        m_dictionary = nullptr;
    if (m_dimensions == &description->dimensions())
        m_dimensions = nullptr;
    // Command templates die with their description; a map pointing at them must go too.
    for (Command *command : std::as_const(m_commandMap)) {
        if (description->commandMap().values().contains(command)) {
            m_commandMap.clear();
            break;
        }
    }
}

quint32 AppContext::flagForGadget(int gadgetId)
{
    switch (gadgetId) {
    case 40:
        return Motor1Flag;
    case 41:
        return Motor2Flag;
    case 20:
        return ServoFlag;
    case 70:
        return SoundFlag;
    case 60:
        return MatrixFlag;
    case 30:
        return LedFlag;
    case 50:
        return I2cFlag;
    default:
        return 0;
    }
}

void AppContext::readConfiguration(const QJsonObject &configuration)
{
    QList<PinAssignment> assignments;
    const QJsonArray pins = configuration.value(QStringLiteral("pins")).toArray();
    for (const QJsonValue &value : pins) {
        const QJsonObject object = value.toObject();
        const QString label = object.value(QStringLiteral("pinLbl")).toString();
        const int gadgetId = object.value(QStringLiteral("gadgetId")).toInt(-1);
        const auto pin = m_pinMap.constFind(label);
        const auto gadget = m_gadgetMap.constFind(gadgetId);
        // An entry this kit cannot place is left out rather than shown as a gadget it is not.
        if (pin == m_pinMap.constEnd() || gadget == m_gadgetMap.constEnd()) {
            qCDebug(lcConfig).noquote()
                << QStringLiteral("Configuration entry skipped: pin %1, gadget %2")
                       .arg(label)
                       .arg(gadgetId);
            continue;
        }
        assignments.append(PinAssignment(*gadget, label, pin->name));
    }

    QList<ServoCalibration> calibrations;
    const QJsonArray servos = configuration.value(QStringLiteral("servocalibr")).toArray();
    for (const QJsonValue &value : servos) {
        const QJsonObject object = value.toObject();
        calibrations.append({object.value(QStringLiteral("pin")).toString(),
                             object.value(QStringLiteral("zero")).toInt()});
    }
    m_servoCalibrations = calibrations;

    m_motor1 = MotorNotSet;
    m_motor2 = MotorNotSet;
    if (configuration.contains(QStringLiteral("Motor1")))
        m_motor1 = configuration.value(QStringLiteral("Motor1")).toInt();
    if (configuration.contains(QStringLiteral("Motor2")))
        m_motor2 = configuration.value(QStringLiteral("Motor2")).toInt();

    setPinAssignments(assignments);
}

QJsonObject AppContext::writeConfiguration() const
{
    QJsonObject configuration;
    QJsonArray pins;
    for (const PinAssignment &assignment : m_pinAssignments) {
        pins.append(QJsonObject{{QStringLiteral("pinLbl"), assignment.pinLabel},
                                {QStringLiteral("gadgetId"), assignment.gadget.id}});
    }
    configuration.insert(QStringLiteral("pins"), pins);
    if (m_motor1 != MotorNotSet)
        configuration.insert(QStringLiteral("Motor1"), m_motor1);
    if (m_motor2 != MotorNotSet)
        configuration.insert(QStringLiteral("Motor2"), m_motor2);
    QJsonArray servos;
    for (const ServoCalibration &calibration : m_servoCalibrations) {
        servos.append(QJsonObject{{QStringLiteral("pin"), calibration.pinLabel},
                                  {QStringLiteral("zero"), calibration.zero}});
    }
    configuration.insert(QStringLiteral("servocalibr"), servos);
    return configuration;
}

void AppContext::setPinAssignments(const QList<PinAssignment> &assignments)
{
    m_pinAssignments = assignments;
    rebuildDerived();
}

void AppContext::rebuildDerived()
{
    m_inputAssignments.clear();
    m_gadgetFlags = 0;
    for (const PinAssignment &assignment : std::as_const(m_pinAssignments)) {
        if (assignment.gadget.kind == GadgetInfo::Input)
            m_inputAssignments.append(assignment);
        m_gadgetFlags |= flagForGadget(assignment.gadget.id);
    }

    m_outputPinsByCommand.clear();
    for (auto it = m_commandMap.constBegin(); it != m_commandMap.constEnd(); ++it) {
        const Command *command = it.value();
        if (!command)
            continue;
        QList<PinAssignment> list;
        QSet<QString> groupsTaken;
        for (const PinAssignment &assignment : std::as_const(m_pinAssignments)) {
            bool serves = false;
            for (const QString &group : command->outputGroups()) {
                if (assignment.gadget.types.contains(group)) {
                    serves = true;
                    break;
                }
            }
            if (!serves)
                continue;
            // A group occupies several pins but is one part to drive.
            if (assignment.gadget.kind == GadgetInfo::Group) {
                if (groupsTaken.contains(assignment.gadget.name))
                    continue;
                groupsTaken.insert(assignment.gadget.name);
            }
            list.append(assignment);
        }
        m_outputPinsByCommand.insert(it.key(), list);
    }
    qCDebug(lcConfig).noquote() << QStringLiteral("m_outputPinsByCommand contains ") +
                                       QString::number(m_outputPinsByCommand.size()) +
                                       QStringLiteral(" items");
    emit pinAssignmentsChanged();
}

QList<PinAssignment> AppContext::outputPinsByCommand(const QString &commandName) const
{
    return m_outputPinsByCommand.value(commandName);
}

ProgramStore &AppContext::store()
{
    if (!m_store)
        m_store = std::make_unique<ProgramStore>(QDir::homePath());
    return *m_store;
}
