#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class HardwareDescription;

// The configurations found under the program's "Languages" folder, one per sub-folder holding a
// base.json with a "Language", ordered by folder name ignoring case; and the selected one.
class LanguageCatalog
{
public:
    // Scans programFolder + "/Languages"; raises std::runtime_error when that folder is missing.
    explicit LanguageCatalog(const QString &programFolder);
    ~LanguageCatalog();

    LanguageCatalog(const LanguageCatalog &) = delete;
    LanguageCatalog &operator=(const LanguageCatalog &) = delete;

    // The catalog of the running program, created (and scanned) on first use.
    static LanguageCatalog &instance();

    // Loads the first configuration whose language equals name; true when found. Otherwise loads
    // the first configuration and returns false; raises "No configurations detected" when none.
    bool select(const QString &name);

    QStringList languageNames() const;
    // (language name, path of base.json) in catalog order.
    const QList<QPair<QString, QString>> &entries() const { return m_entries; }
    HardwareDescription *current() const { return m_current.get(); }
    QString currentLanguage() const;

private:
    QList<QPair<QString, QString>> m_entries;
    std::unique_ptr<HardwareDescription> m_current;
};
