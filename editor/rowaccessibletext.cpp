#include "rowaccessibletext.h"

#include "accessibletext.h"

#include <QStringList>

namespace RowAccessibleText {

QString name(const QString &title, const QString &summary, const QString &conditions)
{
    const QString settings = summary.trimmed();
    const QString base = settings.isEmpty() ? title
                                            : AccessibleText::format(QStringLiteral("RowName"),
                                                                     QStringLiteral("%1: %2"))
                                                  .arg(title, settings);
    if (conditions.isEmpty())
        return AccessibleText::format(QStringLiteral("RowAlways"), QStringLiteral("%1")).arg(base);
    return AccessibleText::format(QStringLiteral("RowWhen"), QStringLiteral("%1; %2"))
        .arg(base, conditions);
}

QString description(RowDecoration::Marker marker, bool breakpoint, bool enabled)
{
    QStringList parts;
    if (marker == RowDecoration::Marker::Running)
        parts.append(AccessibleText::text(QStringLiteral("RowRunning")));
    else if (marker == RowDecoration::Marker::Next)
        parts.append(AccessibleText::text(QStringLiteral("RowNext")));
    if (breakpoint)
        parts.append(AccessibleText::text(QStringLiteral("RowBreakpoint")));
    if (!enabled)
        parts.append(AccessibleText::text(QStringLiteral("RowGreyed")));
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace RowAccessibleText
