#include "os/system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "os/file_calls.h"

// The C runtime would otherwise be free to expand wildcards in the arguments itself, before
// kvxctl sees a --port pattern such as COM* that it matches against the ports present.
extern "C" {
int _dowildcard = 0;
}

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

HANDLE FileHandle(int descriptor) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

HANDLE StreamHandle(std::FILE* stream) {
  return FileHandle(_fileno(stream));
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  // _isatty() also says yes to NUL and other character devices.
  DWORD mode = 0;
  return GetConsoleMode(StreamHandle(stream), &mode) != 0;
}

// A console shared with a command prompt lists the prompt too; one made for this program
// lists it alone.
bool ConsoleClosesOnExit() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
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

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof name;
  return GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
}

std::string UserName() {
  char name[257] = {};  // UNLEN + 1: the longest user name Windows allows
  DWORD length = sizeof name;
  return GetUserNameA(name, &length) && length > 0 ? std::string(name, length - 1) : std::string();
}

std::tm UtcTime(std::time_t time) {
  std::tm utc{};
  gmtime_s(&utc, &time);
  return utc;
}

namespace file {

namespace {

// A narrow path in the system's wide form. The window names files in UTF-8, which holds any
// character; a command line's arguments come in the ANSI code page, whose non-ASCII bytes are
// hardly ever valid UTF-8, so a path that is not is read in that code page.
std::wstring WidePath(const std::string& path) {
  const int size = static_cast<int>(path.size());
  for (const UINT codePage : {UINT{CP_UTF8}, UINT{CP_ACP}}) {
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = ::MultiByteToWideChar(codePage, flags, path.data(), size, nullptr, 0);
    if (length == 0 && size != 0) continue;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, flags, path.data(), size, wide.data(), length);
    return wide;
  }
  return {};
}

}  // namespace

int OpenForAppending(const std::string& path) {
  return _wopen(WidePath(path).c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
}

// Windows opens no FIFOs and no terminals' carriers to wait on.
int OpenForReading(const std::string& path) {
  return _wopen(WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

void Close(int descriptor) {
  _close(descriptor);
}

long long RegularFileSize(int descriptor) {
  struct _stat64 status {};
  if (_fstat64(descriptor, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) return -1;
  return status.st_size;
}

bool NamesOtherThanRegularFile(const std::string& path) {
  struct _stat64 status {};
  return _wstat64(WidePath(path).c_str(), &status) == 0 && (status.st_mode & _S_IFMT) != _S_IFREG;
}

bool Lock(int descriptor) {
  OVERLAPPED whole{};
  if (LockFileEx(FileHandle(descriptor), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    return true;
  }
  errno = ENOLCK;
  return false;
}

void Unlock(int descriptor) {
  OVERLAPPED whole{};
  UnlockFileEx(FileHandle(descriptor), 0, MAXDWORD, MAXDWORD, &whole);
}

long long Length(int descriptor) {
  return _lseeki64(descriptor, 0, SEEK_END);
}

long long Write(int descriptor, const char* bytes, std::size_t n) {
  return _write(descriptor, bytes, static_cast<unsigned>(n));
}

bool Sync(int descriptor) {
  return _commit(descriptor) == 0;
}

bool CutTo(int descriptor, long long length) {
  return _chsize_s(descriptor, length) == 0;
}

}  // namespace file

}  // namespace kvx::os
