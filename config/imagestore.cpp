#include "imagestore.h"

#include "configlog.h"

#include <QColor>
#include <QFileInfo>
#include <QPixmap>

ImageStore::ImageStore(const QString &folderPath)
    : m_folderPath(folderPath)
{}

QString ImageStore::filePath(const QString &name) const
{
    return QStringLiteral("%1%2%3").arg(m_folderPath, QStringLiteral("/images/"), name);
}

QIcon ImageStore::icon(const QString &name) const
{
    if (isPlaceholderName(name))
        return placeholder();
    // Widgets made before a language is chosen have no images yet; they load them again once
    // the language's store is published.
    if (m_folderPath.isEmpty())
        return QIcon();
    const QString path = filePath(name);
    if (!QFileInfo::exists(path)) {
        qCDebug(lcConfig).noquote() << QStringLiteral("Not found picture file: ") + path;
        return QIcon();
    }
    return QIcon(path);
}

QIcon ImageStore::placeholder()
{
    // Made on request: a pixmap needs the GUI application, which may not exist yet (or any more)
    // when the store itself is copied around.
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

bool ImageStore::isPlaceholderName(const QString &name)
{
    return name == QLatin1String("empty") || name == QLatin1String("empty_on.svg") ||
           name == QLatin1String("empty_off.svg") || name == QLatin1String("empty_disable.svg");
}
