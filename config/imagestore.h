#pragma once

#include <QIcon>
#include <QString>

// The images folder of one configuration. "empty" names the transparent placeholder.
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
    QString m_folderPath;
};
