#pragma once

#include <QString>

// Zero offset of the servo on one pin.
struct ServoCalibration
{
    QString pinLabel;
    int zero = 0;

    bool operator==(const ServoCalibration &other) const = default;
};
