#include "disabledreason.h"

#include <QWidget>

namespace DisabledReason {

QString toolTip(const QString &tip, const QString &reason)
{
    if (reason.isEmpty())
        return tip;
    return tip.isEmpty() ? reason : tip + QLatin1Char('\n') + reason;
}

void apply(QWidget *widget, const QString &tip, const QString &reason, const QString &description)
{
    widget->setEnabled(reason.isEmpty());
    widget->setToolTip(toolTip(tip, reason));
    widget->setAccessibleDescription(reason.isEmpty() ? description : reason);
}

} // namespace DisabledReason
