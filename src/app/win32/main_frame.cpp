#include "app/win32/main_frame.h"

#include <string>
#include <vector>

#include "app/win32/about_box.h"
#include "app/win32/help_window.h"
#include "app/win32/kvxhs_view.h"
#include "app/win32/resource_ids.h"
#include "app/win32/user_dialogs.h"
#include "app/win32/wait_cursor.h"
#include "app/win32/wide_text.h"
#include "app/window_placement.h"
#include "ui/messages.h"

namespace kvx::win32 {

namespace {

constexpr wchar_t kFrameClass[] = L"kvxsetupFrame";
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kRecentFileIdLast = static_cast<int>(CommandId::kRecentFile) + RecentFileList::kSize;
bool IsRecentFileId(int id) {
  return id >= static_cast<int>(CommandId::kRecentFile) && id < kRecentFileIdLast;
}

ScreenRect ToScreenRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

ScreenRect VirtualDesktop() {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
          top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

WindowShowState ShowStateOf(HWND window) {
  if (::IsIconic(window)) return WindowShowState::kMinimised;
  if (::IsZoomed(window)) return WindowShowState::kMaximised;
  return WindowShowState::kNormal;
}

ACCEL AcceleratorOf(const Command& command) {
  const Accelerator& key = command.accelerator;
  ACCEL accel{};
  accel.fVirt = FVIRTKEY | (key.control ? FCONTROL : 0) | (key.shift ? FSHIFT : 0);
  accel.key = static_cast<WORD>(key.letter != '\0' ? key.letter : VK_F1 + key.functionKey - 1);
  accel.cmd = static_cast<WORD>(command.id);
  return accel;
}

}  // namespace

CMainFrame::CMainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
                       const RecentFileList& recentFiles, Profile& profile)
    : document_(document), commands_(commands), recentFiles_(recentFiles), profile_(profile) {}

CMainFrame::~CMainFrame() {
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
}

bool CMainFrame::Create(int showCommand) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW frameClass{};
  frameClass.cbSize = sizeof frameClass;
  frameClass.lpfnWndProc = &CMainFrame::Procedure;
  frameClass.hInstance = instance;
  frameClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(KVX_APPLICATION_ICON));
  frameClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  frameClass.lpszClassName = kFrameClass;
  if (!::RegisterClassExW(&frameClass)) return false;

  // A window whose creation fails is destroyed before CreateWindowExW returns.
  if (::CreateWindowExW(0, kFrameClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        kDefaultWidth, kDefaultHeight, nullptr, nullptr, instance,
                        this) == nullptr) {
    return false;
  }
  SetMainWindow(window_);
  if (const auto stored = StoredWindowRect(profile_, VirtualDesktop())) {
    ::MoveWindow(window_, stored->left, stored->top, stored->right - stored->left,
                 stored->bottom - stored->top, FALSE);
  }
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
  return true;
}

int CMainFrame::Run() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (contextHelp_ && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      LeaveContextHelp();
      continue;
    }
    if (help_ != nullptr && ::IsDialogMessageW(help_, &message)) continue;
    if (::TranslateAcceleratorW(window_, accelerators_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) bars_.ShowLockKeys();
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK CMainFrame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<CMainFrame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<CMainFrame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CMainFrame::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      bars_.LoadToolBarImages();
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_MENUSELECT:
      OnMenuSelect(wParam, lParam);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == bars_.ToolBar() && header->code == TBN_HOTITEMCHANGE) {
        OnToolBarHotItem(*reinterpret_cast<const NMTBHOTITEM*>(lParam));
      }
      return 0;
    }
    case WM_DRAWITEM: {
      if (!bars_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) break;
      return TRUE;
    }
    // A lock key pressed while a dialog or a menu has the keyboard.
    case WM_ENTERIDLE:
    case WM_ACTIVATE:
      bars_.ShowLockKeys();
      break;
    case WM_SETCURSOR:
      if (ApplyWaitCursor()) return TRUE;
      if (!contextHelp_) break;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HELP));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wParam) KeepPlacement();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

bool CMainFrame::OnCreate() {
  view_ = CreateView(window_);
  if (view_ == nullptr || !bars_.Create(window_) || !CreateAccelerators()) return false;
  ShowDocument();
  return true;
}

bool CMainFrame::CreateAccelerators() {
  std::vector<ACCEL> table;
  for (const Command& command : FrameCommands()) {
    if (command.accelerator.Any()) table.push_back(AcceleratorOf(command));
  }
  accelerators_ = ::CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
  return accelerators_ != nullptr;
}

HMENU CMainFrame::BuildMenuBar() const {
  const HMENU bar = ::CreateMenu();
  const std::vector<std::string> paths = recentFiles_.Entries();
  for (const Menu& menu : MainMenu()) {
    const HMENU popup = ::CreatePopupMenu();
    for (CommandId id : menu.entries) {
      if (id == CommandId::kSeparator) {
        ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const Command& command = FindCommand(id);
      if (id == CommandId::kRecentFile && paths.empty()) {
        ::AppendMenuW(popup, MF_STRING | MF_GRAYED, static_cast<UINT_PTR>(id),
                      ToWide(command.menuText).c_str());
      } else if (id == CommandId::kRecentFile) {
        for (std::size_t index = 0; index < paths.size(); ++index) {
          ::AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id) + index,
                        ToWide(RecentFileMenuText(static_cast<int>(index), paths[index])).c_str());
        }
      } else {
        const bool showsBar = id == CommandId::kViewToolBar || id == CommandId::kViewStatusBar;
        const HWND shown = id == CommandId::kViewToolBar ? bars_.ToolBar() : bars_.StatusBar();
        const bool on = showsBar ? ::IsWindowVisible(shown) != FALSE : commands_.Checked(id);
        const UINT checked = command.checkable && on ? MF_CHECKED : 0;
        ::AppendMenuW(popup, MF_STRING | checked, static_cast<UINT_PTR>(id),
                      ToWide(MenuItemText(command)).c_str());
      }
    }
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), ToWide(menu.title).c_str());
  }
  return bar;
}

