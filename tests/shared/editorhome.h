#pragma once

// Set-up shared by the tests that build the editor: a home folder of their own whose state file
// names a shipped language, so that the window is built at once instead of asking for one, and
// a pin set-up that offers every kind of gadget.

#include "programstore.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>

namespace EditorHome {

inline QJsonObject englishState()
{
    return {{"Language", "English"}, {"ProgData", QJsonArray{QJsonArray{}}}};
}

// Points HOME at the folder and saves the state file there; the debug log stays quiet.
inline bool prepare(const QTemporaryDir &home, const QJsonObject &state = englishState())
{
    qputenv("HOME", home.path().toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    return QDir(home.path()).mkpath(QStringLiteral("Lumakit")) &&
           ProgramStore::saveFile(home.filePath(QStringLiteral("Lumakit/states.json")), state);
}

inline QJsonObject everyGadget()
{
    const auto pin = [](const char *label, int id) {
        return QJsonObject{{"pinLbl", label}, {"gadgetId", id}};
    };
    return {{"pins", QJsonArray{pin("D5", 40), pin("D6", 41), pin("D3", 20), pin("D9", 20),
                                pin("D2", 30), pin("A1", 30), pin("D4", 70), pin("D11", 60),
                                pin("D7", 1), pin("A0", 11), pin("A2", 12)}},
            {"servocalibr", QJsonArray{}},
            {"Motor1", 100},
            {"Motor2", 100}};
}

} // namespace EditorHome
