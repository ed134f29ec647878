#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace kvx::cli {

// The line's record of which probe got what (--report): one JSON object a line, each with
// the UTC time it was written and the tool's version. Every record is appended with one
// write and synced to the disk before the next probe's, so a crash or a power cut leaves
// whole lines only and never loses an earlier one. Records may come from several threads.
class ReportFile {
 public:
  ReportFile() = default;
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Opens `path` for appending, creating it when missing; false with `error` set when it
  // cannot be.
  bool Open(const std::string& path, std::string& error);
  // Appends `record` with its time and version; does nothing when no file is open. False,
  // with the reason on standard error, when the record could not be written whole.
  bool Append(nlohmann::json record);

 private:
  std::string path_;
  int descriptor_ = -1;
  std::mutex mutex_;
};

}  // namespace kvx::cli
