#include "app/win32/about_box.h"

#include <string>

#include "app/frame_commands.h"
#include "app/win32/resource_ids.h"
#include "app/win32/wide_text.h"

namespace kvx::win32 {

namespace {

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    ::SetWindowTextW(dialog, ToWide(kAboutCaption).c_str());
    std::string text;
    for (const std::string& line : AboutLines()) text += (text.empty() ? "" : "\r\n") + line;
    ::SetDlgItemTextW(dialog, KVX_ABOUT_TEXT, ToWide(text).c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowAboutBox(HWND owner) {
  ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KVX_ABOUT_BOX), owner,
                    AboutProcedure, 0);
}

}  // namespace kvx::win32
