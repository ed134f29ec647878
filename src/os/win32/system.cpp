#include "os/system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace kvx::os {

namespace {

void (*stopHandler)() = nullptr;

BOOL WINAPI ForwardConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stopHandler();
      return TRUE;
    case CTRL_CLOSE_EVENT:
      stopHandler();
      // The system ends the program once this returns, and in any case a few seconds later;
      // until then the exchanges under way may finish and their records be written.
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

HANDLE StreamHandle(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool NamesOtherThanRegularFile(const std::string& path) {
  struct _stat64 status {};
  return _stat64(path.c_str(), &status) == 0 && (status.st_mode & _S_IFMT) != _S_IFREG;
}

bool WriteWhole(int descriptor, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const int put =
        _write(descriptor, text.data() + written, static_cast<unsigned>(text.size() - written));
    if (put <= 0) return false;
    written += static_cast<std::size_t>(put);
  }
  return true;
}

// With the lock held, so the length read first is still the file's when it is cut back to it.
bool AppendLocked(int descriptor, const std::string& record, std::string& error) {
  const __int64 length = _lseeki64(descriptor, 0, SEEK_END);
  if (length < 0) {
    error = std::strerror(errno);
    return false;
  }
  if (WriteWhole(descriptor, record) && _commit(descriptor) == 0) return true;
  error = std::strerror(errno);
  if (_chsize_s(descriptor, length) == 0) _commit(descriptor);
  return false;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  // _isatty() also says yes to NUL and other character devices.
  DWORD mode = 0;
  return GetConsoleMode(StreamHandle(stream), &mode) != 0;
}

std::size_t TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(StreamHandle(stream), &info) == 0) return 0;
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

std::filesystem::path ExecutablePath() {
  // GetModuleFileNameW fills the whole buffer, cutting the path, when it is too small.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) return std::filesystem::path(path.substr(0, length));
  }
  return {};
}

void CallOnStopRequests(void (*onStop)()) {
  stopHandler = onStop;
  SetConsoleCtrlHandler(ForwardConsoleEvent, TRUE);
}

// Windows raises no signal for a failed write; the write itself reports the error.
void ReportFailedWritesInsteadOfDying() {}

void WriteToStandardError(const char* text, std::size_t n) {
  _write(2, text, static_cast<unsigned>(n));
}

std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_s(&utc, &time);
  return utc;
}

AppendOnlyFile::~AppendOnlyFile() {
  if (descriptor_ >= 0) _close(descriptor_);
}

bool AppendOnlyFile::Open(const std::string& path, std::string& error) {
  const int descriptor =
      _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
            _S_IREAD | _S_IWRITE);
  if (descriptor < 0) {
    const int failure = errno;
    error = NamesOtherThanRegularFile(path) ? "it is not a regular file" : std::strerror(failure);
    return false;
  }
  struct _stat64 status {};
  if (_fstat64(descriptor, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
    _close(descriptor);
    error = "it is not a regular file";
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool AppendOnlyFile::Append(const std::string& record, std::string& error) {
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
  OVERLAPPED whole{};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) == 0) {
    error = std::system_category().message(static_cast<int>(GetLastError()));
    return false;
  }
  const bool appended = AppendLocked(descriptor_, record, error);
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  return appended;
}

}  // namespace kvx::os
