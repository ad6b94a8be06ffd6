#include "configurationrecord.h"

#include "codegenlog.h"
#include "programvalues.h"

#include <QJsonArray>

using namespace ProgramValues;

namespace {

// Gadget classes (gadget id / 10) that sit on a servo pin; class 2 also stores a zero position.
constexpr int kCalibratedServoClass = 2;
constexpr int kDefaultZero = 100;
constexpr int kTerminatorSize = 2;

// Pin code and gadget, and for a calibrated servo its zero byte.
int entrySize(int gadgetClass)
{
    return gadgetClass == kCalibratedServoClass ? 3 : 2;
}

bool isServoClass(int gadgetClass)
{
    return gadgetClass == 2 || gadgetClass == 3 || gadgetClass == 4;
}

// Gadget ids and the pin's own zero are written by the settings as JSON numbers only.
int readNumber(const QJsonValue &value)
{
    return value.isDouble() ? readInt(value) : 0;
}

} // namespace

ConfigurationRecord encodeConfiguration(const QJsonObject &configuration)
{
    ConfigurationRecord record;
    record.bytes.append(char(quint8(readInt(configuration.value(QLatin1String("Motor1"))))));
    record.bytes.append(char(quint8(readInt(configuration.value(QLatin1String("Motor2"))))));

    const QJsonArray calibrations = configuration.value(QLatin1String("servocalibr")).toArray();
    for (const QJsonValue &value : configuration.value(QLatin1String("pins")).toArray()) {
        const QJsonObject pin = value.toObject();
        // The class is taken from the stored byte: an id beyond one byte must not make the record
        // disagree with itself about which entries carry a zero byte.
        const quint8 gadget = quint8(readNumber(pin.value(QLatin1String("gadgetId"))));
        const QString label = readText(pin.value(QLatin1String("pinLbl")));
        const quint8 code = parsePinLabel(label);
        int zero = pin.contains(QLatin1String("zero"))
                       ? readNumber(pin.value(QLatin1String("zero")))
                       : kDefaultZero;
        const int gadgetClass = gadget / 10;
        if (record.bytes.size() + entrySize(gadgetClass) + kTerminatorSize >
            kMaxConfigurationRecordSize) {
            // A read-back record of 255 bytes may hold an entry that overlaps its terminator;
            // written again, that entry and the terminator no longer fit.
            qCDebug(lcCodegen) << "Configuration too long:" << label << "and later pins left out";
            record.complete = false;
            break;
        }
        record.bytes.append(char(code));
        record.bytes.append(char(gadget));

        if (gadgetClass == kCalibratedServoClass) {
            for (const QJsonValue &entry : calibrations) {
                const QJsonObject calibration = entry.toObject();
                if (calibration.value(QLatin1String("pin")).isString() &&
                    calibration.value(QLatin1String("pin")).toString() == label) {
                    zero = readInt(calibration.value(QLatin1String("zero")));
                    break;
                }
            }
            record.bytes.append(char(quint8(zero)));
        }
        if (isServoClass(gadgetClass))
            record.servoPins.append(code);
    }
    record.bytes.append(kTerminatorSize, '\0');
    return record;
}

QJsonObject decodeConfiguration(const QByteArray &record)
{
    const qsizetype size = record.size();
    if (size <= 1)
        return QJsonObject();
    const auto byteAt = [&record](qsizetype index) { return int(quint8(record.at(index))); };

    QJsonObject configuration;
    configuration.insert(QStringLiteral("Motor1"), byteAt(0));
    configuration.insert(QStringLiteral("Motor2"), byteAt(1));
    QJsonArray pins;
    QJsonArray calibrations;
    qsizetype a = 2;
    // The last two bytes are the terminator.
    while (a + 2 < size) {
        const QString label = pinLabel(byteAt(a));
        const int gadget = byteAt(a + 1);
        QJsonObject pin{{QStringLiteral("pinLbl"), label}, {QStringLiteral("gadgetId"), gadget}};
        if (gadget / 10 == kCalibratedServoClass) {
            // Reported as stored, so that writing it again gives the same calibration.
            const int zero = byteAt(a + 2);
            pin.insert(QStringLiteral("zero"), zero);
            calibrations.append(
                QJsonObject{{QStringLiteral("pin"), label}, {QStringLiteral("zero"), zero}});
        }
        a += entrySize(gadget / 10);
        pins.append(pin);
    }
    configuration.insert(QStringLiteral("pins"), pins);
    configuration.insert(QStringLiteral("servocalibr"), calibrations);
    return configuration;
}
