#pragma once

#include <array>

#include "app/frame_commands.h"

namespace kvx::qt {

// Whether Caps Lock, Num Lock and Scroll Lock are on, in the order of the status bar's panes,
// as the keyboard's lights show them on an X display; all off where the window system does not
// tell (a Wayland session, or no display at all).
std::array<bool, kIndicatorPanes.size()> LockKeysOn();

}  // namespace kvx::qt
