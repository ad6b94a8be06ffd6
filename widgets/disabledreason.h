#pragma once

#include <QString>

class QWidget;

// A control that cannot be used says why, and what to do first: in its tool tip, after what it
// does, and in its accessible description, which a screen reader reads after its name.
namespace DisabledReason {

// `tip` is what the control does; `reason` why it is disabled, empty while it may be used;
// `description` what a reader hears while it may be used. Enables the control exactly when there
// is no reason.
void apply(QWidget *widget, const QString &tip, const QString &reason, const QString &description);

// The tool tip of a control with that tip and reason.
QString toolTip(const QString &tip, const QString &reason);

} // namespace DisabledReason
