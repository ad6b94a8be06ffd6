#include "qttranslations.h"

#include "uilogging.h"

#include <QCoreApplication>
#include <QLibraryInfo>

QtTranslations::QtTranslations(QObject *parent)
    : QObject(parent)
{}

QStringList QtTranslations::folders()
{
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
}

bool QtTranslations::use(const QString &localeName)
{
    if (m_translator && localeName == m_localeName)
        return true;
    // Removing the old catalog and installing the new one each tell every widget that the
    // language changed, so Qt's widgets already on screen retranslate themselves.
    delete m_translator;
    m_localeName = localeName;
    if (localeName.isEmpty())
        return false;
    auto *translator = new QTranslator(this);
    const QString file = QStringLiteral("qtbase_") + localeName;
    for (const QString &folder : folders()) {
        if (translator->load(file, folder)) {
            m_translator = translator;
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    qCInfo(lcUi).noquote() << "No Qt translations" << file << "in" << folders().join(", ");
    delete translator;
    return false;
}
