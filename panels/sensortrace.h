#pragma once

#include "pinassignment.h"

#include <QList>
#include <QString>

// One input the sensor chart plots: an input pin to which the set-up gives a gadget.
struct SensorTrace
{
    QString pinLabel; // as saved in the configuration ("A0", "D14")
    QString pinName;  // as printed on the board ("A0")
    QString gadgetName;
    bool digital = false;
    int input = -1; // index into the state report's "DI" or "AI"

    bool operator==(const SensorTrace &other) const = default;

    // The caption: the dictionary's pattern with the pin name and the gadget name.
    QString caption(const QString &pattern) const;

    // The traces of a set-up: analog inputs first, then digital ones, each ordered by input
    // number. Assignments of output gadgets, and labels that name no input, are left out.
    static QList<SensorTrace> fromAssignments(const QList<PinAssignment> &assignments);
};
