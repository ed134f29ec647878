#pragma once

#include <windows.h>

#include <string>

#include "os/win32/utf8.h"

namespace kvx {

// The program's texts and paths in UTF-8, the system's in UTF-16, converted as the seam does.
using os::ToUtf8;
using os::ToWide;

// A document's texts and what the probe reports are 8-bit, in the system's ANSI code page, as
// they have always been typed (a euro sign is 0x80 in Windows-1252). The program's manifest
// makes its own code page, CP_ACP, UTF-8, so that the system's narrow texts (its messages)
// are UTF-8 like the program's; the system's ANSI code page is the one its locale names.
inline UINT AnsiCodePage() {
  static const UINT codePage = [] {
    UINT page = 0;
    const int read =
        ::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&page), sizeof page / sizeof(WCHAR));
    // A locale without a code page of its own (0) writes in Unicode.
    return read == 0 || page == 0 ? CP_UTF8 : page;
  }();
  return codePage;
}

inline std::wstring FromAnsi(const std::string& text) {
  return os::Widen(text, AnsiCodePage());
}

// Only for text whose every character the code page holds: see FirstUnrepresentable.
inline std::string ToAnsi(const std::wstring& wide) {
  return os::Narrow(wide, AnsiCodePage());
}

// The first character of `wide` that the ANSI code page cannot hold, as its code point; 0 when
// it holds them all. The system would put '?' or a look-alike in its place.
inline char32_t FirstUnrepresentable(const std::wstring& wide) {
  // A UTF-8 code page holds every character, and answers no question about defaults.
  const UINT codePage = AnsiCodePage();
  const bool utf8 = codePage == CP_UTF8;
  for (std::size_t index = 0; index < wide.size(); ++index) {
    const bool pair = IS_HIGH_SURROGATE(wide[index]) && index + 1 < wide.size() &&
                      IS_LOW_SURROGATE(wide[index + 1]);
    char bytes[8];
    BOOL defaulted = FALSE;
    const int length = ::WideCharToMultiByte(
        codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, &wide[index], pair ? 2 : 1,
        bytes, sizeof bytes, nullptr, utf8 ? nullptr : &defaulted);
    if (length == 0 || defaulted) {
      if (!pair) return static_cast<char32_t>(wide[index]);
      return 0x10000 + ((static_cast<char32_t>(wide[index]) - 0xD800) << 10) +
             (static_cast<char32_t>(wide[index + 1]) - 0xDC00);
    }
    if (pair) ++index;
  }
  return 0;
}

}  // namespace kvx
