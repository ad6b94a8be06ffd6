#include "unsavedwork.h"

#include "appcontext.h"

#include <QJsonArray>
#include <QMessageBox>
#include <QPushButton>

QJsonObject UnsavedWork::relevant(const QJsonObject &document)
{
    return {{QStringLiteral("ProgData"), document.value(QLatin1String("ProgData"))},
            {QStringLiteral("configuration"), document.value(QLatin1String("configuration"))}};
}

void UnsavedWork::markSaved(const QJsonObject &document)
{
    m_saved = relevant(document);
}

bool UnsavedWork::hasChanges(const QJsonObject &document) const
{
    if (m_saved)
        return relevant(document) != *m_saved;
    for (const QJsonValue &program : document.value(QLatin1String("ProgData")).toArray()) {
        if (!program.toArray().isEmpty())
            return true;
    }
    return false;
}

bool UnsavedWork::askToKeep(QWidget *parent, const QJsonObject &document,
                            const std::function<bool()> &save) const
{
    if (!hasChanges(document))
        return true;
    const AppContext &context = AppContext::instance();
    QMessageBox box(QMessageBox::Question, context.text(QStringLiteral("ProgramName")),
                    context.text(QStringLiteral("UnsavedWorkQuestion")), QMessageBox::NoButton,
                    parent);
    box.setObjectName(QStringLiteral("unsavedWork"));
    QPushButton *keep =
        box.addButton(context.text(QStringLiteral("UnsavedWorkSave")), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(context.text(QStringLiteral("UnsavedWorkDiscard")),
                                         QMessageBox::DestructiveRole);
    QPushButton *cancel =
        box.addButton(context.text(QStringLiteral("UnsavedWorkCancel")), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard)
        return true;
    if (box.clickedButton() == keep)
        return save();
    return false;
}
