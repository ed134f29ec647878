#include "app/win32/user_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <utility>

#include "app/win32/wide_text.h"

namespace kvx::win32 {

namespace {

UINT ButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return MB_YESNO;
    case MessageButtons::kYesNoCancel:
      return MB_YESNOCANCEL;
    default:
      return MB_OK;
  }
}

// The box's buttons run OK, or Yes, No, Cancel: the default is named by its place.
UINT DefaultButtonOf(const MessageBox& message) {
  if (!message.defaultAnswer) return MB_DEFBUTTON1;
  switch (*message.defaultAnswer) {
    case MessageAnswer::kNo:
      return MB_DEFBUTTON2;
    case MessageAnswer::kCancel:
      return MB_DEFBUTTON3;
    default:
      return MB_DEFBUTTON1;
  }
}

// A box closed without a choice answers as its last button does; the system answers Cancel,
// or for OK alone, OK.
MessageAnswer AnswerOf(int result, MessageButtons buttons) {
  switch (result) {
    case IDYES:
      return MessageAnswer::kYes;
    case IDNO:
      return MessageAnswer::kNo;
    case IDOK:
      return MessageAnswer::kAccepted;
    default:
      return buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kCancel;
  }
}

HWND mainWindow = nullptr;

MessageAnswer ShowOverDialogOwner(const MessageBox& message) {
  return ShowMessageBox(DialogOwner(), message);
}

std::string ShowFileDialog(FileDialogKind kind, const std::string& suggested) {
  // The filter pairs the name the user sees with the pattern, each ended by a null, and the
  // whole list by another.
  const std::wstring extension = ToWide(kDocumentExtension);
  std::wstring filter = ToWide(kDocumentFilter) + L'\0' + L'*' + extension + L'\0';
  std::wstring file = ToWide(suggested);
  file.resize(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension.c_str() + 1;  // without the dot
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  BOOL chosen = FALSE;
  if (kind == FileDialogKind::kSaveAs) {
    dialog.Flags |= OFN_OVERWRITEPROMPT;
    chosen = ::GetSaveFileNameW(&dialog);
  } else {
    dialog.Flags |= OFN_FILEMUSTEXIST;
    chosen = ::GetOpenFileNameW(&dialog);
  }
  if (!chosen) return {};
  file.resize(file.find(L'\0'));
  return ToUtf8(file);
}

int CALLBACK StartFolder(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

std::string ShowFolderDialog(const std::string& current) {
  const std::wstring title = ToWide(kUpdateFolderTitle);
  const std::wstring start = ToWide(current);
  BROWSEINFOW browse{};
  browse.hwndOwner = DialogOwner();
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = StartFolder;
  browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return {};
  std::wstring path(MAX_PATH, L'\0');
  const bool named = ::SHGetPathFromIDListW(chosen, path.data());
  ::CoTaskMemFree(chosen);
  if (!named) return {};
  path.resize(path.find(L'\0'));
  return ToUtf8(path);
}

}  // namespace

HWND DialogOwner() {
  const HWND active = ::GetActiveWindow();
  return active != nullptr ? active : mainWindow;
}

void SetMainWindow(HWND window) {
  mainWindow = window;
}

MessageAnswer ShowMessageBox(HWND owner, const MessageBox& message) {
  std::string text = message.text;
  if (!message.detail.empty()) text += "\n\n" + message.detail;
  const UINT icon = message.icon == MessageIcon::kExclamation ? MB_ICONEXCLAMATION : 0;
  const int result =
      ::MessageBoxW(owner, ToWide(text).c_str(), ToWide(message.caption).c_str(),
                    ButtonsOf(message.buttons) | icon | DefaultButtonOf(message) | MB_APPLMODAL);
  return AnswerOf(result, message.buttons);
}

UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog) {
  return {ShowOverDialogOwner, ShowFileDialog, ShowFolderDialog, std::move(runSetupDialog)};
}

}  // namespace kvx::win32
