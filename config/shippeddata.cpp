#include "shippeddata.h"

#include <QDir>
#include <QFileInfo>

#ifndef TAVIRO_DATA_FROM_BIN
#define TAVIRO_DATA_FROM_BIN "../share/taviro-start"
#endif

namespace ShippedData {

QStringList searchFolders(const QString &executableFolder)
{
    const QString beside = QDir::cleanPath(executableFolder);
    return {beside,
            QDir::cleanPath(beside + QLatin1Char('/') + QStringLiteral(TAVIRO_DATA_FROM_BIN))};
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
