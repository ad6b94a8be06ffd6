#pragma once

// A small board written to a temporary folder, so the settings tests do not depend on the
// shipped kits: digital and analog pins, two drive motors, a servo, LEDs, a buzzer, a matrix
// group over three pins and an I2C group over two.

#include "appcontext.h"
#include "hardwaredescription.h"
#include "programstore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

class SetupFixture
{
public:
    SetupFixture()
    {
        // Nothing may be written to the real home folder.
        qputenv("HOME", m_home.path().toUtf8());
        QDir(m_config.path()).mkpath(QStringLiteral("images"));

        auto pin = [](const QString &name, const QStringList &labels, int visible = 1) {
            return QJsonObject{{"Name", name}, {"Visible", visible},
                               {"PosX", 100},  {"PosY", 100},
                               {"Default", 0}, {"Pins", QJsonArray::fromStringList(labels)}};
        };
        auto gadget = [](int id, const QString &name, const QJsonValue &type,
                         const QStringList &pins, const QString &calibrName = QString()) {
            QJsonObject object{{"Id", id},
                               {"Name", name},
                               {"Picture", "gadget.svg"},
                               {"Type", type},
                               {"Pins", QJsonArray::fromStringList(pins)}};
            if (!calibrName.isEmpty())
                object.insert("CalibrName", calibrName);
            return object;
        };
        const QStringList ledPins{"D2", "D3", "D5", "D9", "D11", "D12", "D13", "D14"};
        const QJsonObject top{
            {"Language", "Test"},
            {"Dictionary", QJsonObject{{"PinNone", "Nothing"},
                                       {"SettingsMenu_Pins", "Pins"},
                                       {"SettingsMenu_Calibration", "Calibration"},
                                       {"SettingsMenu_Link", "Link"},
                                       {"SettingsMenu_SaveText", "Save"},
                                       {"SettingsMenu_ExitText", "Back"},
                                       {"LanguageName", "Language"},
                                       {"LanguageSave", "Choose"},
                                       {"BluetoothNoPlugin", "no link"},
                                       {"BluetoothPlugin-2", "flood"},
                                       {"BluetoothPlugin-1", "cannot open"},
                                       {"BluetoothPlugin1", "socket open"},
                                       {"BluetoothPlugin2", "data"},
                                       {"BluetoothPlugin3", "connected"},
                                       {"BluetoothPluginUnknown", "unexpected state"},
                                       {"BluetoothConnecting", "connecting to %1"},
                                       {"BluetoothConnected", "connected to %1"},
                                       {"BluetoothLinkLost", "lost %1"},
                                       {"BluetoothOff", "bluetooth off"},
                                       {"BluetoothNoAdapter", "no adapter"},
                                       {"BluetoothNoService", "no service"},
                                       {"BluetoothNotPaired", "%1 not paired"},
                                       {"BluetoothUnreachable", "%1 not answering"},
                                       {"BluetoothUnknownDevice", "%1 unknown"},
                                       {"BluetoothSearching", "searching"},
                                       {"BluetoothFoundCount", "found %1"},
                                       {"BluetoothFoundWithPorts", "found %1 and %2 ports"},
                                       {"BluetoothNoneFound", "none found"},
                                       {"BluetoothNoneFoundPorts", "none found, %1 ports"},
                                       {"VirtualControllerName", "virtual robot"},
                                       {"BluetoothPairedMark", "paired"},
                                       {"BluetoothUnpairedMark", "not paired"},
                                       {"SerialCableMark", "cable"},
                                       {"SerialPortMark", "serial port"},
                                       {"SerialPortMissing", "%1 plugged out"},
                                       {"SerialPortPermission", "%1 needs %2"},
                                       {"SerialPortBusy", "%1 busy"},
                                       {"FirmwareDirectoryNotFound", "no folder"},
                                       {"FirmwareFileNotFound", "no script"},
                                       {"FirmwareConfNotFound", "no settings"},
                                       {"FirmwareSuccess", "flashed"},
                                       {"FirmwareError", "flash failed"},
                                       {"FirmwareProcess", "flashing"}}},
            {"Dimensions", QJsonObject{{"PinCfgWidth", 120}, {"PinCfgHeight", 30}}},
            {"CommandMenu", QJsonObject{{"Buttons", QJsonArray{}}}},
            {"MainMenu", QJsonObject{{"Buttons", QJsonArray{}}}},
            {"Pins",
             QJsonArray{pin("P2", {"D2"}), pin("P3", {"D3"}), pin("P5", {"D5"}), pin("P9", {"D9"}),
                        pin("P11", {"D11"}), pin("P12", {"D12"}), pin("P13", {"D13"}),
                        pin("PA0", {"A0", "D14"}), pin("PA4", {"A4", "D18"}),
                        pin("PA5", {"A5", "D19"}), pin("PX", {"D20"}, 0)}},
            {"Inputs", QJsonArray{gadget(1, "Button", "Digital", {"D2", "D3", "A0"}),
                                  gadget(12, "Light", "Analog", {"A0"})}},
            {"Outputs",
             QJsonArray{gadget(40, "M1", QJsonArray{"Motor"}, {"D5", "D9"}, "Motor 1 power"),
                        gadget(41, "M2", QJsonArray{"Motor"}, {"D3"}, "Motor 2 power"),
                        gadget(20, "Servo", QJsonArray{"Servo"}, {"D3", "D9", "D20"}, "Servo zero"),
                        gadget(30, "LED", QJsonArray{"Led"}, ledPins),
                        gadget(70, "Buzzer", QJsonArray{"Sound"}, {"D12"})}},
            {"Groups", QJsonArray{gadget(60, "Matrix", QJsonArray{"Matrix"}, {"D11", "D12", "D13"}),
                                  gadget(50, "I2C bus", QJsonArray{"I2C"}, {"A4", "A5"})}},
        };
        const QString path = m_config.filePath(QStringLiteral("base.json"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QJsonDocument(top).toJson());
        file.close();
        m_description = std::make_unique<HardwareDescription>(path);
        AppContext &context = AppContext::instance();
        context.setDescription(m_description.get());
        context.readConfiguration({});
        context.store().setDeviceText(QString());
    }

    ~SetupFixture()
    {
        AppContext::instance().readConfiguration({});
        AppContext::instance().setCommandMap({});
        AppContext::instance().forgetDescription(m_description.get());
    }

    HardwareDescription *description() const { return m_description.get(); }
    QString home() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
    QTemporaryDir m_config;
    std::unique_ptr<HardwareDescription> m_description;
};
