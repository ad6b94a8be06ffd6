#include "haltrecords.h"

#include "commandcompiler.h"

#include <QJsonObject>

namespace HaltRecords {

namespace {

bool programsUse(const QJsonArray &programs, QLatin1String name)
{
    for (const QJsonValue &program : programs) {
        for (const QJsonValue &command : program.toArray()) {
            const QString commandName = command.toObject()
                                            .value(QLatin1String("action"))
                                            .toObject()
                                            .value(QLatin1String("command"))
                                            .toString();
            if (commandName.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

QList<QByteArray> build(const QJsonArray &programs)
{
    // None of these records needs the programs or servo pins a compiler is usually given.
    CommandCompiler compiler;
    QList<QByteArray> records;
    const auto add = [&](const QJsonObject &action) {
        const QJsonObject command{{QStringLiteral("conditions"),
                                   QJsonObject{{QStringLiteral("type"), QStringLiteral("always")}}},
                                  {QStringLiteral("action"), action}};
        if (compiler.compileCommand(command))
            records.append(compiler.lastRecord());
    };
    add({{QStringLiteral("command"), QStringLiteral("m_stop")}, {QStringLiteral("brake"), 1}});
    if (programsUse(programs, QLatin1String("mSound"))) {
        add({{QStringLiteral("command"), QStringLiteral("mSound")},
             {QStringLiteral("note"), QStringLiteral("0")},
             {QStringLiteral("octave"), 0},
             {QStringLiteral("time"), 0}});
    }
    if (programsUse(programs, QLatin1String("mMatrix"))) {
        // No cells: every one dark.
        add({{QStringLiteral("command"), QStringLiteral("mMatrix")},
             {QStringLiteral("pict"), QJsonArray()}});
    }
    if (programsUse(programs, QLatin1String("mMusic"))) {
        // A tempo of 0 could make a controller divide by it.
        add({{QStringLiteral("command"), QStringLiteral("mMusic")},
             {QStringLiteral("tempo"), 90},
             {QStringLiteral("sounds"), QJsonArray()}});
    }
    return records;
}

} // namespace HaltRecords
