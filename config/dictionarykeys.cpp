#include "dictionarykeys.h"

namespace DictionaryKeys {

const QStringList &all()
{
    static const QStringList keys = [] {
        QStringList list = {
            // main window
            QStringLiteral("ProgramName"),
            QStringLiteral("DialogOpen"),
            QStringLiteral("DialogSave"),
            QStringLiteral("StateFileBroken"),
            QStringLiteral("NotAProgramFile"),
            // program rows
            QStringLiteral("StartLabel"),
            QStringLiteral("EndLabel"),
            // program area
            QStringLiteral("ProgramLabel"),
            QStringLiteral("SubprogramLabel"),
            QStringLiteral("SubDeleteHint"),
            QStringLiteral("CannotDeleteSubHint"),
            // property panel
            QStringLiteral("ButtonRun"),
            // condition editors
            QStringLiteral("PropertyEqualHint"),
            QStringLiteral("PropertyUnequalHint"),
            QStringLiteral("PropertySmallerHint"),
            QStringLiteral("PropertyBiggerHint"),
            QStringLiteral("PropertyInsideHint"),
            QStringLiteral("PropertyOutsideHint"),
            QStringLiteral("PropertyCycles"),
            QStringLiteral("PropertyPressed"),
            QStringLiteral("PropertyPressedHint"),
            QStringLiteral("PropertyUnpressed"),
            QStringLiteral("PropertyUnpressedHint"),
            QStringLiteral("ConditionInputString"),
            QStringLiteral("PropertyAND"),
            QStringLiteral("PropertyANDHint"),
            QStringLiteral("PropertyOR"),
            QStringLiteral("PropertyORHint"),
            // actuator editors
            QStringLiteral("PropertyBrakeLabel"),
            QStringLiteral("PropertyBrakeHint"),
            QStringLiteral("LedText"),
            QStringLiteral("PropertyLed"),
            QStringLiteral("PropertyLedHint"),
            QStringLiteral("MotorWidgetText"),
            QStringLiteral("TimerHour"),
            QStringLiteral("TimerMinute"),
            QStringLiteral("TimerSecond"),
            QStringLiteral("TimerPause"),
            QStringLiteral("ServoWidgetHint"),
            QStringLiteral("PropertySide"),
            QStringLiteral("PropertyClockwiseHint"),
            QStringLiteral("PropertyAnticlockwiseHint"),
            QStringLiteral("PropertySpeed"),
            QStringLiteral("SubprogramText"),
            QStringLiteral("PropertyTimerLabel"),
            QStringLiteral("PropertyTimerText"),
            QStringLiteral("TimerHint"),
            // picture, sound and music editors
            QStringLiteral("PianoOctave"),
            QStringLiteral("PianoTemp"),
            QStringLiteral("PianoPause"),
            QStringLiteral("PianoDelete"),
            QStringLiteral("PianoDO"),
            QStringLiteral("PianoRE"),
            QStringLiteral("PianoMI"),
            QStringLiteral("PianoFA"),
            QStringLiteral("PianoSALT"),
            QStringLiteral("PianoLA"),
            QStringLiteral("PianoSI"),
            QStringLiteral("SoundTime"),
            // settings dialog
            QStringLiteral("SettingsMenu_Pins"),
            QStringLiteral("SettingsMenu_Calibration"),
            QStringLiteral("SettingsMenu_Link"),
            QStringLiteral("SettingsMenu_SaveText"),
            QStringLiteral("SettingsMenu_ExitText"),
            QStringLiteral("PinNone"),
            QStringLiteral("LanguageName"),
            QStringLiteral("LanguageSave"),
            // device page
            QStringLiteral("BluetoothName"),
            QStringLiteral("BluetoothDeviceName"),
            QStringLiteral("BluetoothDeviceStatus"),
            QStringLiteral("BluetoothStatus"),
            QStringLiteral("BluetoothSearch"),
            QStringLiteral("BluetoothSelect"),
            QStringLiteral("BluetoothChange"),
            QStringLiteral("BluetoothNoPlugin"),
            QStringLiteral("BluetoothPlugin-2"),
            QStringLiteral("BluetoothPlugin-1"),
            QStringLiteral("BluetoothPlugin1"),
            QStringLiteral("BluetoothPlugin2"),
            QStringLiteral("BluetoothPlugin3"),
            QStringLiteral("BluetoothPluginUnknown"),
            QStringLiteral("BluetoothConnecting"),
            QStringLiteral("BluetoothConnected"),
            QStringLiteral("BluetoothLinkLost"),
            QStringLiteral("BluetoothOff"),
            QStringLiteral("BluetoothNoAdapter"),
            QStringLiteral("BluetoothNoService"),
            QStringLiteral("BluetoothNotPaired"),
            QStringLiteral("BluetoothUnreachable"),
            QStringLiteral("BluetoothUnknownDevice"),
            QStringLiteral("BluetoothSearching"),
            QStringLiteral("BluetoothFoundCount"),
            QStringLiteral("BluetoothNoneFound"),
            QStringLiteral("BluetoothPairedMark"),
            QStringLiteral("BluetoothUnpairedMark"),
            QStringLiteral("FirmwareButton"),
            QStringLiteral("FirmwareComport"),
            QStringLiteral("FirmwareStatus"),
            QStringLiteral("FirmwareProcess"),
            QStringLiteral("FirmwareSuccess"),
            QStringLiteral("FirmwareError"),
            QStringLiteral("FirmwareFileNotFound"),
            QStringLiteral("FirmwareDirectoryNotFound"),
            QStringLiteral("FirmwareConfNotFound"),
            // robot view (with the built-in virtual controller)
            QStringLiteral("RobotViewTitle"),
            QStringLiteral("RobotViewWorld"),
            QStringLiteral("RobotViewReset"),
            QStringLiteral("RobotViewHint"),
            QStringLiteral("RobotViewWorldError"),
            QStringLiteral("RobotWorldTrack"),
            QStringLiteral("RobotWorldArena"),
        };
        for (int beat = 70; beat <= 77; ++beat)
            list.append(QStringLiteral("PianoBeat%1Hint").arg(beat));
        return list;
    }();
    return keys;
}

} // namespace DictionaryKeys
