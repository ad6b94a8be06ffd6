#include "conditionlevels.h"

#include "command.h"
#include "programvalues.h"

#include <QJsonArray>

#include <cmath>

namespace {

const QLatin1String kConditions("conditions");
const QLatin1String kData("data");

bool isAnalogEquation(const QString &equation)
{
    static const QStringList equations{
        QStringLiteral("equals"),  QStringLiteral("unequal"), QStringLiteral("smaller"),
        QStringLiteral("greater"), QStringLiteral("inside"),  QStringLiteral("outside"),
    };
    return equations.contains(equation);
}

// How many of the "data" entries a kind tests as inputs: the counter of kind 4 is the second.
int inputConditionCount(int conditionKind)
{
    switch (conditionKind) {
    case Command::Single:
    case Command::ConditionCounter:
        return 1;
    case Command::Conditions:
        return 2;
    default:
        return 0;
    }
}

} // namespace

bool ConditionThreshold::isBand() const
{
    return equation == QLatin1String("inside") || equation == QLatin1String("outside");
}

namespace ConditionLevels {

QList<ConditionThreshold> thresholds(const QJsonObject &commandJson, int conditionKind)
{
    QList<ConditionThreshold> list;
    const QJsonArray data = commandJson.value(kConditions).toObject().value(kData).toArray();
    const int count = int(qMin(data.size(), qsizetype(inputConditionCount(conditionKind))));
    for (int i = 0; i < count; ++i) {
        const QJsonObject condition = data.at(i).toObject();
        ConditionThreshold threshold;
        threshold.condition = i;
        threshold.pin = condition.value(QLatin1String("pin")).toString();
        threshold.equation = condition.value(QLatin1String("equation")).toString();
        // A digital pin label carries a "D"; its conditions test pressed or not.
        if (threshold.pin.isEmpty() || threshold.pin.contains(QLatin1Char('D')) ||
            !isAnalogEquation(threshold.equation))
            continue;
        threshold.level =
            qBound(0, ProgramValues::readInt(condition.value(QLatin1String("level"))), 255);
        if (threshold.isBand()) {
            threshold.level2 =
                qBound(0, ProgramValues::readInt(condition.value(QLatin1String("level2"))), 255);
        }
        list.append(threshold);
    }
    return list;
}

QJsonObject withLevel(const QJsonObject &commandJson, int condition, int which, int value)
{
    QJsonObject conditions = commandJson.value(kConditions).toObject();
    QJsonArray data = conditions.value(kData).toArray();
    if (condition < 0 || condition >= data.size() || which < 0 || which > 1)
        return commandJson;
    QJsonObject entry = data.at(condition).toObject();
    entry.insert(which == 0 ? QStringLiteral("level") : QStringLiteral("level2"),
                 QString::number(qBound(0, value, 255)));
    data.replace(condition, entry);
    conditions.insert(kData, data);
    QJsonObject result = commandJson;
    result.insert(kConditions, conditions);
    return result;
}

double yForLevel(int level, const QRectF &plot)
{
    return plot.bottom() - plot.height() * qBound(0, level, 255) / 255.0;
}

int levelAtY(double y, const QRectF &plot)
{
    if (plot.height() <= 0)
        return 0;
    return qBound(0, int(std::lround(255.0 * (plot.bottom() - y) / plot.height())), 255);
}

int boundedLevel(const ConditionThreshold &threshold, int which, int value)
{
    value = qBound(0, value, 255);
    if (!threshold.isBand())
        return value;
    return which == 0 ? qMin(value, threshold.level2) : qMax(value, threshold.level);
}

} // namespace ConditionLevels
