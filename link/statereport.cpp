#include "statereport.h"

#include <QStringList>

namespace StateReport {

ActionFlags actionFlags(LinkProtocol::WorkerState workerState, bool readAllowed, bool writeAllowed)
{
    using LinkProtocol::WorkerState;
    const int r = readAllowed ? 1 : 0;
    const int w = writeAllowed ? 1 : 0;
    switch (workerState) {
    case WorkerState::Connected:
        return {r, w, 0, 0, 0, 1, 0};
    case WorkerState::Ready:
        // Stop stays on offer: a program that ended by itself leaves its last motion running.
        return {r, w, 1, 1, 1, 1, 1};
    case WorkerState::ManualCommand:
    case WorkerState::Running:
    case WorkerState::Stepping:
        return {0, 0, 0, 1, 0, 1, 0};
    case WorkerState::Stopping:
        // Halting takes one answer per record; nothing may take the place of those packets.
        return {0, 0, 0, 0, 0, 0, 0};
    case WorkerState::Writing:
    case WorkerState::Reading:
        return {0, 0, 0, 0, 0, 1, 0};
    case WorkerState::Disconnected:
        break;
    }
    return {0, 0, 0, 0, 0, 0, 0};
}

QString text(const ActionFlags &flags, int progpos, int proc, int procpos, RunMarker run,
             const ControllerState &state)
{
    QString report = QStringLiteral("{");
    report += QStringLiteral("\"read\":%1, \"write\":%2, \"start\":%3, \"stop\":%4, \"step\":%5, "
                             "\"restart\":%6, \"manual\":%7, \"progpos\":%8, \"proc\":%9, "
                             "\"procpos\":%10, \"run\":%11, ")
                  .arg(flags[Read])
                  .arg(flags[Write])
                  .arg(flags[Start])
                  .arg(flags[Stop])
                  .arg(flags[Step])
                  .arg(flags[Restart])
                  .arg(flags[Manual])
                  .arg(progpos)
                  .arg(proc)
                  .arg(procpos)
                  .arg(int(run));
    QStringList digital;
    for (int value : state.digitalInputs)
        digital.append(QString::number(value));
    QStringList analog;
    for (int j = 0; j < kReportedAnalogInputs; ++j)
        analog.append(QString::number(state.analogInputs[j]));
    report +=
        QStringLiteral("\"DI\":[") + digital.join(QStringLiteral(", ")) + QStringLiteral("], ");
    report += QStringLiteral("\"AI\":[") + analog.join(QStringLiteral(", ")) + QStringLiteral("] ");
    report += QStringLiteral("}");
    return report;
}

} // namespace StateReport
