#include "os/system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "os/file_calls.h"
#include "os/win32/utf8.h"

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
  const std::wstring wide = Widen(path, CP_UTF8, MB_ERR_INVALID_CHARS);
  return wide.empty() && !path.empty() ? Widen(path, CP_ACP) : wide;
}

constexpr std::size_t kNameMax = 255;

std::wstring WideFolderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(WidePath(path)).parent_path();
  return folder.empty() ? L"." : folder.wstring();
}

// The C runtime's name for the system's last error, as the calls here report it.
void TakeLastError() {
  switch (::GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      errno = EACCES;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
      errno = ENAMETOOLONG;
      break;
    default:
      errno = EIO;
  }
}

// An existing file or folder, opened only to be asked about.
HANDLE OpenToExamine(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

bool MayReadAndWrite(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  const HANDLE file =
      ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
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

Existing Examine(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Existing::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Existing::kDirectory;
  const HANDLE file = OpenToExamine(wide);
  if (file == INVALID_HANDLE_VALUE) return Existing::kRegular;
  const bool onDisk = ::GetFileType(file) == FILE_TYPE_DISK;
  ::CloseHandle(file);
  return onDisk ? Existing::kRegular : Existing::kOther;
}

std::string FinalTarget(const std::string& path) {
  const HANDLE file = OpenToExamine(WidePath(path));
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring target(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(file, target.data(), MAX_PATH, 0);
  if (length >= MAX_PATH) {
    target.resize(length);
    length = ::GetFinalPathNameByHandleW(file, target.data(), length, 0);
  }
  ::CloseHandle(file);
  if (length == 0 || length > target.size()) return path;
  target.resize(length);
  return ToUtf8(target);
}

bool MayReplace(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return false;
  }
  return true;
}

int CreateUniqueBeside(const std::string& path, std::string& created) {
  if (std::filesystem::path(WidePath(path)).filename().wstring().size() > kNameMax) {
    errno = ENAMETOOLONG;
    return -1;
  }
  wchar_t name[MAX_PATH + 1] = {};
  if (::GetTempFileNameW(WideFolderOf(path).c_str(), L"kvx", 0, name) == 0) {
    TakeLastError();
    return -1;
  }
  created = ToUtf8(name);
  const int descriptor = _wopen(name, _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) ::DeleteFileW(name);
  return descriptor;
}

// A new file takes the folder's permissions, and a replaced one's are the folder's too.
bool TakePermissions(int /*descriptor*/, const std::string& /*like*/) {
  return true;
}

bool CloseReporting(int descriptor) {
  return _close(descriptor) == 0;
}

bool Rename(const std::string& from, const std::string& to, bool replace) {
  const DWORD flags = (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH;
  if (::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), flags)) return true;
  TakeLastError();
  return false;
}

// MoveFileEx's write-through has put the rename on the disk.
void SyncFolderOf(const std::string& /*path*/) {}

void Remove(const std::string& path) {
  ::DeleteFileW(WidePath(path).c_str());
}

// Console events are handled on a thread of the system's, where the usual call does.
void RemoveAtOnce(const char* path) {
  Remove(path);
}

}  // namespace file

namespace {

bool FileNumber(const std::wstring& path, std::uint64_t& device, std::uint64_t& number) {
  const HANDLE file = file::OpenToExamine(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(file, &information) != 0;
  ::CloseHandle(file);
  device = information.dwVolumeSerialNumber;
  number = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  return known;
}

}  // namespace

std::string ComparablePath(const std::string& path) {
  std::error_code noWorkingDirectory;
  const std::filesystem::path absolute =
      std::filesystem::absolute(std::filesystem::path(file::WidePath(path)), noWorkingDirectory);
  if (noWorkingDirectory) return path;
  std::wstring name = absolute.lexically_normal().make_preferred().wstring();
  ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return ToUtf8(name);
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  const std::wstring target = file::WidePath(file::FinalTarget(path));
  FileIdentity identity;
  if (!FileNumber(file::WideFolderOf(ToUtf8(target)), identity.folderDevice,
                  identity.folderNumber)) {
    return std::nullopt;
  }
  std::wstring name = std::filesystem::path(target).filename().wstring();
  ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  identity.name = ToUtf8(name);
  identity.exists = FileNumber(target, identity.device, identity.number);
  return identity;
}

}  // namespace kvx::os
