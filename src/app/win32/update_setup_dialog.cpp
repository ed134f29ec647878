#include "app/win32/update_setup_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "app/update_setup_template.h"
#include "app/win32/dialog_template.h"
#include "app/win32/session_end.h"
#include "app/win32/user_dialogs.h"
#include "app/win32/wait_cursor.h"
#include "app/win32/wide_text.h"
#include "images/update_catalogue.h"
#include "ui/messages.h"

namespace kvx::win32 {

namespace {

bool IsEdit(int id) {
  return std::any_of(kNetworkTextControls.begin(), kNetworkTextControls.end(),
                     [id](const NetworkTextControl& control) { return control.id == id; });
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Input, and the requests to close a window that the desktop posts (the taskbar's Close),
// which would end the program halfway through writing the probe's flash.
bool IsInputOrCloseRequest(UINT message) {
  return message == WM_CLOSE || message == WM_SYSCOMMAND ||
         (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_INPUT ||
         message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER ||
         message == WM_MOUSELEAVE;
}

}  // namespace

UpdateSetupDialog::UpdateSetupDialog(ProbeStation& station, const DialogFields& fields)
    : station_(station), fields_(fields) {}

UpdateSetupDialog::~UpdateSetupDialog() = default;

bool UpdateSetupDialog::Run(HWND owner) {
  const std::vector<WORD> dialogTemplate = UpdateSetupDialogTemplate();
  const INT_PTR result = ::DialogBoxIndirectParamW(
      ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), owner,
      &UpdateSetupDialog::Procedure, reinterpret_cast<LPARAM>(this));
  return result == IDOK;
}

INT_PTR CALLBACK UpdateSetupDialog::Procedure(HWND dialog, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<UpdateSetupDialog*>(lParam);
    self->dialog_ = dialog;
    self->OnInit();
    return FALSE;  // the focus is set
  }
  auto* self = reinterpret_cast<UpdateSetupDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam);
}

INT_PTR UpdateSetupDialog::Handle(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      if (HIWORD(wParam) == EN_CHANGE && IsEdit(LOWORD(wParam))) OnEditChange(LOWORD(wParam));
      return TRUE;
    case WM_SETCURSOR:
      if (!ApplyWaitCursor()) return FALSE;
      ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

void UpdateSetupDialog::OnInit() {
  FillLists();
  for (const NetworkTextControl& control : kNetworkTextControls) {
    if (control.typingLimit != 0)
      ::SendMessageW(Control(control.id), EM_SETLIMITTEXT, control.typingLimit, 0);
  }
  actions_ = std::make_unique<UpdateSetupActions>(
      UpdateSetupActions::Parts{
          station_.Link(), [this] { return station_.OpenLink(actions_->Fields()); },
          UpdateCatalogue(station_.UpdateDirectory()), *this, *this, station_.Progress()},
      fields_);
  actions_->SetFirmwareMode(station_.FirmwareMode());
  actions_->OnOpen();
  FocusFirstTabStop();
  ExplainNewestVersions();
}

// Where the newest files were looked for, as the Newest versions' tooltip, for a user who
// wonders why none were found. The labels let the mouse through to the dialog, so the tips
// are areas of the dialog.
void UpdateSetupDialog::ExplainNewestVersions() {
  const HWND tips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      dialog_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  std::wstring folder = ToWide(station_.UpdateDirectory().u8string());
  for (int id : {kNewestFirmwareId, kNewestLogicId}) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = dialog_;
    tool.uId = static_cast<UINT_PTR>(id);
    ::GetWindowRect(Control(id), &tool.rect);
    ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&tool.rect), 2);
    tool.lpszText = folder.data();
    ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void UpdateSetupDialog::FillLists() {
  for (int id : {kPortListId, kSpeedListId}) {
    const HWND list = Control(id);
    for (const std::string& entry : station_.ListEntries(id)) {
      ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(entry).c_str()));
    }
  }
}

// The dialog opens with the focus on its first enabled tab stop in the template's order:
// Connect, where the default button would otherwise take it.
void UpdateSetupDialog::FocusFirstTabStop() {
  for (const ControlTemplate& control : kUpdateSetupTemplate) {
    const HWND window = Control(control.id);
    if ((StylesOf(control.kind) & kTabStop) == 0 || !::IsWindowEnabled(window)) continue;
    ::SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
    return;
  }
}

