#pragma once

#include <windows.h>

#include <string>

namespace kvx {

// The window keeps narrow strings in UTF-8; the system's calls take and give UTF-16.
inline std::wstring ToWide(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

inline std::string ToUtf8(const std::wstring& wide) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
  return text;
}

// The document's texts are 8-bit, one byte a character: Latin-1 maps each byte to one
// character and back. A character the document cannot hold becomes '?'.
inline std::wstring FromLatin1(const std::string& text) {
  std::wstring wide;
  for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

inline std::string ToLatin1(const std::wstring& wide) {
  std::string text;
  for (wchar_t c : wide) text += c <= 0xFF ? static_cast<char>(c) : '?';
  return text;
}

}  // namespace kvx
