#pragma once

#include <QObject>
#include <QPointer>
#include <QTranslator>

// Qt's own texts (the file dialogs, the dock buttons, standard buttons) in the user's language:
// Qt's catalog qtbase_<locale>.qm from Qt's translations folder, or from a "translations" folder
// beside the program, where a build that carries its own Qt puts the same catalogs.
class QtTranslations : public QObject
{
    Q_OBJECT
public:
    explicit QtTranslations(QObject *parent = nullptr);

    // Puts the catalog of the locale (such as "ru") in place of the one in use; with an empty
    // locale or without a catalog for it Qt speaks its own English. True when a catalog is in use.
    bool use(const QString &localeName);
    // The folders searched, in order.
    static QStringList folders();

private:
    QString m_localeName;
    QPointer<QTranslator> m_translator;
};
