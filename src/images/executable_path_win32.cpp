#include <windows.h>

#include <string>

#include "images/update_catalogue.h"

namespace kvx {

std::filesystem::path RunningExecutablePath() {
  // GetModuleFileNameA fills the whole buffer, cutting the path, when it is too small.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::string path(size, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) return path.substr(0, length);
  }
  return {};
}

}  // namespace kvx
