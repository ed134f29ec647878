#pragma once

#include <memory>
#include <string>

#include "os/result.h"

namespace kvx::sim {

// A symbolic link to the pseudo-terminal's slave under a fixed name, for as long as the
// simulator runs, so scripts need not read the changing /dev/pts path.
class SlaveLink {
 public:
  // Replaces a symbolic link already at `linkPath`, but nothing else: fails when something
  // other than a symbolic link is there, or the link cannot be made.
  static Result<std::unique_ptr<SlaveLink>> Make(std::string linkPath, const std::string& target);
  // Removes the link, unless someone has since pointed it elsewhere.
  ~SlaveLink();
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;

 private:
  SlaveLink(std::string linkPath, const std::string& target)
      : linkPath_(std::move(linkPath)), target_(target) {}

  std::string linkPath_;
  std::string target_;
};

}  // namespace kvx::sim
