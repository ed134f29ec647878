#pragma once

#include <optional>

#include "app/profile.h"

namespace kvx {

// A window's rectangle in screen pixels, as the window system counts it: right and bottom lie
// just outside.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool operator==(const ScreenRect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

enum class WindowShowState { kNormal, kMinimised, kMaximised };

// The main window's normal rectangle as the last run left it ("leftPos", "topPos", "rightPos"
// and "bottomPos" of section "WindowPos"), when it lies wholly on `desktop`; nothing when none
// was stored ("leftPos" missing or 65535), when it reaches past the desktop, or when it has
// no size, so the window system's own position stays.
std::optional<ScreenRect> StoredWindowRect(const Profile& profile, const ScreenRect& desktop);

// Keeps the main window's `normal` rectangle for the next run, but only while the window is
// shown normal: a minimised or maximised window's rectangle is not the one to come back to.
void KeepWindowRect(Profile& profile, WindowShowState state, const ScreenRect& normal);

}  // namespace kvx
