#include "examplecatalog.h"

#include "configlog.h"
#include "programstore.h"
#include "shippeddata.h"

#include <QDir>

namespace ExampleCatalog {

namespace {
const QLatin1String kExampleKey("Example");
} // namespace

QString defaultFolder()
{
    return ShippedData::folderHolding(QStringLiteral("examples")) + QStringLiteral("/examples");
}

QList<ExampleProgram> list(const QString &folder)
{
    QList<ExampleProgram> examples;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        const std::optional<QJsonObject> document = ProgramStore::readProgramDocument(path);
        if (!document)
            continue;
        const QJsonObject about = document->value(kExampleKey).toObject();
        ExampleProgram example{path, about.value(QLatin1String("Title")).toString(),
                               about.value(QLatin1String("Description")).toString(),
                               about.value(QLatin1String("World")).toString()};
        if (example.titleKey.isEmpty()) {
            qCWarning(lcConfig).noquote() << "Example without a title, left out:" << path;
            continue;
        }
        examples.append(example);
    }
    if (examples.isEmpty())
        qCWarning(lcConfig).noquote() << "No example programs in" << folder;
    return examples;
}

std::optional<QJsonObject> program(const ExampleProgram &example)
{
    std::optional<QJsonObject> document = ProgramStore::readProgramDocument(example.path);
    if (document)
        document->remove(kExampleKey);
    return document;
}

} // namespace ExampleCatalog
