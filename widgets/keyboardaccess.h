#pragma once

// Keyboard and assistive technology support shared by every window: the focus mark, scrolling
// the focused control into view, and how the picture controls present themselves.
#include <functional>

class QKeyEvent;

namespace KeyboardAccess {

// Space, Enter or Return without a modifier: the keys that press the focused button.
bool isActivationKey(const QKeyEvent *event);

// For a control's keyPressEvent: an activation key presses it once (held keys do not repeat the
// press) and is taken; true when the key was one, false leaves the event to the caller.
bool pressByKey(QKeyEvent *event, const std::function<void()> &press);

// Installs it all once; later calls do nothing. The main window calls it before it builds.
void install();

} // namespace KeyboardAccess
