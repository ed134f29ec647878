#include "app/document_file.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "app/win32/last_error.h"
#include "app/win32/wide_text.h"

namespace kvx {

namespace {

// The file an existing path finally leads to, links followed; the path itself otherwise.
std::wstring FinalTarget(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
  return target;
}

// An existing file's volume and number on it, the same for every name that leads to it (a hard
// link, a linked folder, a short name, a mapped drive); nothing when there is no such file.
std::optional<std::tuple<DWORD, DWORD, DWORD>> FileIdentity(const std::wstring& path) {
  const HANDLE file =
      ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(file, &information);
  ::CloseHandle(file);
  if (!known) return std::nullopt;
  return std::make_tuple(information.dwVolumeSerialNumber, information.nFileIndexHigh,
                         information.nFileIndexLow);
}

// Writes all of `bytes` and flushes them to the disk; why not, or empty.
std::string WriteAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return LastErrorText();
    if (written == 0) return "the disk took no more";
    done += written;
  }
  if (!::FlushFileBuffers(file)) return LastErrorText();
  return {};
}

// A new, empty file beside `target` that nobody else uses; empty when none could be made.
std::wstring NewFileBeside(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L"\\/");
  const std::wstring directory = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  wchar_t name[MAX_PATH + 1] = {};
  if (::GetTempFileNameW(directory.c_str(), L"kvx", 0, name) == 0) return {};
  return name;
}

std::string FillNewFile(const std::wstring& temporary, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastErrorText();
  const std::string failure = WriteAll(file, bytes);
  ::CloseHandle(file);
  return failure;
}

}  // namespace

std::string ReplaceFileContent(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::wstring target = FinalTarget(ToWide(path));
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return "it is a directory";
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return "the file is read-only";
  }
  const std::wstring temporary = NewFileBeside(target);
  if (temporary.empty()) return LastErrorText();
  std::string failure = FillNewFile(temporary, bytes);
  if (failure.empty() && !::MoveFileExW(temporary.c_str(), target.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = LastErrorText();
  }
  if (!failure.empty()) ::DeleteFileW(temporary.c_str());
  return failure;
}

bool SameFilePath(const std::string& first, const std::string& second) {
  const std::wstring one = ToWide(AbsoluteFilePath(first));
  const std::wstring other = ToWide(AbsoluteFilePath(second));
  if (::CompareStringOrdinal(one.data(), static_cast<int>(one.size()), other.data(),
                             static_cast<int>(other.size()), TRUE) == CSTR_EQUAL) {
    return true;
  }
  const auto oneFile = FileIdentity(one);
  return oneFile && oneFile == FileIdentity(other);
}

bool MayReadAndWrite(const std::string& path) {
  const std::wstring wide = ToWide(path);
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

}  // namespace kvx
