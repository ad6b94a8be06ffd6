#pragma once

// Keyboard and assistive technology support shared by every window: the focus mark, scrolling
// the focused control into view, and how the picture controls present themselves.
#include <functional>

class QEvent;
class QKeyEvent;

namespace KeyboardAccess {

// Space, Enter or Return without a modifier: the keys that press the focused button.
bool isActivationKey(const QKeyEvent *event);

// For a control's keyPressEvent: an activation key presses it once (held keys do not repeat the
// press) and is taken; true when the key was one, false leaves the event to the caller.
bool pressByKey(QKeyEvent *event, const std::function<void()> &press);

// A text field asking to keep the undo or redo keys for its own history of typing. An event
// filter that takes this event leaves the keys to the window: a value typed into a field is
// already a step of the program's history, which the keys walk.
bool isHistoryShortcut(const QEvent *event);

// Installs it all once; later calls do nothing. The main window calls it before it builds.
void install();

} // namespace KeyboardAccess
