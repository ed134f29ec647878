#include "app/window_placement.h"

namespace kvx {

namespace {

constexpr char kSection[] = "WindowPos";
// What "leftPos" is read as when nothing was stored.
constexpr int kNoPosition = 0xFFFF;

bool WhollyInside(const ScreenRect& rect, const ScreenRect& desktop) {
  return rect.left >= desktop.left && rect.top >= desktop.top && rect.right <= desktop.right &&
         rect.bottom <= desktop.bottom;
}

}  // namespace

std::optional<ScreenRect> StoredWindowRect(const Profile& profile, const ScreenRect& desktop) {
  if (profile.ReadInt(kSection, "leftPos", kNoPosition) == kNoPosition) return std::nullopt;
  const ScreenRect stored{
      profile.ReadInt(kSection, "leftPos", 0), profile.ReadInt(kSection, "topPos", 0),
      profile.ReadInt(kSection, "rightPos", 0), profile.ReadInt(kSection, "bottomPos", 0)};
  // A rectangle without width or height would restore a window nobody can see or grab.
  const bool hasSize = stored.right > stored.left && stored.bottom > stored.top;
  if (!hasSize || !WhollyInside(stored, desktop)) return std::nullopt;
  return stored;
}

void KeepWindowRect(Profile& profile, WindowShowState state, const ScreenRect& normal) {
  if (state != WindowShowState::kNormal) return;
  profile.WriteInt(kSection, "leftPos", normal.left);
  profile.WriteInt(kSection, "topPos", normal.top);
  profile.WriteInt(kSection, "rightPos", normal.right);
  profile.WriteInt(kSection, "bottomPos", normal.bottom);
}

}  // namespace kvx
