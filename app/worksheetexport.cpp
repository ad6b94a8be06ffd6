#include "worksheetexport.h"

#include "appcontext.h"
#include "languagecatalog.h"
#include "programstore.h"
#include "worksheet.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

void fail(const QString &reason)
{
    std::fprintf(stderr, "%s\n", qPrintable(reason));
}

} // namespace

namespace WorksheetExport {

QString languageNamed(const QString &wanted)
{
    for (const auto &[name, path] : LanguageCatalog::instance().entries()) {
        QFile file(path);
        const QString locale =
            file.open(QIODevice::ReadOnly)
                ? QJsonDocument::fromJson(file.readAll()).object().value("Locale").toString()
                : QString();
        if (name.compare(wanted, Qt::CaseInsensitive) == 0 ||
            (!locale.isEmpty() && locale.compare(wanted, Qt::CaseInsensitive) == 0))
            return name;
    }
    return {};
}

int run(const QString &program, const QString &output, const QString &language)
{
    if (!Worksheet::formatFor(output)) {
        fail(QStringLiteral("--export: %1 is neither a .pdf, a .png nor an .svg file").arg(output));
        return 2;
    }
    LanguageCatalog &catalog = LanguageCatalog::instance();
    const QString name =
        language.isEmpty() ? AppContext::instance().store().language() : languageNamed(language);
    if (!language.isEmpty() && name.isEmpty()) {
        fail(QStringLiteral("--language: no language %1; there are: %2")
                 .arg(language, catalog.languageNames().join(QStringLiteral(", "))));
        return 2;
    }
    catalog.select(name); // the first language when none is saved
    const std::optional<QJsonObject> document = ProgramStore::readProgramDocument(program);
    if (!document) {
        fail(QStringLiteral("--export: %1 cannot be read as a program").arg(program));
        return 1;
    }
    if (!Worksheet(*document, QFileInfo(program).completeBaseName()).write(output)) {
        fail(QStringLiteral("--export: cannot write %1").arg(output));
        return 1;
    }
    return 0;
}

} // namespace WorksheetExport
