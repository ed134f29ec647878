#include "app/qt/lock_keys.h"

#include <QGuiApplication>

// After Qt's headers: X11's macros would rename Qt's own names.
#include <X11/XKBlib.h>

namespace kvx::qt {

std::array<bool, kIndicatorPanes.size()> LockKeysOn() {
  static constexpr std::array<const char*, kIndicatorPanes.size()> kIndicators = {
      "Caps Lock", "Num Lock", "Scroll Lock"};
  std::array<bool, kIndicatorPanes.size()> on{};
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  if (display == nullptr) return on;
  for (std::size_t key = 0; key < on.size(); ++key) {
    Bool lit = False;
    XkbGetNamedIndicator(display, XInternAtom(display, kIndicators[key], False), nullptr, &lit,
                         nullptr, nullptr);
    on[key] = lit != False;
  }
  return on;
}

}  // namespace kvx::qt
