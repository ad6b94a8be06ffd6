#pragma once

#include "gadgetinfo.h"

#include <QString>

// A gadget placed on a pin in the current configuration.
struct PinAssignment
{
    GadgetInfo gadget;
    QString pinLabel; // as saved in the configuration ("pinLbl")
    QString pinName;  // display name of the pin the label maps to
    bool digital = false;

    PinAssignment() = default;
    PinAssignment(const GadgetInfo &g, const QString &label, const QString &name)
        : gadget(g)
        , pinLabel(label)
        , pinName(name)
        , digital(label.contains(QLatin1Char('D')))
    {}

    bool analog() const { return !digital; }
    // The controller's input number in a pin label ("D12" gives 12); -1 when it has no digits.
    static int inputNumberOf(const QString &label)
    {
        QString digits;
        for (const QChar c : label) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digits += c;
        }
        bool ok = false;
        const int number = digits.toInt(&ok);
        return ok ? number : -1;
    }
    QString displayText() const { return pinName + QLatin1Char(' ') + gadget.name; }
    bool operator==(const PinAssignment &other) const = default;
};
