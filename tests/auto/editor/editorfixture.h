#pragma once

// A small hardware description written to a temporary folder, so the editor tests do not depend
// on the shipped data: a few commands of each kind the list logic cares about.

#include "appcontext.h"
#include "hardwaredescription.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <memory>

class EditorFixture
{
public:
    EditorFixture()
    {
        // Nothing may be written to the real home folder.
        qputenv("HOME", m_home.path().toUtf8());
        // The test folder has no images; their look-up messages would drown the test output.
        QLoggingCategory::setFilterRules(QStringLiteral("taviro.config.debug=false"));
        QDir(m_config.path()).mkpath(QStringLiteral("images"));

        auto entry = [](const QString &command, const QStringList &inputs,
                        const QStringList &conditions = {}) {
            QJsonObject object{{"Command", command},
                               {"Picture", command.toLower() + ".svg"},
                               {"Tooltip", command},
                               {"Inputs", QJsonArray::fromStringList(inputs)}};
            if (!conditions.isEmpty())
                object.insert("Conditions", QJsonArray::fromStringList(conditions));
            return object;
        };
        const QJsonArray commands{
            entry("m_fwd", {"speed", "timer", "brake"}, {"single", "conditions"}),
            entry("mPause", {"pause"}, {"single"}),
            entry("mStartCycle", {}),
            entry("mEndCycle", {}),
            entry("call", {"subprogram"}),
            entry("mSetleds", {"led"}, {"counter", "always"}),
        };
        const QJsonObject top{
            {"Language", "Test"},
            {"Dictionary", QJsonObject{{"StartLabel", "BEGIN"},
                                       {"EndLabel", "END"},
                                       {"ProgramLabel", "Main"},
                                       {"SubprogramLabel", "Sub"},
                                       {"SubDeleteHint", "Delete"},
                                       {"CannotDeleteSubHint", "Still called"},
                                       {"ProgramName", "Test editor"}}},
            {"Dimensions", QJsonObject{}},
            {"CommandMenu", QJsonObject{{"Buttons", commands}}},
            {"MainMenu", QJsonObject{{"Buttons", QJsonArray{}}}},
        };
        const QString path = m_config.filePath(QStringLiteral("base.json"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QJsonDocument(top).toJson());
        file.close();
        m_description = std::make_unique<HardwareDescription>(path);
        publish();
    }

    // Makes the test description the current one again, after a test loaded a shipped one.
    void publish() const
    {
        AppContext &context = AppContext::instance();
        context.setDictionary(&m_description->dictionary());
        context.setDimensions(&m_description->dimensions());
        context.setCommandMap(m_description->commandMap());
        context.setDescription(m_description.get());
    }

    ~EditorFixture()
    {
        AppContext::instance().setCommandMap({});
        AppContext::instance().forgetDescription(m_description.get());
    }

    HardwareDescription *description() const { return m_description.get(); }

private:
    QTemporaryDir m_home;
    QTemporaryDir m_config;
    std::unique_ptr<HardwareDescription> m_description;
};
