#include "sensortrace.h"

#include <QRegularExpression>

#include <algorithm>

QString SensorTrace::caption(const QString &pattern) const
{
    return pattern.arg(pinName.isEmpty() ? pinLabel : pinName, gadgetName);
}

QList<SensorTrace> SensorTrace::fromAssignments(const QList<PinAssignment> &assignments)
{
    static const QRegularExpression nonDigits(QStringLiteral("[^0-9]"));
    QList<SensorTrace> traces;
    for (const PinAssignment &assignment : assignments) {
        if (assignment.gadget.kind != GadgetInfo::Input)
            continue;
        bool ok = false;
        const int input = QString(assignment.pinLabel).remove(nonDigits).toInt(&ok);
        if (!ok)
            continue;
        traces.append({assignment.pinLabel, assignment.pinName, assignment.gadget.name,
                       assignment.digital, input});
    }
    std::stable_sort(traces.begin(), traces.end(), [](const SensorTrace &a, const SensorTrace &b) {
        return a.digital != b.digital ? !a.digital : a.input < b.input;
    });
    return traces;
}
