#pragma once

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// Small hardware descriptions written into temporary folders for the configuration tests.
namespace ConfigTestData {

inline QJsonObject minimalDescription(const QString &language)
{
    return QJsonObject{
        {"Language", language},
        {"CommandMenu", QJsonObject{{"Buttons", QJsonArray()}}},
        {"MainMenu", QJsonObject{{"Buttons", QJsonArray()}}},
    };
}

// A small kit: two digital pins, one analog pin known also as D14, and a gadget of each kind.
inline QJsonObject kitDescription(const QString &language = QStringLiteral("Kit"))
{
    return QJsonDocument::fromJson(QStringLiteral(R"({
        "Language": "%1",
        "Dictionary": {"ButtonRun": "Run", "Empty": "", "NotText": 5, "Greeting": "Hello"},
        "Dimensions": {"PinsPictureWidth": 200, "PinsPictureHeight": 50, "Width": 33,
                       "Half": 2.5, "Text": "7"},
        "CommandMenu": {"Buttons": [
            {"Command": "mrall", "Picture": "motor.svg", "Inputs": ["motor"], "OutputGroup": ["Motor"]},
            {"Command": "mMatrix", "Picture": "matrix.svg", "Inputs": ["picture"], "OutputGroup": ["Matrix"]},
            {"Command": "mServowork", "Picture": "servo", "OutputGroup": ["Servo", "Motor"]},
            {"Command": "mrall", "Picture": "motor2.svg", "Tooltip": "second"}
        ]},
        "MainMenu": {"Buttons": [
            {"Command": "write", "Picture": "top_write.svg", "Tooltip": "Write"},
            {"Command": "Close", "Picture": "", "Picture_on": "a.svg", "Picture_off": "b.svg",
             "Picture_disable": "c.svg"}
        ]},
        "Pins": [
            {"Name": "D2", "Visible": 1, "PosX": 20, "PosY": 10, "Default": 3, "Pins": ["D2"]},
            {"Name": "D5", "Visible": true, "PosX": 100, "PosY": 25, "Pins": ["D5"]},
            {"Name": "A0", "Visible": 0, "PosX": 150, "PosY": 40, "Pins": ["A0", "D14"]}
        ],
        "Inputs": [
            {"Id": 1, "Name": "Button", "Picture": "button.svg", "Type": "Digital", "Pins": ["D2", "A0"]},
            {"Id": 11, "Name": "Light", "Type": "Analog", "Pins": ["A0"]}
        ],
        "Outputs": [
            {"Id": 40, "Name": "M1", "Type": ["Motor"], "Pins": ["D5"], "Calibr": "100", "CalibrName": "Power"},
            {"Id": 41, "Name": "M2", "Type": ["Motor"], "Pins": ["D5", "D99"], "Calibr": 5},
            {"Id": 20, "Name": "Servo", "Type": ["Servo"], "Pins": ["D2", "D5"], "Calibr": "5"},
            {"Id": 30, "Name": "LED", "Type": ["Led"], "Pins": ["D2", "D14"]}
        ],
        "Groups": [
            {"Id": 60, "Name": "Matrix", "Type": ["Matrix"], "Pins": ["D2", "D5", "A0"], "Calibr": 5}
        ]
    })")
                                       .arg(language)
                                       .toUtf8())
        .object();
}

inline bool writeJson(const QString &path, const QJsonObject &object)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(object).toJson());
    return true;
}

} // namespace ConfigTestData
