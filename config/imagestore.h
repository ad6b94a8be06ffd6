#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

#include <memory>

// The images folder of one configuration. "empty" names the transparent placeholder.
// Each picture is read once: the store keeps the icons it made, and its copies share them, so
// every widget that shows a picture shares its drawn pixmaps too. Another folder (another
// language) is another store, which starts empty.
class ImageStore
{
public:
    ImageStore() = default;
    explicit ImageStore(const QString &folderPath);

    const QString &folderPath() const { return m_folderPath; }
    // Full path of an image file of the folder.
    QString filePath(const QString &name) const;
    // The icon of a file of the images folder; a null icon (and a log line) when it is missing.
    QIcon icon(const QString &name) const;
    // A 10 x 10 transparent icon.
    static QIcon placeholder();
    static bool isPlaceholderName(const QString &name);

private:
    // The icon of an existing file, read once.
    static QIcon load(const QString &path);

    QString m_folderPath;
    std::shared_ptr<QHash<QString, QIcon>> m_icons;
};
