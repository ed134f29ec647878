#include "link/win32/port_name.h"

#include <optional>

namespace kvx {

ChosenPort ResolveWin32PortName(const std::string& name) {
  const std::optional<int> comNumber = ParseComNumber(name);
  if (!comNumber) return ChosenPort(name);
  const std::string com = "COM" + std::to_string(*comNumber);
  return ChosenPort(com, "\\\\.\\" + com, false);
}

}  // namespace kvx
