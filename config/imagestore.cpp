#include "imagestore.h"

#include "configlog.h"
#include "svgicon.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

ImageStore::ImageStore(const QString &folderPath)
    : m_folderPath(folderPath)
    , m_icons(std::make_shared<QHash<QString, QIcon>>())
{}

QString ImageStore::filePath(const QString &name) const
{
    return QStringLiteral("%1%2%3").arg(m_folderPath, QStringLiteral("/images/"), name);
}

QIcon ImageStore::icon(const QString &name) const
{
    // Widgets made before a language is chosen have no images yet; they load them again once
    // the language's store is published.
    if (m_folderPath.isEmpty() || !m_icons)
        return isPlaceholderName(name) ? placeholder() : QIcon();
    const auto known = m_icons->constFind(name);
    if (known != m_icons->constEnd())
        return *known;
    QIcon icon;
    if (isPlaceholderName(name)) {
        icon = placeholder();
    } else {
        const QString path = filePath(name);
        // A missing file is not remembered: each request for it says so.
        if (!QFileInfo::exists(path)) {
            qCDebug(lcConfig).noquote() << QStringLiteral("Not found picture file: ") + path;
            return QIcon();
        }
        icon = load(path);
    }
    m_icons->insert(name, icon);
    return icon;
}

QIcon ImageStore::load(const QString &path)
{
    if (!path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return QIcon(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcConfig).noquote()
            << "Cannot read picture file" << path << ":" << file.errorString();
        return QIcon();
    }
    const QIcon icon = SvgIconEngine::icon(file.readAll());
    if (icon.isNull())
        qCWarning(lcConfig).noquote() << "Picture file is not a drawable SVG picture:" << path;
    return icon;
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