void CMainFrame::Layout() {
  const RECT view = bars_.Layout();
  ::MoveWindow(view_, view.left, view.top, view.right - view.left, view.bottom - view.top, TRUE);
}

// The highlighted entry's prompt while a menu is open; the idle text once it closes.
void CMainFrame::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  const UINT flags = HIWORD(wParam);
  const int id = LOWORD(wParam);
  const bool closed = flags == 0xFFFF && lParam == 0;
  if (closed || (flags & (MF_POPUP | MF_SYSMENU | MF_SEPARATOR)) != 0 || id == 0) {
    bars_.SetStatusText(kIdleStatusText);
    return;
  }
  const CommandId command = IsRecentFileId(id) ? CommandId::kRecentFile : CommandId(id);
  bars_.SetStatusText(FindCommand(command).statusPrompt);
}

// The button under the pointer says what it does, as its menu entry would.
void CMainFrame::OnToolBarHotItem(const NMTBHOTITEM& hot) {
  const bool left = (hot.dwFlags & HICF_LEAVING) != 0 || hot.idNew == 0;
  bars_.SetStatusText(left ? kIdleStatusText : FindCommand(CommandId(hot.idNew)).statusPrompt);
}

void CMainFrame::OnCommand(int id) {
  if (contextHelp_ && id != static_cast<int>(CommandId::kContextHelp)) {
    LeaveContextHelp();
    ShowCommandHelp(id);
    return;
  }
  if (IsRecentFileId(id)) {
    commands_.OpenRecentFile(id - static_cast<int>(CommandId::kRecentFile));
    ShowDocument();
    return;
  }
  if (commands_.Run(CommandId(id))) {
    ShowDocument();
    return;
  }
  switch (CommandId(id)) {
    case CommandId::kExit:
      ::SendMessageW(window_, WM_CLOSE, 0, 0);
      return;
    case CommandId::kViewToolBar:
      ToggleBar(bars_.ToolBar());
      break;
    case CommandId::kViewStatusBar:
      ToggleBar(bars_.StatusBar());
      break;
    case CommandId::kContextHelp:
      contextHelp_ = true;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HELP));
      break;
    case CommandId::kHelpIndex:
    case CommandId::kHelp:
      ShowHelp(KVX_HELP_INDEX);
      break;
    case CommandId::kUsingHelp:
      ShowHelp(KVX_HELP_USING);
      break;
    case CommandId::kAbout:
      ShowAboutBox(window_);
      break;
    case CommandId::kFilePrint:
      PrintView(window_, document_.Title());
      break;
    default:
      break;
  }
  ShowDocument();
}

void CMainFrame::ShowCommandHelp(int id) {
  const CommandId command = IsRecentFileId(id) ? CommandId::kRecentFile : CommandId(id);
  ShowMessageBox(window_, MessageBox{FindCommand(command).statusPrompt});
}

void CMainFrame::LeaveContextHelp() {
  contextHelp_ = false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void CMainFrame::ToggleBar(HWND bar) {
  ::ShowWindow(bar, ::IsWindowVisible(bar) ? SW_HIDE : SW_SHOW);
  Layout();
}

void CMainFrame::KeepPlacement() {
  RECT rect;
  ::GetWindowRect(window_, &rect);
  KeepWindowRect(profile_, ShowStateOf(window_), ToScreenRect(rect));
}

// Keeps the normal rectangle, then asks whether to save a modified document; cancelling that
// keeps the window open.
void CMainFrame::OnClose() {
  KeepPlacement();
  if (!commands_.SaveModified()) {
    ShowDocument();
    return;
  }
  if (help_ != nullptr) ::DestroyWindow(help_);
  ::DestroyWindow(window_);
}

// A dialog open over the window disables it: the Update/Setup dialog, whose typed values are
// not yet the document's and whose probe operation may be halfway, or a question already
// asked. The user is in the middle of it, and the system lets them end the session anyway.
bool CMainFrame::OnQueryEndSession() {
  if (!::IsWindowEnabled(window_)) return false;
  const bool mayEnd = commands_.SaveModified();
  ShowDocument();
  return mayEnd;
}

void CMainFrame::ShowDocument() {
  ::SetWindowTextW(window_, ToWide(document_.WindowTitle()).c_str());
  const HMENU old = ::GetMenu(window_);
  ::SetMenu(window_, BuildMenuBar());
  if (old != nullptr) ::DestroyMenu(old);
}

void CMainFrame::ShowHelp(int page) {
  if (help_ == nullptr) help_ = CreateHelpWindow(window_);
  ShowHelpPage(help_, page);
}

}  // namespace kvx::win32
