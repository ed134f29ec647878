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
#include <system_error>

#include "os/file_calls.h"

namespace kvx::os {

namespace {

void (*stopHandler)() = nullptr;

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
  passwd account{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &account, buffer, sizeof buffer, &found) != 0 || !found) return "";
  return account.pw_name;
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

}  // namespace file

}  // namespace kvx::os
