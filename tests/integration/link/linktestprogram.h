#pragma once

#include "memoryimage.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>

// The program both link integration tests write and read back.
namespace LinkTestProgram {

inline QJsonObject command(const QString &name, QJsonObject action = {},
                           QJsonObject conditions = {{"type", "always"}})
{
    action.insert("command", name);
    return {{"conditions", conditions}, {"action", action}};
}

// A program that touches most of the byte code: conditions, timing, calls, cycles, a melody.
inline QJsonObject sampleProgram(int extraCommands = 0)
{
    QJsonArray main{
        command("m_fwd", {{"speed", 60}, {"timer", 1}, {"time", 2}, {"brake", 1}}),
        command(
            "mSetleds", {{"pin", "D2"}, {"state", 1}},
            {{"type", "and"},
             {"data", QJsonArray{QJsonObject{{"pin", "D3"}, {"equation", "equals"}, {"level", "1"}},
                                 QJsonObject{{"pin", "A1"},
                                             {"equation", "greater"},
                                             {"level", "100"},
                                             {"level2", "0"}}}}}),
        command("mStartCycle"),
        command("call", {{"proc", 1}}),
        command("mEndCycle"),
        command(
            "mMusic",
            {{"tempo", 90},
             {"sounds", QJsonArray{QJsonObject{{"note", "C"}, {"octave", 4}, {"length", 2}},
                                   QJsonObject{{"note", "G#"}, {"octave", 5}, {"length", 4}}}}})};
    for (int i = 0; i < extraCommands; ++i)
        main.append(command("mrall", {{"motor", "D7"}, {"speed", i % 200}, {"side", i % 2}}));
    const QJsonArray sub{command("mPause", {{"second", 1.5}}),
                         command("mSound", {{"note", "A"}, {"octave", 4}, {"time", 0.5}})};
    return {{"ProgData", QJsonArray{main, sub}},
            {"configuration", QJsonObject{{"Motor1", 1},
                                          {"Motor2", 2},
                                          {"pins", QJsonArray{}},
                                          {"servocalibr", QJsonArray{}}}}};
}

// The sample program with a second subprogram that nothing calls, after an edit.
inline QJsonObject editedProgram(int extraCommands, const QString &edit)
{
    QJsonObject program = sampleProgram(extraCommands);
    QJsonArray data = program.value("ProgData").toArray();
    data.append(QJsonArray{command("mSetleds", {{"pin", "D4"}, {"state", 1}})});
    QJsonArray main = data[0].toArray();
    if (edit == "value")
        main[8] = command("mrall", {{"motor", "D7"}, {"speed", 150}, {"side", 0}});
    else if (edit == "insert at the top")
        main.prepend(command("mSetleds", {{"pin", "D5"}, {"state", 1}}));
    else if (edit == "insert at the end")
        main.append(command("mSetleds", {{"pin", "D5"}, {"state", 1}}));
    else if (edit == "subprogram deleted")
        data.removeLast();
    else if (edit == "configuration")
        program.insert("configuration", QJsonObject{{"Motor1", 2}, {"Motor2", 1}});
    data[0] = main;
    program.insert("ProgData", data);
    return program;
}

inline QByteArray memoryOf(const QJsonObject &program)
{
    ImageBuilder builder;
    QByteArray memory = builder.buildImage(program).image;
    memory.append(QByteArray(kMemorySize - memory.size(), '\xff'));
    return memory;
}

// What reading a controller that holds the program gives back.
inline QJsonObject expectedReadBack(const QJsonObject &program)
{
    return *decodeImage(memoryOf(program));
}

} // namespace LinkTestProgram
