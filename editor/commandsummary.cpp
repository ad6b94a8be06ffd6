#include "commandsummary.h"

#include "commandkinds.h"
#include "programvalues.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

namespace {

// Documents store numbers either as JSON numbers or as decimal text; both must read the same.
int readInt(const QJsonValue &value)
{
    if (value.isString()) {
        bool ok = false;
        const int result = value.toString().trimmed().toInt(&ok);
        return ok ? result : 0;
    }
    return value.toInt(0);
}

double readDecimal(const QJsonValue &value)
{
    return ProgramValues::readDecimal(value);
}

QString readText(const QJsonValue &value)
{
    return value.toString();
}

// Shortest general form, as the row shows times: 2, 1.5, 0.25.
QString general(double value)
{
    return QString::number(value, 'g', 6);
}

QString padded(const QString &text, int width)
{
    return text.size() < width ? QStringLiteral("0") + text : text;
}

QString timedSuffix(const QJsonObject &action)
{
    QString text;
    if (readInt(action.value(QLatin1String("timer"))) != 0)
        text +=
            QStringLiteral(" T:%1").arg(general(readDecimal(action.value(QLatin1String("time")))));
    if (readInt(action.value(QLatin1String("brake"))) != 0)
        text += QStringLiteral(" (0)");
    return text;
}

QString servoSummary(const QJsonObject &action)
{
    QString text;
    const QJsonArray servos = action.value(QLatin1String("servos")).toArray();
    for (const QJsonValue &entry : servos) {
        const QJsonObject servo = entry.toObject();
        text += QStringLiteral("%1=%2 ").arg(
            readText(servo.value(QLatin1String("pin"))),
            QString::number(readInt(servo.value(QLatin1String("angle")))));
    }
    text += QStringLiteral("T:%1 ").arg(general(readDecimal(action.value(QLatin1String("time")))));
    if (readInt(action.value(QLatin1String("timer"))) != 0)
        text += QStringLiteral("WAIT");
    return text;
}

QString pauseSummary(const QJsonObject &action)
{
    const QString hours = padded(QString::number(readInt(action.value(QLatin1String("hour")))), 2);
    const QString minutes =
        padded(QString::number(readInt(action.value(QLatin1String("minute")))), 2);
    const QString seconds =
        padded(QString::number(readDecimal(action.value(QLatin1String("second"))), 'f', 1), 4);
    return QStringLiteral("%1:%2:%3").arg(hours, minutes, seconds);
}

void appendListing(QString &out, const QString &key, const QJsonValue &value);

void appendObjectListing(QString &out, const QJsonObject &object, bool skipCommand)
{
    // QJsonObject iterates its keys in sorted order, which is the order the listing needs.
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (skipCommand && it.key() == QLatin1String("command"))
            continue;
        appendListing(out, it.key(), it.value());
    }
}

void appendListing(QString &out, const QString &key, const QJsonValue &value)
{
    const QString prefix = QLatin1Char('_') + key + QLatin1Char(':');
    switch (value.type()) {
    case QJsonValue::Double:
        out += prefix + QString::number(value.toInt(0));
        break;
    case QJsonValue::String:
        out += prefix + value.toString();
        break;
    case QJsonValue::Object:
        appendObjectListing(out, value.toObject(), false);
        break;
    case QJsonValue::Array:
        if (key == QLatin1String("pict")) {
            out += prefix + QLatin1Char('[');
            for (const QJsonValue &cell : value.toArray())
                out += cell.toString() + QLatin1Char(',');
            out += QLatin1Char(']');
        } else if (key == QLatin1String("sounds")) {
            out += prefix + QLatin1Char('[');
            for (const QJsonValue &sound : value.toArray()) {
                if (sound.isObject()) {
                    const QJsonObject object = sound.toObject();
                    out += object.value(QLatin1String("note")).toString() + QLatin1Char(' ') +
                           object.value(QLatin1String("time")).toString();
                } else {
                    out += sound.toString() + QLatin1Char('\n');
                }
            }
            out += QLatin1Char(']');
        }
        break;
    default:
        break;
    }
}

// Commands without a text of their own list their fields, last key first.
QString genericSummary(const QJsonObject &action)
{
    QString listing;
    appendObjectListing(listing, action, true);
    const QStringList parts = listing.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    QString text;
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (!it->isEmpty())
            text += *it + QLatin1Char(' ');
    }
    return text;
}

} // namespace

