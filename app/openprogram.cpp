#include "openprogram.h"

#include "programstore.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {

const QString kPath = QStringLiteral("path");
const QString kChanged = QStringLiteral("changed");

} // namespace

QJsonObject OpenProgram::comparable(const QJsonObject &document)
{
    // The chosen robot is the user's, not the program's: choosing another changes no program.
    const QString configuration = QStringLiteral("configuration");
    return {{ProgramStore::programsKey(), document.value(ProgramStore::programsKey())},
            {configuration, document.value(configuration)}};
}

void OpenProgram::setSaved(const QString &path, const QJsonObject &document)
{
    m_path = path;
    m_saved = comparable(document);
    m_modified = false;
    m_changedBeforeStart = false;
}

bool OpenProgram::update(const QJsonObject &document)
{
    const bool modified = m_changedBeforeStart || comparable(document) != m_saved;
    if (modified == m_modified)
        return false;
    m_modified = modified;
    return true;
}

QString OpenProgram::name() const
{
    return m_path.isEmpty() ? QString() : QFileInfo(m_path).completeBaseName();
}

QJsonObject OpenProgram::toState() const
{
    return {{kPath, m_path}, {kChanged, m_modified}};
}

void OpenProgram::restore(const QJsonObject &state, const QJsonObject &document)
{
    setSaved(state.value(kPath).toString(), document);
    // A state from before the editor told this holds work that may be in no file: any command
    // counts as unsaved.
    bool changed = state.value(kChanged).toBool();
    if (!state.contains(kChanged)) {
        const QJsonArray programs = document.value(ProgramStore::programsKey()).toArray();
        for (const QJsonValue &program : programs)
            changed = changed || !program.toArray().isEmpty();
    }
    m_changedBeforeStart = changed;
    m_modified = changed;
}
