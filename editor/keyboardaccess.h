#pragma once

// Keyboard and assistive technology support shared by every window: the focus mark, scrolling
// the focused control into view, and how the picture controls present themselves.
class QKeyEvent;

namespace KeyboardAccess {

// Space, Enter or Return without a modifier: the keys that press the focused button.
bool isActivationKey(const QKeyEvent *event);

// Installs it all once; later calls do nothing. The main window calls it before it builds.
void install();

} // namespace KeyboardAccess
