#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "os/system.h"

namespace kvx::cli {

// The line's record of which probe got what (--report): one JSON object a line, each with
// the UTC time it was written and the tool's version. Every record is appended whole and
// synced to the disk before the next, by this process's probes and by any other kvxctl
// appending to the same file, so a crash, a power cut or a full disk leaves whole lines only
// and never loses an earlier one.
class ReportFile {
 public:
  // Opens `path` for appending, creating it when missing; fails when it cannot be, or is no
  // regular file.
  Result<void> Open(const std::string& path);
  // Appends `record` with its time and version; does nothing when no file is open. Fails when
  // the record could not be appended whole.
  Result<void> Append(nlohmann::json record);

 private:
  std::string path_;
  os::AppendOnlyFile file_;
  std::mutex mutex_;  // the probes' threads share one descriptor, which the file lock cannot part
};

}  // namespace kvx::cli
