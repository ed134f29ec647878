#include "app/win32/private_profile.h"

#include <shlobj.h>
#include <windows.h>

#include "app/win32/wide_text.h"

namespace kvx {

namespace {

constexpr wchar_t kProfileFolder[] = L"kvxsetup";
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

std::wstring PrivateProfile::DefaultFilePath() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                     appData);
  const std::wstring folder = std::wstring(appData) + L'\\' + kProfileFolder;
  ::CreateDirectoryW(folder.c_str(), nullptr);

  std::wstring executable(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = ::GetModuleFileNameW(nullptr, executable.data(),
                                        static_cast<DWORD>(executable.size()))) ==
         executable.size()) {
    executable.resize(executable.size() * 2);
  }
  executable.resize(length);
  std::wstring baseName = executable.substr(executable.find_last_of(L"\\/") + 1);
  baseName = baseName.substr(0, baseName.find_last_of(L'.'));
  return folder + L'\\' + baseName + L".ini";
}

std::string PrivateProfile::ReadString(const std::string& section, const std::string& key,
                                       const std::string& fallback) const {
  const std::wstring wideSection = ToWide(section);
  const std::wstring wideKey = ToWide(key);
  const std::wstring wideFallback = ToWide(fallback);
  // The call cuts a value that does not fit and says so by filling all but the terminator.
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = ::GetPrivateProfileStringW(
        wideSection.c_str(), wideKey.c_str(), wideFallback.c_str(), value.data(),
        static_cast<DWORD>(value.size()), filePath_.c_str());
    if (length + 1 < value.size()) {
      value.resize(length);
      return ToUtf8(value);
    }
    value.resize(value.size() * 2);
  }
}

void PrivateProfile::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
  CreateAsUtf16(filePath_);
  const std::wstring wideValue = ToWide(value);
  ::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(),
                               value.empty() ? nullptr : wideValue.c_str(), filePath_.c_str());
}

}  // namespace kvx
