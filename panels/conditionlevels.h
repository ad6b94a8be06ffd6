#pragma once

#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QString>

// A threshold of an analog condition of the selected command, as the sensor chart draws it:
// one level for equals, unequal, smaller and greater, a band of two for inside and outside.
struct ConditionThreshold
{
    int condition = 0; // index into the conditions' "data"
    QString pin;       // the condition's "pin" label
    QString equation;
    int level = 0;
    int level2 = 0; // bands only

    bool isBand() const;
    bool operator==(const ConditionThreshold &other) const = default;
};

namespace ConditionLevels {

// The analog comparisons among the conditions a command of the given condition kind tests, in
// condition order. Counter and digital conditions are left out, and so is a comparison whose
// equation is none of the six.
QList<ConditionThreshold> thresholds(const QJsonObject &commandJson, int conditionKind);

// The command's JSON with one level of one condition set (which: 0 "level", 1 "level2"),
// written as text as the condition editor writes it. The command's other fields stay as they
// are; a condition that is not there leaves the JSON unchanged.
QJsonObject withLevel(const QJsonObject &commandJson, int condition, int which, int value);

// Analog values 0-255 across a plot, 0 at the bottom edge and 255 at the top.
double yForLevel(int level, const QRectF &plot);
int levelAtY(double y, const QRectF &plot);

// Where a dragged level may go: within 0-255, and a band's lower level never above its upper
// one (nor the upper below the lower).
int boundedLevel(const ConditionThreshold &threshold, int which, int value);

} // namespace ConditionLevels
