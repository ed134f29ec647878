#include "app/document_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kvx {

namespace {

constexpr int kMostLinksFollowed = 40;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

std::string SystemError() {
  return std::strerror(errno);
}

// The file a chain of symbolic links ends at, which need not exist yet; `path` itself when it
// is no link.
std::string FinalTarget(std::string path) {
  for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
    std::error_code notALink;
    const std::filesystem::path target = std::filesystem::read_symlink(path, notALink);
    if (notALink) return path;
    path = target.is_absolute() ? target.string()
                                : (std::filesystem::path(path).parent_path() / target).string();
  }
  return path;
}

// The permissions a new file gets from this process: what the umask leaves of rw-rw-rw-.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

// Writes all of `bytes`, taking short writes and interruptions in stride; why not, or empty.
std::string WriteAll(int descriptor, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return SystemError();
    if (written == 0) return "the disk took no more";
    done += static_cast<std::size_t>(written);
  }
  // A file system that cannot sync (EINVAL) has nothing to sync to.
  if (fsync(descriptor) != 0 && errno != EINVAL) return SystemError();
  return {};
}

// Gives the new file `mode` and fills it; why not, or empty.
std::string FillNewFile(int descriptor, mode_t mode, const std::vector<std::uint8_t>& bytes) {
  std::string failure = fchmod(descriptor, mode) == 0 ? WriteAll(descriptor, bytes) : SystemError();
  // A network file system may report a failed write only here.
  if (close(descriptor) != 0 && failure.empty()) failure = SystemError();
  return failure;
}

}  // namespace

std::string ReplaceFileContent(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string target = FinalTarget(path);
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return "it is a directory";
  if (exists && access(target.c_str(), W_OK) != 0) return SystemError();

  std::string temporary = target + ".XXXXXX";
  const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return SystemError();
  const mode_t mode = exists ? static_cast<mode_t>(existing.st_mode & 07777) : NewFileMode();
  std::string failure = FillNewFile(descriptor, mode, bytes);
  if (failure.empty() && rename(temporary.c_str(), target.c_str()) != 0) failure = SystemError();
  if (!failure.empty()) unlink(temporary.c_str());
  return failure;
}

// Any two names that lead to one file, a hard or a symbolic link among them, name it.
bool SameFilePath(const std::string& first, const std::string& second) {
  if (AbsoluteFilePath(first) == AbsoluteFilePath(second)) return true;
  struct stat one {};
  struct stat other {};
  return stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0 &&
         one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool MayReadAndWrite(const std::string& path) {
  struct stat file {};
  return !path.empty() && stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
         (file.st_mode & kAnyWrite) != 0 && access(path.c_str(), R_OK | W_OK) == 0;
}

}  // namespace kvx
