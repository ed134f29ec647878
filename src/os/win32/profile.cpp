#include "os/profile.h"

#include <windows.h>

#include <shlobj.h>

#include "os/system.h"
#include "os/win32/utf8.h"

// The profile through the system's private profile calls. The file is made in UTF-16 when it
// is new, so that the calls keep any character of a path.
namespace kvx::os {

namespace {

// The folder of the program's settings, and their file's name when the system cannot tell it.
constexpr wchar_t kProgramName[] = L"kvxsetup";
constexpr wchar_t kUtf16ByteOrderMark = 0xFEFF;

// Without a byte-order mark the calls would write the file in the ANSI code page.
void CreateAsUtf16(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // there already, or the write below says why
  DWORD written = 0;
  ::WriteFile(file, &kUtf16ByteOrderMark, sizeof kUtf16ByteOrderMark, &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

std::string ProfileFilePath() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                     appData);
  const std::wstring folder = std::wstring(appData) + L'\\' + kProgramName;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring name = ExecutablePath().stem().wstring();
  return ToUtf8(folder + L'\\' + (name.empty() ? kProgramName : name) + L".ini");
}

std::string ReadProfileValue(const std::string& filePath, const std::string& section,
                             const std::string& key, const std::string& fallback) {
  const std::wstring widePath = ToWide(filePath);
  const std::wstring wideSection = ToWide(section);
  const std::wstring wideKey = ToWide(key);
  const std::wstring wideFallback = ToWide(fallback);
  // The call cuts a value that does not fit and says so by filling all but the terminator.
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = ::GetPrivateProfileStringW(
        wideSection.c_str(), wideKey.c_str(), wideFallback.c_str(), value.data(),
        static_cast<DWORD>(value.size()), widePath.c_str());
    if (length + 1 < value.size()) {
      value.resize(length);
      return ToUtf8(value);
    }
    value.resize(value.size() * 2);
  }
}

void WriteProfileValue(const std::string& filePath, const std::string& section,
                       const std::string& key, const std::string& value) {
  const std::wstring widePath = ToWide(filePath);
  CreateAsUtf16(widePath);
  const std::wstring wideValue = ToWide(value);
  ::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(),
                               value.empty() ? nullptr : wideValue.c_str(), widePath.c_str());
}

}  // namespace kvx::os
