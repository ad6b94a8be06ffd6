#include "conditioncodec.h"

#include "programvalues.h"

#include <QJsonArray>

using namespace ProgramValues;

namespace ConditionCodec {

namespace {

constexpr char kEmptySlot[] = {char(kAndFlag | quint8(Kind::Always)), 0, 0, 0};

QByteArray emptySlot()
{
    return QByteArray(kEmptySlot, 4);
}

quint8 analogKind(const QString &equation)
{
    static const char *const names[] = {"always",  "equals", "unequal", "greater",
                                        "smaller", "inside", "outside"};
    for (quint8 kind = 0; kind < std::size(names); ++kind) {
        if (equation == QLatin1String(names[kind]))
            return kind;
    }
    return quint8(equation == QLatin1String("counter") ? Kind::Counter : Kind::Always);
}

QString equationName(int kind)
{
    switch (Kind(kind)) {
    case Kind::Unequal:
        return QStringLiteral("unequal");
    case Kind::Greater:
        return QStringLiteral("greater");
    case Kind::Smaller:
        return QStringLiteral("smaller");
    case Kind::Inside:
        return QStringLiteral("inside");
    case Kind::Outside:
        return QStringLiteral("outside");
    case Kind::Counter:
        return QStringLiteral("counter");
    default:
        return QStringLiteral("equals");
    }
}

quint8 byteAt(const QByteArray &bytes, int index)
{
    return index < bytes.size() ? quint8(bytes.at(index)) : 0;
}

QJsonObject decodeSlot(const QByteArray &bytes, int offset)
{
    QJsonObject condition;
    condition.insert(QStringLiteral("equation"), equationName(byteAt(bytes, offset) & 0x0F));
    condition.insert(QStringLiteral("pin"), pinLabel(byteAt(bytes, offset + 1)));
    condition.insert(QStringLiteral("level"), QString::number(byteAt(bytes, offset + 2)));
    condition.insert(QStringLiteral("level2"), QString::number(byteAt(bytes, offset + 3)));
    return condition;
}

} // namespace

QByteArray encodeCondition(const QJsonObject &condition, bool andFlag)
{
    const quint8 pin = parsePinLabel(readText(condition.value(QLatin1String("pin"))).toLower());
    const int level = condition.contains(QLatin1String("level"))
                          ? readInt(condition.value(QLatin1String("level")))
                          : readInt(condition.value(QLatin1String("level1")));
    const int level2 = readInt(condition.value(QLatin1String("level2")));

    quint8 code = 0;
    if (pin < 128) {
        // A digital input only knows low and high, so the equation does not matter.
        code = quint8(quint8(level) == 0 ? Kind::DigitalLow : Kind::DigitalHigh);
    } else {
        code = analogKind(readText(condition.value(QLatin1String("equation"))).toLower());
    }
    if (andFlag)
        code |= kAndFlag;

    QByteArray slot;
    slot.append(char(code));
    slot.append(char(pin));
    slot.append(char(quint8(level)));
    slot.append(char(quint8(level2)));
    return slot;
}

QByteArray encodeConditions(const QJsonObject &conditions)
{
    if (!conditions.contains(QLatin1String("type")))
        return emptySlot() + emptySlot();
    const QString type = readText(conditions.value(QLatin1String("type"))).toLower();
    if (type == QLatin1String("always"))
        return emptySlot() + emptySlot();

    const QJsonArray data = conditions.value(QLatin1String("data")).toArray();
    const QByteArray first = encodeCondition(data.at(0).toObject(), false);
    if (type == QLatin1String("single"))
        return first + emptySlot();
    return first + encodeCondition(data.at(1).toObject(), type == QLatin1String("and"));
}

QJsonObject decodeConditions(const QByteArray &eightBytes)
{
    const quint8 firstCode = byteAt(eightBytes, 0);
    const quint8 secondCode = byteAt(eightBytes, 4);
    QString type;
    if ((secondCode & 0x0F) != 0)
        type = (secondCode & kAndFlag) ? QStringLiteral("and") : QStringLiteral("or");
    else
        type = (firstCode & kKindMask) != 0 ? QStringLiteral("single") : QStringLiteral("always");

    QJsonObject conditions;
    conditions.insert(QStringLiteral("type"), type);
    conditions.insert(QStringLiteral("data"),
                      QJsonArray{decodeSlot(eightBytes, 0), decodeSlot(eightBytes, 4)});
    return conditions;
}

} // namespace ConditionCodec
