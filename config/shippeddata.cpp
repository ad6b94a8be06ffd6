#include "shippeddata.h"

#include <QDir>
#include <QFileInfo>

// TAVIRO_DATA_FROM_BIN: the installed data folder relative to the programs' folder, from the
// build's install layout (normally "../share/taviro-start").

namespace ShippedData {

QStringList searchFolders(const QString &executableFolder)
{
    const QString beside = QDir::cleanPath(executableFolder);
    QStringList folders{
        beside, QDir::cleanPath(beside + QLatin1Char('/') + QStringLiteral(TAVIRO_DATA_FROM_BIN))};
    // A Windows installation keeps its data beside the programs: one folder.
    folders.removeDuplicates();
    return folders;
}

QString folderHolding(const QString &entry, const QString &executableFolder)
{
    const QStringList folders = searchFolders(executableFolder);
    for (const QString &folder : folders) {
        if (QFileInfo::exists(folder + QLatin1Char('/') + entry))
            return folder;
    }
    return folders.first();
}

} // namespace ShippedData
