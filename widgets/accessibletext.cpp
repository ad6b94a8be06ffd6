#include "accessibletext.h"

#include "appcontext.h"

#include <QKeySequence>
#include <QWidget>

namespace AccessibleText {

QString text(const QString &key)
{
    const AppContext &context = AppContext::instance();
    return !key.isEmpty() && context.hasText(key) ? context.text(key) : QString();
}

QString format(const QString &key, const QString &fallback)
{
    const QString pattern = text(key);
    return pattern.contains(QLatin1String("%1")) ? pattern : fallback;
}

void set(QWidget *widget, const QString &nameKey, const QString &descriptionKey)
{
    setTexts(widget, text(nameKey), text(descriptionKey));
}

void setTexts(QWidget *widget, const QString &name, const QString &description)
{
    if (!widget)
        return;
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

QString withShortcut(const QString &tip, const QKeySequence &keys)
{
    if (keys.isEmpty())
        return tip;
    const QString shortcut = keys.toString(QKeySequence::NativeText);
    if (tip.isEmpty())
        return shortcut;
    return format(QStringLiteral("ShortcutHint"), QStringLiteral("%1 (%2)")).arg(tip, shortcut);
}

} // namespace AccessibleText
