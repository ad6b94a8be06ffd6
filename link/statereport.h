#pragma once

#include "controllerstate.h"

#include <QString>

#include <array>

// The state report text published after every event of the worker: which editor actions are
// allowed, where a run stands, and the live inputs.
namespace StateReport {

// The report's "AI" array leaves out the controller's last analog input.
constexpr int kReportedAnalogInputs = ControllerState::kAnalogInputs - 1;

enum Action
{
    Read,
    Write,
    Start,
    Stop,
    Step,
    Restart,
    Manual,
    ActionCount
};
using ActionFlags = std::array<int, ActionCount>;

// What the program area marks: the command being run, or the one a paused run goes on with.
enum RunMarker
{
    NoRun = 0,
    Running = 1,
    Paused = 2,
};

// Allowed actions in a worker state. readAllowed and writeAllowed fill the R and W entries.
ActionFlags actionFlags(LinkProtocol::WorkerState workerState, bool readAllowed, bool writeAllowed);

// The report text; "run" (a RunMarker) follows "procpos".
QString text(const ActionFlags &flags, int progpos, int proc, int procpos, RunMarker run,
             const ControllerState &state);

} // namespace StateReport
