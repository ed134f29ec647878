#include "app/win32/help_window.h"

#include <string>

#include "app/frame_commands.h"
#include "app/win32/wide_text.h"
#include "app/win32/window_class.h"

namespace kvx::win32 {

namespace {

constexpr wchar_t kHelpClass[] = L"kvxsetupHelp";
constexpr int kTextId = 1;

LRESULT CALLBACK HelpProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      ::MoveWindow(::GetDlgItem(window, kTextId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_CLOSE:
      ::ShowWindow(window, SW_HIDE);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

// A text resource, one paragraph a line in UTF-8 with the source's line ends, with the line
// ends an edit control breaks lines at; the control wraps the paragraphs.
std::string PageText(int page) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(page), RT_RCDATA);
  const char* bytes = found == nullptr
                          ? nullptr
                          : static_cast<const char*>(::LockResource(::LoadResource(module, found)));
  if (bytes == nullptr) return {};
  std::string text;
  for (const char* c = bytes; c != bytes + ::SizeofResource(module, found); ++c) {
    if (*c == '\n') text += '\r';
    if (*c != '\r') text += *c;
  }
  return text;
}

}  // namespace

HWND CreateHelpWindow(HWND owner) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterWindowClass(kHelpClass, HelpProcedure);
  const HWND help =
      ::CreateWindowExW(0, kHelpClass, ToWide(kHelpCaption).c_str(), WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT, CW_USEDEFAULT, 520, 420, owner, nullptr, instance, nullptr);
  const HWND text = ::CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0,
      help, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), instance, nullptr);
  ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  RECT client;
  ::GetClientRect(help, &client);
  ::MoveWindow(text, 0, 0, client.right, client.bottom, FALSE);
  return help;
}

void ShowHelpPage(HWND help, int page) {
  ::SetDlgItemTextW(help, kTextId, ToWide(PageText(page)).c_str());
  ::ShowWindow(help, SW_SHOWNORMAL);
  ::SetForegroundWindow(help);
}

}  // namespace kvx::win32
