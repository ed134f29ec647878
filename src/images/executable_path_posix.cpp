#include <system_error>

#include "images/update_catalogue.h"

namespace kvx {

std::filesystem::path RunningExecutablePath() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable;
}

}  // namespace kvx
