#pragma once

#include <QtGlobal>

// What the worker reports about a memory write, a memory read or a configuration packet while
// it goes on and when it is over, for the editor's progress bar and the command line.
namespace LinkTransfer {

enum Kind
{
    None = 0,
    Write = 1,
    Read = 2,
    Configuration = 3,
};

enum Outcome
{
    Done = 0,
    LinkLost = 1,
    // No answer after the last resend.
    GaveUp = 2,
    NotCompiled = 3,
    // Stopped by the editor (settings opened, another transfer, another device).
    Interrupted = 4,
    // A read that finished but found no program in the memory.
    NoProgram = 5,
    // The controller answered in a form that cannot be read.
    BadAnswer = 6,
    // A write cut by a lost link: it starts again from the first byte once the link is back,
    // unless the link stays away too long (LinkLost then) or the editor moves on (Interrupted).
    WaitingForLink = 7,
};

// Where "run on the robot" stands: the part it has begun, or that it is over.
enum RunStep
{
    // It ended before the run began (a part failed, or it was stopped).
    RunGivenUp = 0,
    RunWriting = 1,
    RunGettingReady = 2,
    // The run began: the last word of it.
    RunStarted = 3,
};

// Milliseconds still to go at the pace so far; -1 while too little is done to tell.
qint64 remainingMs(int done, int total, qint64 elapsedMs);

} // namespace LinkTransfer
