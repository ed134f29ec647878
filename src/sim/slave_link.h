#pragma once

#include <string>

namespace kvx::sim {

// A symbolic link to the pseudo-terminal's slave under a fixed name, for as long as the
// simulator runs, so scripts need not read the changing /dev/pts path.
class SlaveLink {
 public:
  // Replaces a symbolic link already at `linkPath`, but nothing else: throws
  // std::runtime_error when something other than a symbolic link is there, or on failure.
  SlaveLink(std::string linkPath, const std::string& target);
  // Removes the link, unless someone has since pointed it elsewhere.
  ~SlaveLink();
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;

 private:
  std::string linkPath_;
  std::string target_;
};

}  // namespace kvx::sim
