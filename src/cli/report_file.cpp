#include "cli/report_file.h"

#include <ctime>

#include "cli/command_report.h"
#include "program_version.h"

namespace kvx::cli {

namespace {

// "2026-12-07T03:45:12Z"
std::string UtcTimeStamp() {
  const std::tm utc = os::UtcTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

bool ReportFile::Open(const std::string& path, std::string& error) {
  std::string reason;
  if (!file_.Open(path, reason)) {
    error = "cannot open the report file " + path + " for appending: " + reason;
    return false;
  }
  path_ = path;
  return true;
}

std::string ReportFile::Append(nlohmann::json record) {
  if (!file_.IsOpen()) return "";
  record["time"] = UtcTimeStamp();
  record["version"] = kProgramVersion;
  const std::lock_guard<std::mutex> lock(mutex_);
  std::string reason;
  if (file_.Append(JsonText(record) + "\n", reason)) return "";
  return "the record could not be appended to " + path_ + ": " + reason;
}

}  // namespace kvx::cli
