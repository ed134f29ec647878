#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/file_calls.h"
#include "os/system.h"
#include "os/whole_file.h"

namespace kvx {

// The window's documents on disk. Paths are narrow strings as the system names files (UTF-8 on
// Windows, which each platform's source file turns into the system's own form).

// Replaces the file at `path` with `bytes` in one step: they go to a new file beside it,
// which replaces the old one only once it was written whole and flushed to the disk. A
// symbolic link keeps leading to the file, which keeps its permissions. On failure the old file
// is as it was and no new file is left behind.
inline Result<void> ReplaceFileContent(const std::string& path,
                                       const std::vector<std::uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return os::WriteFileWhole(path, text, {true, true});
}

// Whether `path` is a regular file that this user may read and write and that is not marked
// read-only for everybody (a mark the superuser's writes would pass over).
inline bool MayReadAndWrite(const std::string& path) {
  return os::file::MayReadAndWrite(path);
}

// `path` as an absolute path without "." and ".." parts, so one file has one name.
inline std::string AbsoluteFilePath(const std::string& path) {
  std::error_code noWorkingDirectory;
  const std::filesystem::path absolute =
      std::filesystem::absolute(std::filesystem::u8path(path), noWorkingDirectory);
  if (noWorkingDirectory) return path;
  return absolute.lexically_normal().u8string();
}

// Whether `first` and `second` name the same file: as the system compares names (in the same
// folder, letter case ignored on Windows, not elsewhere), or, for a file that exists, leading
// to the same file, through a link or any other name (os::FileIdentity).
inline bool SameFilePath(const std::string& first, const std::string& second) {
  const std::optional<os::FileIdentity> one = os::IdentifyFile(first);
  const std::optional<os::FileIdentity> other = os::IdentifyFile(second);
  if (one && other) return one->SameFileAs(*other);
  return os::ComparablePath(first) == os::ComparablePath(second);
}

// The last part of `path`, the name the user knows the file by.
inline std::string FileNameOf(const std::string& path) {
  return std::filesystem::u8path(path).filename().u8string();
}

}  // namespace kvx
