#include "cli/output_file.h"

#include <optional>
#include <system_error>

namespace kvx::cli {

Result<void> MayWriteOutput(const std::filesystem::path& path, bool replace) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  const std::string name = path.string();
  if (std::filesystem::is_directory(status)) return Failure{name + " is a directory", {}};
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return Failure{name + " is not a regular file", {}};
  if (std::filesystem::exists(status) && !replace)
    return Failure{name + " exists; give --force to replace it", {}};
  // Found now rather than once the probe has been read, which takes a minute.
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error))
    return Failure{"no such directory: " + folder.string(), {}};
  return {};
}

Result<void> RunFiles::Claim(const std::string& path, const std::string& use) {
  // A file in a folder that is not there meets nothing; using it fails on its own.
  const std::optional<os::FileIdentity> identity = os::IdentifyFile(path);
  if (!identity) return {};
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const Claimed& other : claimed_) {
    if (!other.identity.SameFileAs(*identity)) continue;
    if (other.use == use) {
      return Failure{
          path + " is written by this run already, for another probe with that serial number", {}};
    }
    return Failure{other.use + " and " + use + " name the same file" +
                       (other.path == path ? " " + path : ": " + other.path + " and " + path),
                   {}};
  }
  claimed_.push_back({*identity, path, use});
  return {};
}

}  // namespace kvx::cli
