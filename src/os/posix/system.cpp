#include "os/system.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "os/file_calls.h"
#include "os/posix/account.h"

namespace kvx::os {

namespace {

void (*stopHandler)() = nullptr;

constexpr int kMostLinksFollowed = 40;
constexpr std::size_t kUniqueSuffix = sizeof ".XXXXXX" - 1;

std::string FolderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return folder.empty() ? "." : folder.string();
}

// Read from the system rather than set and put back, which would let another thread create
// a file meanwhile with no mask at all.
mode_t ProcessUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

extern "C" void ForwardStopSignal(int /*signal*/) {
  stopHandler();
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

bool ConsoleClosesOnExit() {
  return false;
}

std::size_t TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::filesystem::path ExecutablePath() {
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable;
}

void CallOnStopRequests(void (*onStop)()) {
  stopHandler = onStop;
  struct sigaction action {};
  action.sa_handler = ForwardStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void ReportFailedWritesInsteadOfDying() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

void WriteToStandardError(const char* text, std::size_t n) {
  const ssize_t written = write(STDERR_FILENO, text, n);
  static_cast<void>(written);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

// The account the effective user id belongs to: what sudo or su changed it to, not the name
// the session logged in with.
std::string UserName() {
  return AccountField(&passwd::pw_name);
}

std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_r(&time, &utc);
  return utc;
}

namespace file {

int OpenForAppending(const std::string& path) {
  // Non-blocking, or a FIFO would wait for a reader, and a terminal for its carrier, in open().
  return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
              0644);
}

int OpenForReading(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

void Close(int descriptor) {
  close(descriptor);
}

long long RegularFileSize(int descriptor) {
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  return status.st_size;
}

bool NamesOtherThanRegularFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

bool MayReadAndWrite(const std::string& path) {
  constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
  struct stat file {};
  return !path.empty() && stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
         (file.st_mode & kAnyWrite) != 0 && access(path.c_str(), R_OK | W_OK) == 0;
}

bool Lock(int descriptor) {
  while (flock(descriptor, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void Unlock(int descriptor) {
  flock(descriptor, LOCK_UN);
}

long long Length(int descriptor) {
  return lseek(descriptor, 0, SEEK_END);
}

long long Write(int descriptor, const char* bytes, std::size_t n) {
  for (;;) {
    const ssize_t put = write(descriptor, bytes, n);
    if (put >= 0 || errno != EINTR) return put;
  }
}

bool Sync(int descriptor) {
  return fsync(descriptor) == 0;
}

bool CutTo(int descriptor, long long length) {
  return ftruncate(descriptor, static_cast<off_t>(length)) == 0;
}

Existing Examine(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return Existing::kMissing;
  if (S_ISREG(status.st_mode)) return Existing::kRegular;
  return S_ISDIR(status.st_mode) ? Existing::kDirectory : Existing::kOther;
}

std::string FinalTarget(const std::string& path) {
  std::string target = path;
  for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
    std::error_code notALink;
    const std::filesystem::path next = std::filesystem::read_symlink(target, notALink);
    if (notALink) return target;
    target = next.is_absolute() ? next.string()
                                : (std::filesystem::path(target).parent_path() / next).string();
  }
  return target;
}

bool MayReplace(const std::string& path) {
  return access(path.c_str(), W_OK) == 0;
}

int CreateUniqueBeside(const std::string& path, std::string& created) {
  const std::string folder = FolderOf(path);
  const std::string name = std::filesystem::path(path).filename().string();
  long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (nameMax <= static_cast<long>(kUniqueSuffix)) nameMax = NAME_MAX;
  if (name.size() > static_cast<std::size_t>(nameMax)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  // Beside the file, under its name as far as the name leaves room, so one that is left
  // behind (the program killed) shows what it was meant to be.
  created =
      folder + "/" + name.substr(0, static_cast<std::size_t>(nameMax) - kUniqueSuffix) + ".XXXXXX";
  return mkostemp(created.data(), O_CLOEXEC);
}

bool TakePermissions(int descriptor, const std::string& like) {
  static const mode_t mask = ProcessUmask();
  struct stat existing {};
  const mode_t mode = stat(like.c_str(), &existing) == 0
                          ? static_cast<mode_t>(existing.st_mode & 07777)
                          : static_cast<mode_t>(0666 & ~mask);
  return fchmod(descriptor, mode) == 0;
}

bool CloseReporting(int descriptor) {
  return close(descriptor) == 0;
}

bool Rename(const std::string& from, const std::string& to, bool replace) {
  if (replace) return rename(from.c_str(), to.c_str()) == 0;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot rename without replacing can still refuse to link over a name.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

void SyncFolderOf(const std::string& path) {
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  fsync(folder);
  close(folder);
}

void Remove(const std::string& path) {
  unlink(path.c_str());
}

void RemoveAtOnce(const char* path) {
  unlink(path);
}

}  // namespace file

std::string ComparablePath(const std::string& path) {
  std::error_code noWorkingDirectory;
  const std::filesystem::path absolute = std::filesystem::absolute(path, noWorkingDirectory);
  return noWorkingDirectory ? path : absolute.lexically_normal().string();
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  const std::string target = file::FinalTarget(path);
  struct stat status {};
  if (stat(FolderOf(target).c_str(), &status) != 0) return std::nullopt;
  FileIdentity identity;
  identity.folderDevice = status.st_dev;
  identity.folderNumber = status.st_ino;
  identity.name = std::filesystem::path(target).filename().string();
  if (stat(target.c_str(), &status) == 0) {
    identity.exists = true;
    identity.device = status.st_dev;
    identity.number = status.st_ino;
  }
  return identity;
}

}  // namespace kvx::os
