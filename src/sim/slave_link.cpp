#include "sim/slave_link.h"

#include <filesystem>
#include <system_error>

namespace kvx::sim {

namespace fs = std::filesystem;

Result<std::unique_ptr<SlaveLink>> SlaveLink::Make(std::string linkPath,
                                                   const std::string& target) {
  std::error_code error;
  const fs::file_status existing = fs::symlink_status(linkPath, error);
  if (fs::exists(existing)) {
    if (!fs::is_symlink(existing)) {
      return Failure{linkPath + " exists and is not a symbolic link; not replacing it", {}};
    }
    fs::remove(linkPath, error);
  }
  fs::create_symlink(target, linkPath, error);
  if (error) {
    return Failure{"cannot link " + linkPath + " to " + target + ": " + error.message(), {}};
  }
  return std::unique_ptr<SlaveLink>(new SlaveLink(std::move(linkPath), target));
}

SlaveLink::~SlaveLink() {
  std::error_code error;
  if (fs::read_symlink(linkPath_, error) == target_ && !error) fs::remove(linkPath_, error);
}

}  // namespace kvx::sim
