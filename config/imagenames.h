#pragma once

#include <QStringList>

// Images the program asks for by name, besides those base.json names.
namespace ImageNames {
// Files used as they are.
const QStringList &singleFiles();
// Stems used with "_on.svg", "_off.svg" and "_disable.svg".
const QStringList &stems();
// The three file names of a stem: on, off, disabled.
QStringList stateFiles(const QString &stem);
// Stem of a "Picture" value: the part before the first ".".
QString stemOf(const QString &picture);
} // namespace ImageNames
