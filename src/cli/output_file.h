#pragma once

#include <filesystem>
#include <string>

namespace kvx::cli {

// Why `path` may not be written: it exists and `replace` was not given, it is a directory,
// or its directory does not exist; empty when it may be.
std::string OutputFileProblem(const std::filesystem::path& path, bool replace);

// Writes `content` to `path` whole or not at all: into a temporary file beside it, which is
// then renamed over it, so a failed write, a full disk or an interruption never leaves half a
// file, nor costs the one that was there. Returns why it failed, or empty.
std::string WriteFileWhole(const std::filesystem::path& path, const std::string& content);

}  // namespace kvx::cli
