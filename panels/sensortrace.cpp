#include "sensortrace.h"

#include <algorithm>

QString SensorTrace::caption(const QString &pattern) const
{
    return pattern.arg(pinName.isEmpty() ? pinLabel : pinName, gadgetName);
}

QList<SensorTrace> SensorTrace::fromAssignments(const QList<PinAssignment> &assignments)
{
    QList<SensorTrace> traces;
    for (const PinAssignment &assignment : assignments) {
        if (assignment.gadget.kind != GadgetInfo::Input)
            continue;
        const int input = PinAssignment::inputNumberOf(assignment.pinLabel);
        if (input < 0)
            continue;
        traces.append({assignment.pinLabel, assignment.pinName, assignment.gadget.name,
                       assignment.digital, input});
    }
    std::stable_sort(traces.begin(), traces.end(), [](const SensorTrace &a, const SensorTrace &b) {
        return a.digital != b.digital ? !a.digital : a.input < b.input;
    });
    return traces;
}
