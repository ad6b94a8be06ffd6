#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>

// Compiles one command object of a program document into one controller command record:
// length byte, two condition slots, instructions. The state it checks against (programs, servo
// pins) is set by the image builder; the results stay here for the caller to pick up.
class CommandCompiler
{
public:
    void setPrograms(const QJsonArray &programs);
    QJsonArray programs() const;

    void setServoPins(const QList<quint8> &pins);
    QList<quint8> servoPins() const;

    void resetCycleDepth();
    int cycleDepth() const;

    // Always replaces lastRecord(), also on failure. Returns false for a call of a missing
    // subprogram, a servo on a pin that is not a servo pin, or a record too long to frame.
    bool compileCommand(const QJsonObject &command);

    QByteArray lastRecord() const;
    int lastCallTarget() const;

    // The record of an unconditional "return", which closes every program.
    static QByteArray returnRecord();

private:
    QJsonArray m_programs;
    QList<quint8> m_servoPins;
    int m_cycleDepth = 0;
    QByteArray m_lastRecord;
    int m_lastCallTarget = 0;
};
