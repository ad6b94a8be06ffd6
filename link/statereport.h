#pragma once

#include "controllerstate.h"

#include <QString>

#include <array>

// The state report text published after every event of the worker: which editor actions are
// allowed, where a run stands, and the live inputs.
namespace StateReport {

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

// Allowed actions in worker state 0-8. readAllowed and writeAllowed fill the R and W entries.
ActionFlags actionFlags(int workerState, bool readAllowed, bool writeAllowed);

QString text(const ActionFlags &flags, int progpos, int proc, int procpos,
             const ControllerState &state);

} // namespace StateReport
