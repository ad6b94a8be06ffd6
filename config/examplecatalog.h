#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One example program of the Examples window: a program document with an "Example" key that
// names the dictionary keys of its title and one-line description and the folder of worlds/ its
// virtual robot drives in.
struct ExampleProgram
{
    QString path;
    QString titleKey;
    QString descriptionKey;
    QString world;
};

// The example programs shipped in the "examples" folder beside the program (or in the installed
// data folder), in the order of their file names.
namespace ExampleCatalog {

QString defaultFolder();
// Files that cannot be read as examples are left out, each with a log line.
QList<ExampleProgram> list(const QString &folder = defaultFolder());
// The document of an example as the editor loads it; nothing when it cannot be read.
std::optional<QJsonObject> program(const ExampleProgram &example);

} // namespace ExampleCatalog
