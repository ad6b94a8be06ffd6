#pragma once

#include <QJsonArray>
#include <QJsonObject>

namespace BenchPrograms {

// Six programs of 60 commands each, every third one with a condition, and a small set-up.
inline QJsonObject sixPrograms()
{
    const QJsonObject always{{"type", "always"}};
    const QJsonObject single{
        {"type", "single"},
        {"data", QJsonArray{QJsonObject{{"equation", "equals"}, {"pin", "D2"}, {"level", 1}}}}};
    const QList<QJsonObject> actions{
        {{"command", "m_fwd"}, {"speed", 60}, {"timer", 1}, {"time", 2}, {"brake", 1}},
        {{"command", "mPause"}, {"hour", 0}, {"minute", 0}, {"second", 1.5}},
        {{"command", "mSetleds"}, {"pin", "D9"}, {"state", 1}},
        {{"command", "mSound"}, {"note", "C"}, {"octave", "4"}, {"time", "1"}},
        {{"command", "m_left"}, {"speed", 40}, {"timer", 0}, {"time", 0}, {"brake", 0}},
        {{"command", "m_stop"}, {"brake", 1}},
    };
    QJsonArray programs;
    for (int p = 0; p < 6; ++p) {
        QJsonArray program;
        for (int i = 0; i < 60; ++i) {
            program.append(QJsonObject{{"conditions", i % 3 == 0 ? single : always},
                                       {"action", actions.at((i + p) % actions.size())}});
        }
        programs.append(program);
    }
    return QJsonObject{
        {"ProgData", programs},
        {"configuration",
         QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}},
                                         QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 41}},
                                         QJsonObject{{"pinLbl", "D9"}, {"gadgetId", 30}}}}}}};
}

} // namespace BenchPrograms
