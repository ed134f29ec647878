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

Result<void> ReportFile::Open(const std::string& path) {
  if (Result<void> opened = file_.Open(path); !opened) {
    return Failure{
        "cannot open the report file " + path + " for appending: " + opened.failure().text, {}};
  }
  path_ = path;
  return {};
}

Result<void> ReportFile::Append(nlohmann::json record) {
  if (!file_.IsOpen()) return {};
  record["time"] = UtcTimeStamp();
  record["version"] = kProgramVersion;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (Result<void> appended = file_.Append(JsonText(record) + "\n"); !appended) {
    return Failure{"the record could not be appended to " + path_ + ": " + appended.failure().text,
                   {}};
  }
  return {};
}

}  // namespace kvx::cli
