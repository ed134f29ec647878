#include "os/system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kvx::os {

namespace {

void (*stopHandler)() = nullptr;

extern "C" void ForwardStopSignal(int /*signal*/) {
  stopHandler();
}

// Whether `path` names something that exists but is no regular file: a FIFO, a device, a
// directory.
bool NamesOtherThanRegularFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

bool WriteWhole(int descriptor, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t put = write(descriptor, text.data() + written, text.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    written += static_cast<std::size_t>(put);
  }
  return true;
}

// With the lock held, so the length read first is still the file's when it is cut back to it.
bool AppendLocked(int descriptor, const std::string& record, std::string& error) {
  const off_t length = lseek(descriptor, 0, SEEK_END);
  if (length < 0) {
    error = std::strerror(errno);
    return false;
  }
  if (WriteWhole(descriptor, record) && fsync(descriptor) == 0) return true;
  error = std::strerror(errno);
  if (ftruncate(descriptor, length) == 0) fsync(descriptor);
  return false;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
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

std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_r(&time, &utc);
  return utc;
}

AppendOnlyFile::~AppendOnlyFile() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool AppendOnlyFile::Open(const std::string& path, std::string& error) {
  // Non-blocking, or a FIFO would wait for a reader, and a terminal for its carrier, in open().
  const int descriptor =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    const int failure = errno;
    error = NamesOtherThanRegularFile(path) ? "it is not a regular file" : std::strerror(failure);
    return false;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    error = "it is not a regular file";
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool AppendOnlyFile::Append(const std::string& record, std::string& error) {
  while (flock(descriptor_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      error = std::strerror(errno);
      return false;
    }
  }
  const bool appended = AppendLocked(descriptor_, record, error);
  flock(descriptor_, LOCK_UN);
  return appended;
}

}  // namespace kvx::os
