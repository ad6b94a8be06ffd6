#pragma once

#include "rowdecoration.h"

#include <QString>

// What assistive technology says of a program row: its name is what the row shows (the command,
// its settings and its condition) and its description the marks of a run (running now, next)
// and of editing (breakpoint, greyed out by the cycle check). Texts from the dictionary.
namespace RowAccessibleText {

// title: the command's own name (its menu tool tip); summary: the row's action text;
// conditions: the row's condition text, empty for a command that always runs.
QString name(const QString &title, const QString &summary, const QString &conditions);

QString description(RowDecoration::Marker marker, bool breakpoint, bool enabled);

} // namespace RowAccessibleText