QString actionSummary(const QJsonObject &command)
{
    using CommandKinds::Summary;
    const QJsonObject action = command.value(QLatin1String("action")).toObject();
    const CommandKinds::Kind *kind =
        CommandKinds::byName(readText(action.value(QLatin1String("command"))));

    switch (kind ? kind->summary : Summary::Listing) {
    case Summary::Servos:
        return servoSummary(action);
    case Summary::Sound:
        return QStringLiteral("%1 %2 T:%3")
            .arg(readText(action.value(QLatin1String("note"))),
                 QString::number(readInt(action.value(QLatin1String("octave")))),
                 general(readDecimal(action.value(QLatin1String("time")))));
    case Summary::Empty:
        return QString();
    case Summary::Drive:
        return QStringLiteral("S:%1").arg(readInt(action.value(QLatin1String("speed")))) +
               timedSuffix(action);
    case Summary::MotorRun: {
        const bool counterClockwise = readInt(action.value(QLatin1String("side"))) != 0;
        return QStringLiteral("%1 S:%2 %3")
                   .arg(readText(action.value(QLatin1String("motor"))),
                        QString::number(readInt(action.value(QLatin1String("speed")))),
                        counterClockwise ? QStringLiteral("CCW") : QStringLiteral("CW")) +
               timedSuffix(action);
    }
    case Summary::MotorStop: {
        QString text = readText(action.value(QLatin1String("motor")));
        if (readInt(action.value(QLatin1String("brake"))) != 0)
            text += QStringLiteral(" (0)");
        return text;
    }
    case Summary::DriveStop:
        return readInt(action.value(QLatin1String("brake"))) != 0 ? QStringLiteral(" (0)")
                                                                  : QString();
    case Summary::Led: {
        const bool on = readInt(action.value(QLatin1String("state"))) != 0;
        return (on ? QStringLiteral("%1 ON") : QStringLiteral("%1 OFF"))
            .arg(readText(action.value(QLatin1String("pin"))));
    }
    case Summary::Pause:
        return pauseSummary(action);
    case Summary::Call:
        return QString::number(readInt(action.value(QLatin1String("proc"))));
    case Summary::Listing:
        break;
    }
    return genericSummary(action);
}

QString conditionsSummary(const QJsonObject &command)
{
    const QJsonObject conditions = command.value(QLatin1String("conditions")).toObject();
    const QString type = readText(conditions.value(QLatin1String("type")));
    const QJsonArray data = conditions.value(QLatin1String("data")).toArray();
    // A missing element reads as an empty condition, so a short "data" never fails.
    const auto element = [&data](int index) {
        return conditionText(index < data.size() ? data.at(index).toObject() : QJsonObject());
    };

    if (type == QLatin1String("always"))
        return QStringLiteral("1");
    if (type == QLatin1String("single"))
        return element(0);
    if (type == QLatin1String("and"))
        return QStringLiteral("(%1) & (%2)").arg(element(0), element(1));
    if (type == QLatin1String("or"))
        return QStringLiteral("(%1) v (%2)").arg(element(0), element(1));
    return QStringLiteral("?");
}

QString conditionText(const QJsonObject &condition)
{
    const QString equation = readText(condition.value(QLatin1String("equation")));
    const QString pin = readText(condition.value(QLatin1String("pin")));
    const QString level = QString::number(readInt(condition.value(QLatin1String("level"))));
    const QString level2 = QString::number(readInt(condition.value(QLatin1String("level2"))));

    if (equation == QLatin1String("equals"))
        return QStringLiteral("%1=%2").arg(pin, level);
    if (equation == QLatin1String("unequal"))
        return QStringLiteral("%1!=%2").arg(pin, level);
    if (equation == QLatin1String("smaller"))
        return QStringLiteral("%1<%2").arg(pin, level);
    if (equation == QLatin1String("greater"))
        return QStringLiteral("%1>%2").arg(pin, level);
    if (equation == QLatin1String("inside"))
        return QStringLiteral("%1<%2<%3").arg(level, pin, level2);
    if (equation == QLatin1String("outside"))
        return QStringLiteral("!(%1<%2<%3)").arg(level, pin, level2);
    if (equation == QLatin1String("counter"))
        return QStringLiteral("N=%1").arg(level);
    return QString();
}
