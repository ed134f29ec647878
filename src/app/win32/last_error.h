#pragma once

#include <string>

#include "link/win32/win32_system.h"

namespace kvx {

// The system's own words for why the last call failed.
inline std::string LastErrorText() {
  Win32System& system = RealWin32System();
  return system.MessageText(system.LastError());
}

}  // namespace kvx
