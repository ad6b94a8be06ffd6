#pragma once

#include <QJsonObject>
#include <QString>

// The two short texts a program row shows beside a command's picture: what the command does
// with its present settings and when it runs. Pure functions of the command's JSON.

// What the command's "action" does, e.g. "S:60 T:2 (0)" for a timed drive with brake.
QString actionSummary(const QJsonObject &command);

// When the command runs, from its "conditions", e.g. "(D3=1) & (A2>100)".
QString conditionsSummary(const QJsonObject &command);

// One condition object, e.g. "40<A2<200" or "N=5".
QString conditionText(const QJsonObject &condition);
