#pragma once

#include <QString>

class CheckableRoundLabel;
class ClickableRoundLabel;
class QIcon;
class QLabel;
class QWidget;
class ToggledIconLabel;

// Small builders shared by the property editors, so that every editor gets the same look for its
// captions and image buttons from the current configuration.
namespace PropertyControls {

// The image of a button stem in one of its three states: stem + "_on.svg", "_off.svg",
// "_disable.svg".
QIcon stateIcon(const QString &stem, const QString &state);

// A white caption with the dictionary text of the key. Given the control it names (a sibling),
// it is that control's label for screen readers, which on Linux name a combo box by its value.
QLabel *caption(const QString &key, QWidget *parent, QWidget *control = nullptr);

// A selection button of the given image stem, sized by two dimension keys.
ToggledIconLabel *toggle(const QString &stem, const QString &widthKey, const QString &heightKey,
                         int defaultSize, const QString &captionKey, const QString &hintKey,
                         QWidget *parent);

// A check button of the given image stem, sized by two dimension keys.
CheckableRoundLabel *checkable(const QString &stem, const QString &widthKey,
                               const QString &heightKey, int defaultSize, const QString &captionKey,
                               const QString &hintKey, QWidget *parent);

// A push button of the given image stem, sized by two dimension keys.
ClickableRoundLabel *clickable(const QString &stem, const QString &widthKey,
                               const QString &heightKey, int defaultSize, const QString &captionKey,
                               QWidget *parent);

} // namespace PropertyControls
