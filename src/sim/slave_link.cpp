#include "sim/slave_link.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kvx::sim {

namespace fs = std::filesystem;

SlaveLink::SlaveLink(std::string linkPath, const std::string& target)
    : linkPath_(std::move(linkPath)), target_(target) {
  std::error_code error;
  const fs::file_status existing = fs::symlink_status(linkPath_, error);
  if (fs::exists(existing)) {
    if (!fs::is_symlink(existing)) {
      throw std::runtime_error(linkPath_ + " exists and is not a symbolic link; not replacing it");
    }
    fs::remove(linkPath_, error);
  }
  fs::create_symlink(target_, linkPath_, error);
  if (error) {
    throw std::runtime_error("cannot link " + linkPath_ + " to " + target_ + ": " +
                             error.message());
  }
}

SlaveLink::~SlaveLink() {
  std::error_code error;
  if (fs::read_symlink(linkPath_, error) == target_ && !error) fs::remove(linkPath_, error);
}

}  // namespace kvx::sim
