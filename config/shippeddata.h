#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Finds the data the program ships with (Languages/, default.json, firmware/, ...). A build tree
// and a copy unpacked by hand keep it beside the executable; an installed package keeps it in
// ../share/taviro-start relative to the executable, wherever the package was unpacked.
namespace ShippedData {

// The folders that may hold shipped data, most specific first.
QStringList searchFolders(const QString &executableFolder);

// The first search folder that holds entry (a file or folder name). When none does, the
// executable's folder, so that a "not found" message names the place the build puts it.
QString folderHolding(const QString &entry,
                      const QString &executableFolder = QCoreApplication::applicationDirPath());

} // namespace ShippedData
