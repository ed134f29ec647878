#include "app/fast_update.h"

namespace kvx {

namespace {

constexpr char kSection[] = "Settings";
constexpr char kKey[] = "FastUpdate";

}  // namespace

bool FastUpdate::On() const {
  return profile_.ReadInt(kSection, kKey, 0) == 1;
}

void FastUpdate::Toggle() {
  profile_.WriteInt(kSection, kKey, On() ? 0 : 1);
}

}  // namespace kvx