template <typename Action>
void UpdateSetupDialog::RunBlocking(Action action) {
  if (busy_) return;
  busy_ = true;
  {
    const SessionEndHold hold(::GetAncestor(dialog_, GA_ROOTOWNER), kProbeBusyReason);
    action();
  }
  busy_ = false;
}

void UpdateSetupDialog::OnEditChange(int id) {
  const HWND edit = Control(id);
  const std::wstring text = WindowText(edit);
  const char32_t refused = FirstUnrepresentable(text);
  std::wstring& kept = editTexts_[id];
  if (refused == 0) {
    kept = text;
    return;
  }
  // The caret goes back to where the refused text went in.
  DWORD caret = 0;
  ::SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  const std::size_t added = text.size() > kept.size() ? text.size() - kept.size() : 0;
  caret = static_cast<DWORD>(
      std::min<std::size_t>(caret - std::min<std::size_t>(caret, added), kept.size()));
  ::SetWindowTextW(edit, kept.c_str());
  ::SendMessageW(edit, EM_SETSEL, caret, caret);
  MessageBox refusal{RefusedCharacterText(refused)};
  refusal.icon = MessageIcon::kExclamation;
  ShowMessage(refusal);
}

void UpdateSetupDialog::OnCommand(int id) {
  const auto run = [this](bool (UpdateSetupActions::*action)()) {
    RunBlocking([this, action] { (actions_.get()->*action)(); });
  };
  switch (id) {
    case kConnectButtonId:
      return run(&UpdateSetupActions::OnConnect);
    case kCurrentButtonId:
      return run(&UpdateSetupActions::OnCurrent);
    case kUpdateButtonId:
      return run(&UpdateSetupActions::OnUpdate);
    case kTransmitButtonId:
      return run(&UpdateSetupActions::OnTransmit);
    case kEraseButtonId:
      return run(&UpdateSetupActions::OnErase);
    case IDOK: {
      bool mayEnd = false;
      RunBlocking([this, &mayEnd] { mayEnd = actions_->OnOk(); });
      fields_ = actions_->Fields();
      if (mayEnd) ::EndDialog(dialog_, IDOK);
      return;
    }
    case IDCANCEL:
      if (busy_) return;
      RunBlocking([this] { actions_->OnCancel(); });
      ::EndDialog(dialog_, IDCANCEL);
      return;
    default:
      return;
  }
}

// A text the user left alone keeps its bytes, even those the code page shows as something that
// turns back into other bytes.
std::string UpdateSetupDialog::Text(int id) {
  const std::wstring shown = WindowText(Control(id));
  const std::string& put = textsPut_[id];
  return shown == FromAnsi(put) ? put : ToAnsi(shown);
}

void UpdateSetupDialog::SetText(int id, const std::string& text) {
  textsPut_[id] = text;
  ::SetWindowTextW(Control(id), FromAnsi(text).c_str());
}

int UpdateSetupDialog::Selection(int id) {
  return static_cast<int>(::SendMessageW(Control(id), CB_GETCURSEL, 0, 0));
}

// An index outside the list leaves it without a selection (CB_SETCURSEL with -1).
void UpdateSetupDialog::Select(int id, int index) {
  ::SendMessageW(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// A disabled control loses the focus, and the keyboard would reach nothing: the focus moves
// on first, as Tab moves it.
void UpdateSetupDialog::Enable(int id, bool enabled) {
  const HWND control = Control(id);
  if (!enabled && ::GetFocus() == control) ::SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
  ::EnableWindow(control, enabled);
}

// The thread stays inside the action, so the status line is painted now, not when the
// message loop next runs.
void UpdateSetupDialog::SetStatus(const std::string& text) {
  const HWND statusLine = Control(kStatusLineId);
  ::SetWindowTextW(statusLine, ToWide(text).c_str());
  ::UpdateWindow(statusLine);
}

MessageAnswer UpdateSetupDialog::ShowMessage(const MessageBox& message) {
  return ShowMessageBox(dialog_, message);
}

void UpdateSetupDialog::BeginWaitCursor() {
  win32::BeginWaitCursor();
}

void UpdateSetupDialog::EndWaitCursor() {
  win32::EndWaitCursor();
}

void HandleWindowEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the message loop that owns it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsInputOrCloseRequest(message.message)) continue;
    ::DispatchMessageW(&message);
  }
}

std::optional<DialogFields> RunUpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                                                 HWND owner) {
  UpdateSetupDialog dialog(station, fields);
  if (!dialog.Run(owner)) return std::nullopt;
  return dialog.Fields();
}

}  // namespace kvx::win32
