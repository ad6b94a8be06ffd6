#pragma once

#include "command.h"
#include "gadgetinfo.h"
#include "imagestore.h"
#include "pinassignment.h"
#include "pininfo.h"
#include "servocalibration.h"

#include <QIcon>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class HardwareDescription;
class ProgramStore;

// The application-wide context through which every widget reads texts, sizes, images and the
// hardware model of the selected configuration, and the pin assignments of the configuration
// object.
class AppContext : public QObject
{
    Q_OBJECT
public:
    static constexpr int MotorNotSet = -1000000;

    // Bits of gadgetFlags.
    enum GadgetFlag : quint32
    {
        Motor1Flag = 0x1,
        Motor2Flag = 0x2,
        ServoFlag = 0x4,
        SoundFlag = 0x8,
        MatrixFlag = 0x10,
        LedFlag = 0x20,
        I2cFlag = 0x8000,
    };

    static AppContext &instance();

    // Texts, sizes, images.
    QString text(const QString &key) const;
    // Whether the dictionary holds the key; for texts that have a fallback of their own.
    bool hasText(const QString &key) const;
    int dimension(const QString &key, int defaultValue) const;
    QIcon icon(const QString &name) const;

    // Published when a description is loaded (and again by the main window).
    void setImageStore(const ImageStore &store) { m_imageStore = store; }
    const ImageStore &imageStore() const { return m_imageStore; }
    void setDictionary(const QMap<QString, QString> *dictionary) { m_dictionary = dictionary; }
    void setDimensions(const QMap<QString, int> *dimensions) { m_dimensions = dimensions; }
    void setPinMap(const QMap<QString, PinInfo> &pinMap) { m_pinMap = pinMap; }
    const QMap<QString, PinInfo> &pinMap() const { return m_pinMap; }
    // Also rebuilds the command -> output pins lists, which depend on the commands.
    void setCommandMap(const QMap<QString, Command *> &commandMap);
    const QMap<QString, Command *> &commandMap() const { return m_commandMap; }
    void setGadgetMap(const QMap<int, GadgetInfo> &gadgetMap) { m_gadgetMap = gadgetMap; }
    const QMap<int, GadgetInfo> &gadgetMap() const { return m_gadgetMap; }
    void setDescription(HardwareDescription *description) { m_description = description; }
    // The selected hardware description, or nullptr before the first load.
    HardwareDescription *description() const { return m_description; }
    // Drops every reference into a description that is going away.
    void forgetDescription(const HardwareDescription *description);

    // Configuration object ("pins", "servocalibr", "Motor1", "Motor2").
    void readConfiguration(const QJsonObject &configuration);
    QJsonObject writeConfiguration() const;

    const QList<PinAssignment> &pinAssignments() const { return m_pinAssignments; }
    // Replaces the assignments (settings dialog) and rebuilds the derived lists.
    void setPinAssignments(const QList<PinAssignment> &assignments);
    void clearPinAssignments() { setPinAssignments({}); }
    const QList<PinAssignment> &inputAssignments() const { return m_inputAssignments; }
    quint32 gadgetFlags() const { return m_gadgetFlags; }
    // Assignments whose gadget serves the command; empty for an unknown name.
    QList<PinAssignment> outputPinsByCommand(const QString &commandName) const;
    // The pin a label names; an invalid PinInfo for an unknown label.
    PinInfo pinByLabel(const QString &label) const { return m_pinMap.value(label); }
    const QList<ServoCalibration> &servoCalibrations() const { return m_servoCalibrations; }
    void setServoCalibrations(const QList<ServoCalibration> &list) { m_servoCalibrations = list; }
    int motor1() const { return m_motor1; }
    int motor2() const { return m_motor2; }
    void setMotor1(int value) { m_motor1 = value; }
    void setMotor2(int value) { m_motor2 = value; }

    // Program state store, created on first use (reads states.json).
    ProgramStore &store();

    int i2cFlag() const { return m_i2cFlag; }
    void setI2cFlag(int flag) { m_i2cFlag = flag; }

    // Bit of gadgetFlags for a gadget id; 0 for ids without one.
    static quint32 flagForGadget(int gadgetId);

signals:
    // The pin assignments or the lists derived from them were rebuilt.
    void pinAssignmentsChanged();

private:
    AppContext();
    ~AppContext() override;
    void rebuildDerived();

    ImageStore m_imageStore;
    const QMap<QString, QString> *m_dictionary = nullptr;
    const QMap<QString, int> *m_dimensions = nullptr;
    QMap<QString, PinInfo> m_pinMap;
    QMap<QString, Command *> m_commandMap;
    QMap<int, GadgetInfo> m_gadgetMap;
    HardwareDescription *m_description = nullptr;

    QList<PinAssignment> m_pinAssignments;
    QList<PinAssignment> m_inputAssignments;
    quint32 m_gadgetFlags = 0;
    QMap<QString, QList<PinAssignment>> m_outputPinsByCommand;
    QList<ServoCalibration> m_servoCalibrations;
    int m_motor1 = 100;
    int m_motor2 = 100;

    std::unique_ptr<ProgramStore> m_store;

    int m_i2cFlag = 0;
};
