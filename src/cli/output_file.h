#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "os/system.h"

namespace kvx::cli {

// Fails when `path` may not be written as an output: it exists and `replace` was not given, it
// is a directory or no regular file (a FIFO, a terminal, /dev/stdout), or its folder does not
// exist.
Result<void> MayWriteOutput(const std::filesystem::path& path, bool replace);

// The files one run reads, writes and appends to, told apart by the files they are rather
// than by how they are named, so that no two uses of the run meet in one file: an output
// written over an input or the report, two outputs over each other, two probes' outputs
// under one name. Shared by the probes' threads.
class RunFiles {
 public:
  // Takes `path` for `use` ("--firmware", "--report", ...); fails when the run has that file
  // already. A file in a folder that is not there is taken without a claim.
  Result<void> Claim(const std::string& path, const std::string& use);

 private:
  struct Claimed {
    os::FileIdentity identity;
    std::string path;
    std::string use;
  };

  std::mutex mutex_;
  std::vector<Claimed> claimed_;
};

}  // namespace kvx::cli
