#include "programrun.h"

#include "breakpoint.h"
#include "commandcompiler.h"
#include "commandkinds.h"
#include "linklog.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

using LinkProtocol::StatusBit;

ProgramRun::ProgramRun(CommandCompiler &compiler, SendRecord send)
    : m_compiler(compiler)
    , m_send(std::move(send))
{}

int ProgramRun::commandCount(int program) const
{
    if (program < 0 || program >= programCount())
        return 0;
    return int(m_programs.at(program).toArray().size());
}

bool ProgramRun::hasBreakpoint(int program, int position) const
{
    if (!m_pauseAtBreakpoints || position < 0 || position >= commandCount(program))
        return false;
    return Breakpoint::isSet(m_programs.at(program).toArray().at(position).toObject());
}

void ProgramRun::reset()
{
    m_active = false;
    m_stack.clear();
    m_currentProgram = 0;
    m_currentPosition = 0;
    m_iterationValue = 0;
    m_mainPosition = 0;
}

bool ProgramRun::execute(int program, int position, bool asStep)
{
    if (program < 0 || position < 0)
        return false;
    if (program > programCount() - 1) {
        qCDebug(lcLink) << "Too big proc number " << program;
        return false;
    }
    if (position >= commandCount(program)) {
        qCDebug(lcLink) << "Too big command number " << position;
        return false;
    }
    const QJsonObject command = m_programs.at(program).toArray().at(position).toObject();
    qCDebug(lcLink).noquote() << "Execute " << position << " json: "
                              << QString::fromUtf8(
                                     QJsonDocument(command).toJson(QJsonDocument::Compact));
    using CommandKinds::Encoding;
    const CommandKinds::Kind *kind = CommandKinds::byName(command.value(QLatin1String("action"))
                                                              .toObject()
                                                              .value(QLatin1String("command"))
                                                              .toString());
    const Encoding encoding = kind ? kind->encoding : Encoding::Nop;
    // Counted cycles are entered like endless ones: the controller reports their repeats and
    // their end the same way, so the run needs the same frame to come back to.
    const bool entersCycle =
        encoding == Encoding::StartCycle || (asStep && encoding == Encoding::StartCountedCycle);
    // By hand, a cycle's start and end mean nothing without the cycle.
    if (!asStep && (encoding == Encoding::StartCycle || encoding == Encoding::EndCycle))
        return true;
    if (!m_compiler.compileCommand(command))
        return false;
    if (entersCycle) {
        m_stack.append({m_currentProgram, m_currentPosition, m_iterationValue});
        m_iterationValue = 0;
    }
    if (asStep) {
        m_sentProgram = program;
        m_sentPosition = position;
    }
    m_send(m_compiler.lastRecord(), asStep);
    return true;
}

ProgramRun::Outcome ProgramRun::advance(LinkProtocol::StatusFlags status, bool running)
{
    if (status.testFlag(StatusBit::Called)) {
        const int target = m_compiler.lastCallTarget();
        qCDebug(lcLink) << "Call subprogram " << target;
        m_stack.append({m_currentProgram, m_currentPosition, m_iterationValue});
        m_currentPosition = 0;
        m_iterationValue = 0;
        m_currentProgram = target;
        return running ? runOnto(m_currentProgram, 0) : Outcome::Pauses;
    }
    if (status.testFlag(StatusBit::Returned)) {
        qCDebug(lcLink) << "Pop stack proc";
        if (m_stack.isEmpty()) {
            reset();
            return Outcome::Completes;
        }
        const Frame frame = m_stack.takeLast();
        m_currentProgram = frame.program;
        m_currentPosition = frame.position;
        m_iterationValue = frame.iteration;
    } else if (status.testFlag(StatusBit::CycleRepeats)) {
        qCDebug(lcLink) << "Pop stack cycle";
        if (m_stack.isEmpty()) {
            reset();
            return Outcome::Ends;
        }
        m_currentProgram = m_stack.last().program;
        m_currentPosition = m_stack.last().position;
    } else if (status.testFlag(StatusBit::CycleEnded)) {
        qCDebug(lcLink) << "End cycle";
        if (m_stack.isEmpty()) {
            reset();
            return Outcome::Ends;
        }
        m_iterationValue = m_stack.takeLast().iteration;
    }
    return stepToNextCommand(running);
}

ProgramRun::Outcome ProgramRun::stepToNextCommand(bool running)
{
    if (m_currentPosition + 1 >= commandCount(m_currentProgram)) {
        // The program's end: the controller reports the return like any other.
        m_sentPosition = -1;
        m_send(CommandCompiler::returnRecord(), true);
        return Outcome::GoesOn;
    }
    ++m_currentPosition;
    if (m_currentProgram == 0)
        m_mainPosition = m_currentPosition;
    return running ? runOnto(m_currentProgram, m_currentPosition) : Outcome::Pauses;
}

ProgramRun::Outcome ProgramRun::runOnto(int program, int position)
{
    if (hasBreakpoint(program, position)) {
        // Ready, with the place and the call stack kept: "start" goes on from here.
        qCDebug(lcLink) << "Pause at breakpoint " << program << position;
        return Outcome::Pauses;
    }
    if (!execute(program, position, true)) {
        // Nothing was sent, so nothing will report done: the run cannot go on.
        reset();
        return Outcome::Ends;
    }
    return Outcome::GoesOn;
}
