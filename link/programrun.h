#pragma once

#include "linkprotocol.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>

#include <functional>

class CommandCompiler;

// A program run from the editor, command by command: where it stands (program, position, the
// frames of the calls and cycles it is in), which command it executes next, and where it goes
// when the controller reports a command done: into a called subprogram, back to the caller,
// round a cycle again, past its end, on to the next command. It pauses before a command marked
// with a breakpoint. It compiles each command and hands the record on; the worker sends it.
class ProgramRun
{
public:
    // Sends one command record as a step (true) or manual command packet.
    using SendRecord = std::function<void(const QByteArray &record, bool asStep)>;

    ProgramRun(CommandCompiler &compiler, SendRecord send);

    void setPrograms(const QJsonArray &programs) { m_programs = programs; }
    const QJsonArray &programs() const { return m_programs; }
    int programCount() const { return int(m_programs.size()); }
    int commandCount(int program) const;

    int currentProgram() const { return m_currentProgram; }
    int currentPosition() const { return m_currentPosition; }
    // Position in the main program; -1 until the first reset.
    int mainPosition() const { return m_mainPosition; }
    int stackDepth() const { return int(m_stack.size()); }
    // A run holds a place in the program: running, or paused at a breakpoint or after a step.
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    // The program command of the step packet in flight; position -1 for the end-of-program
    // record.
    int sentProgram() const { return m_sentProgram; }
    int sentPosition() const { return m_sentPosition; }

    // Whether a run pauses before a command marked with a breakpoint.
    void setPauseAtBreakpoints(bool pause) { m_pauseAtBreakpoints = pause; }
    bool hasBreakpoint(int program, int position) const;

    // Back to the main program's first command, with no calls or cycles and no run.
    void reset();

    // Compiles command (program, position) and sends it as a step or a manual command; false
    // when nothing counts as executed. A cycle start as a step enters the cycle; a cycle's start
    // or end by hand sends nothing.
    bool execute(int program, int position, bool asStep);

    enum class Outcome
    {
        // The run goes on: a step packet is on its way.
        GoesOn,
        // Paused, with the place and the stack kept (a breakpoint, or one step done).
        Pauses,
        // The run is over; back at the start.
        Ends,
        // The main program came to its end; back at the start.
        Completes,
    };
    // The controller reports the command in flight done, with these flow bits. running: a run
    // goes on to the next command (a step pauses there instead).
    Outcome advance(LinkProtocol::StatusFlags status, bool running);

private:
    struct Frame
    {
        int program = 0;
        int position = 0;
        int iteration = 0;
    };

    Outcome stepToNextCommand(bool running);
    Outcome runOnto(int program, int position);

    CommandCompiler &m_compiler;
    SendRecord m_send;
    QJsonArray m_programs;
    QList<Frame> m_stack;
    int m_currentProgram = 0;
    int m_currentPosition = 0;
    int m_iterationValue = 0;
    int m_mainPosition = -1;
    bool m_active = false;
    bool m_pauseAtBreakpoints = true;
    int m_sentProgram = 0;
    int m_sentPosition = -1;
};
