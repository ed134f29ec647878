#pragma once

#include <windows.h>

#include <string>

// The program's own texts and the paths it names files by are UTF-8; the system's calls take
// and give UTF-16. Everything Win32, in the seam and in the window, converts through these.
namespace kvx::os {

// `text` in the 8-bit code page `codePage` as UTF-16. With MB_ERR_INVALID_CHARS in `flags`,
// text that is not valid in that code page comes back empty.
inline std::wstring Widen(const std::string& text, UINT codePage, DWORD flags = 0) {
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

inline std::string Narrow(const std::wstring& wide, UINT codePage) {
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

inline std::wstring ToWide(const std::string& text) {
  return Widen(text, CP_UTF8);
}

inline std::string ToUtf8(const std::wstring& wide) {
  return Narrow(wide, CP_UTF8);
}

}  // namespace kvx::os
