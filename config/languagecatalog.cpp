#include "languagecatalog.h"

#include "appcontext.h"
#include "configlog.h"
#include "hardwaredescription.h"
#include "shippeddata.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <exception>
#include <stdexcept>

LanguageCatalog::LanguageCatalog(const QString &programFolder)
{
    const QString languagesPath =
        QStringLiteral("%1/%2").arg(programFolder, QStringLiteral("Languages"));
    QDir languages(languagesPath);
    if (!languages.exists()) {
        qCDebug(lcConfig).noquote() << QStringLiteral("Languages dir not found ") + languagesPath;
        throw std::runtime_error("Languages dir not found");
    }

    const QStringList folders =
        languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &folder : folders) {
        try {
            const QString path =
                QStringLiteral("%1/%2/%3")
                    .arg(languages.absolutePath(), folder, QStringLiteral("base.json"));
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                qCWarning(lcConfig).noquote()
                    << QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
                continue;
            }
            const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
            if (object.contains(QStringLiteral("Language")))
                m_entries.append({object.value(QStringLiteral("Language")).toString(), path});
        } catch (const std::exception &error) {
            qCWarning(lcConfig) << "Skipping configuration folder" << folder << error.what();
        }
    }
}

LanguageCatalog::~LanguageCatalog() = default;

LanguageCatalog &LanguageCatalog::instance()
{
    // The description the catalog holds unregisters from AppContext when it goes at exit, so
    // AppContext is made first and thereby destroyed after the catalog.
    AppContext::instance();
    static LanguageCatalog catalog(ShippedData::folderHolding(QStringLiteral("Languages")));
    return catalog;
}

bool LanguageCatalog::select(const QString &name)
{
    m_current.reset();
    for (const auto &entry : std::as_const(m_entries)) {
        if (entry.first == name) {
            m_current = std::make_unique<HardwareDescription>(entry.second);
            return true;
        }
    }
    if (m_entries.isEmpty())
        throw std::runtime_error("No configurations detected");
    m_current = std::make_unique<HardwareDescription>(m_entries.first().second);
    return false;
}

QStringList LanguageCatalog::languageNames() const
{
    QStringList names;
    for (const auto &entry : m_entries)
        names.append(entry.first);
    return names;
}

QString LanguageCatalog::currentLanguage() const
{
    return m_current ? m_current->language() : QString();
}
