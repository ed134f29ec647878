#include "app/win32/kvxhs_view.h"

#include <commdlg.h>

#include "app/frame_commands.h"
#include "app/win32/last_error.h"
#include "app/win32/user_dialogs.h"
#include "app/win32/wide_text.h"
#include "app/win32/window_class.h"
#include "ui/messages.h"

namespace kvx::win32 {

namespace {

constexpr wchar_t kViewClass[] = L"kvxsetupView";

LRESULT CALLBACK ViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void ShowPrintFailure(HWND owner, const std::string& detail) {
  MessageBox failure{kPrintFailedText};
  failure.icon = MessageIcon::kExclamation;
  failure.detail = detail;
  ShowMessageBox(owner, failure);
}

// One empty page; why the printer did not take it, or empty.
std::string PrintEmptyPage(HDC printer, const std::string& title) {
  const std::wstring name = ToWide(title);
  DOCINFOW document{};
  document.cbSize = sizeof document;
  document.lpszDocName = name.c_str();
  if (::StartDocW(printer, &document) <= 0) return LastErrorText();
  if (::StartPage(printer) <= 0 || ::EndPage(printer) <= 0) {
    const std::string failure = LastErrorText();
    ::AbortDoc(printer);
    return failure;
  }
  if (::EndDoc(printer) <= 0) return LastErrorText();
  return {};
}

}  // namespace

HWND CreateView(HWND frame) {
  if (!RegisterWindowClass(kViewClass, ViewProcedure)) return nullptr;
  return ::CreateWindowExW(WS_EX_CLIENTEDGE, kViewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                           frame, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

void PrintView(HWND owner, const std::string& title) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE |
                 PD_USEDEVMODECOPIESANDCOLLATE;
  const BOOL chosen = ::PrintDlgW(&dialog);
  // Without a printer, the print dialog has said so itself and offered to add one.
  const DWORD failure = chosen ? 0 : ::CommDlgExtendedError();
  if (chosen) {
    const std::string why = PrintEmptyPage(dialog.hDC, title);
    if (!why.empty()) ShowPrintFailure(owner, why);
  } else if (failure != 0 && failure != PDERR_NODEFAULTPRN && failure != PDERR_NODEVICES) {
    ShowPrintFailure(owner, "the print dialog failed with error " + std::to_string(failure));
  }
  if (dialog.hDC != nullptr) ::DeleteDC(dialog.hDC);
  if (dialog.hDevMode != nullptr) ::GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) ::GlobalFree(dialog.hDevNames);
}

}  // namespace kvx::win32
