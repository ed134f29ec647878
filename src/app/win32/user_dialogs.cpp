#include "app/win32/user_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <optional>
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

// A box closed without a choice answers as its last button does, which the system tells as
// Cancel (a task dialog also for OK alone).
MessageAnswer AnswerOf(int result, MessageButtons buttons) {
  switch (result) {
    case IDYES:
      return MessageAnswer::kYes;
    case IDNO:
      return MessageAnswer::kNo;
    case IDOK:
      return MessageAnswer::kAccepted;
    default:
      return ClosedBoxAnswer(buttons);
  }
}

TASKDIALOG_COMMON_BUTTON_FLAGS TaskButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
    case MessageButtons::kYesNoCancel:
      return TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON;
    default:
      return TDCBF_OK_BUTTON;
  }
}

// As DefaultButtonOf: none named leaves the first button, OK or Yes.
int TaskDefaultButtonOf(const MessageBox& message) {
  switch (message.defaultAnswer.value_or(MessageAnswer::kAccepted)) {
    case MessageAnswer::kNo:
      return IDNO;
    case MessageAnswer::kCancel:
      return IDCANCEL;
    default:
      return message.buttons == MessageButtons::kOkOnly ? IDOK : IDYES;
  }
}

// The message box's text alone, with its detail behind the expander of a task dialog; nothing
// where the common controls have no task dialogs (a program without their version 6).
std::optional<MessageAnswer> ShowTaskDialog(HWND owner, const MessageBox& message) {
  using TaskDialogCall = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  const auto taskDialog = reinterpret_cast<TaskDialogCall>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect")));
  if (taskDialog == nullptr) return std::nullopt;
  const std::wstring caption = ToWide(message.caption);
  const std::wstring text = ToWide(message.text);
  const std::wstring detail = ToWide(DetailWithAdvice(message));
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  // Escape and the close box answer as a message box lets them: where there is no Yes/No
  // question to answer.
  if (message.buttons != MessageButtons::kYesNo) config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.dwCommonButtons = TaskButtonsOf(message.buttons);
  config.pszWindowTitle = caption.c_str();
  if (message.icon == MessageIcon::kExclamation) config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = text.c_str();
  config.pszExpandedInformation = detail.c_str();
  config.nDefaultButton = TaskDefaultButtonOf(message);
  int result = 0;
  if (FAILED(taskDialog(&config, &result, nullptr, nullptr))) return std::nullopt;
  return AnswerOf(result, message.buttons);
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
  const std::string detail = DetailWithAdvice(message);
  if (!detail.empty()) {
    if (const auto answer = ShowTaskDialog(owner, message)) return *answer;
  }
  // Without an expander, the detail follows the text.
  std::string text = message.text;
  if (!detail.empty()) text += "\n\n" + detail;
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
