#include "cli/output_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace kvx::cli {

std::string OutputFileProblem(const std::filesystem::path& path, bool replace) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return path.string() + " is a directory";
  if (std::filesystem::exists(status) && !replace)
    return path.string() + " exists; give --force to replace it";
  // Found now rather than once the probe has been read, which takes a minute.
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error)) return "no such directory: " + folder.string();
  return "";
}

std::string WriteFileWhole(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::path partial = path;
  partial += ".partial";
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create " + partial.string() + ": " + std::strerror(errno);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  std::string problem;
  std::error_code error;
  if (!out) {
    problem = "cannot write " + partial.string() + ": " + std::strerror(errno);
  } else if (std::filesystem::rename(partial, path, error); error) {
    problem = "cannot rename " + partial.string() + " to " + path.string() + ": " + error.message();
  }
  if (!problem.empty()) std::filesystem::remove(partial, error);
  return problem;
}

}  // namespace kvx::cli
