#include "cli/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/command_report.h"
#include "program_version.h"

namespace kvx::cli {

namespace {

#ifdef _WIN32
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_BINARY;
int SyncToDisk(int descriptor) {
  return _commit(descriptor);
}
std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_s(&utc, &time);
  return utc;
}
#else
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
int SyncToDisk(int descriptor) {
  return fsync(descriptor);
}
std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_r(&time, &utc);
  return utc;
}
#endif

// "2026-12-07T03:45:12Z"
std::string UtcTimeStamp() {
  const std::tm utc = UtcTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

ReportFile::~ReportFile() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool ReportFile::Open(const std::string& path, std::string& error) {
  descriptor_ = open(path.c_str(), kAppendFlags, 0644);
  if (descriptor_ < 0) {
    error = "cannot open the report file " + path + " for appending: " + std::strerror(errno);
    return false;
  }
  path_ = path;
  return true;
}

bool ReportFile::Append(nlohmann::json record) {
  if (descriptor_ < 0) return true;
  record["time"] = UtcTimeStamp();
  record["version"] = kProgramVersion;
  const std::string line = JsonText(record) + "\n";
  const std::lock_guard<std::mutex> lock(mutex_);
  const long written =
      static_cast<long>(write(descriptor_, line.data(), static_cast<unsigned>(line.size())));
  if (written == static_cast<long>(line.size()) && SyncToDisk(descriptor_) == 0) {
    return true;
  }
  std::fprintf(stderr, "kvxctl: the record of %s could not be appended to %s: %s\n",
               record.value("port", "").c_str(), path_.c_str(), std::strerror(errno));
  return false;
}

}  // namespace kvx::cli
