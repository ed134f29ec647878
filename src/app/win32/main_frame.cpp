#include "app/win32/main_frame.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "app/win32/about_box.h"
#include "app/win32/help_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/user_dialogs.h"
#include "app/win32/wide_text.h"
#include "app/window_placement.h"

namespace kvx::win32 {

namespace {

constexpr wchar_t kFrameClass[] = L"kvxsetupFrame";
constexpr wchar_t kViewClass[] = L"kvxsetupView";
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kRecentFileIdLast = static_cast<int>(CommandId::kRecentFile) + RecentFileList::kSize;
constexpr int kIndicatorWidth = 40;  // at 96 dots per inch, wide enough for "SCRL"

bool IsRecentFileId(int id) {
  return id >= static_cast<int>(CommandId::kRecentFile) && id < kRecentFileIdLast;
}

// The toolbar's pictures from the system's standard set.
int ToolBarImage(CommandId id) {
  switch (id) {
    case CommandId::kFileNew:
      return STD_FILENEW;
    case CommandId::kFileOpen:
      return STD_FILEOPEN;
    case CommandId::kFileSave:
      return STD_FILESAVE;
    case CommandId::kSetup:
      return STD_PROPERTIES;
    case CommandId::kAbout:
      return STD_FIND;
    default:
      return STD_HELP;
  }
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

LRESULT CALLBACK ViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
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

MainFrame::MainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
                     const RecentFileList& recentFiles, Profile& profile)
    : document_(document), commands_(commands), recentFiles_(recentFiles), profile_(profile) {}

MainFrame::~MainFrame() {
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
}

bool MainFrame::Create(int showCommand) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW frameClass{};
  frameClass.cbSize = sizeof frameClass;
  frameClass.lpfnWndProc = &MainFrame::Procedure;
  frameClass.hInstance = instance;
  frameClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(KVX_APPLICATION_ICON));
  frameClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  frameClass.lpszClassName = kFrameClass;
  WNDCLASSEXW viewClass{};
  viewClass.cbSize = sizeof viewClass;
  viewClass.lpfnWndProc = ViewProcedure;
  viewClass.hInstance = instance;
  viewClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  viewClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  viewClass.lpszClassName = kViewClass;
  if (!::RegisterClassExW(&frameClass) || !::RegisterClassExW(&viewClass)) return false;

  window_ =
      ::CreateWindowExW(0, kFrameClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        kDefaultWidth, kDefaultHeight, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return false;
  SetMainWindow(window_);
  if (const auto stored = StoredWindowRect(profile_, VirtualDesktop())) {
    ::MoveWindow(window_, stored->left, stored->top, stored->right - stored->left,
                 stored->bottom - stored->top, FALSE);
  }
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
  return true;
}

int MainFrame::Run() {
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
    if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) ShowLockKeys();
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainFrame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainFrame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<MainFrame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT MainFrame::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_MENUSELECT:
      OnMenuSelect(wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      ShowLockKeys();
      break;
    case WM_SETCURSOR:
      if (!contextHelp_) break;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HELP));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainFrame::OnCreate() {
  view_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, kViewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                            window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  CreateToolBar();
  CreateStatusBar();
  CreateAccelerators();
  ShowDocument();
}

// Buttons without text show their string as the tooltip.
void MainFrame::CreateToolBar() {
  toolBar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 0, 0,
                               window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolBar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  ::SendMessageW(toolBar_, TB_LOADIMAGES, IDB_STD_SMALL_COLOR,
                 reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  std::vector<std::wstring> tips;
  tips.reserve(kToolBar.size());
  std::vector<TBBUTTON> buttons;
  for (CommandId id : kToolBar) {
    TBBUTTON button{};
    if (id == CommandId::kSeparator) {
      button.fsStyle = BTNS_SEP;
    } else {
      tips.push_back(ToWide(FindCommand(id).toolTip));
      button.iBitmap = ToolBarImage(id);
      button.idCommand = static_cast<int>(id);
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(tips.back().c_str());
    }
    buttons.push_back(button);
  }
  ::SendMessageW(toolBar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
  ::SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
}

// The message pane takes what the lock keys' panes leave.
void MainFrame::CreateStatusBar() {
  statusBar_ =
      ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                        0, 0, window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  SetStatusText(kIdleStatusText);
}

void MainFrame::CreateAccelerators() {
  std::vector<ACCEL> table;
  for (const Command& command : FrameCommands()) {
    if (command.accelerator.Any()) table.push_back(AcceleratorOf(command));
  }
  accelerators_ = ::CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

HMENU MainFrame::BuildMenuBar() const {
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
        const HWND shown = id == CommandId::kViewToolBar ? toolBar_ : statusBar_;
        const UINT checked = command.showsBar && ::IsWindowVisible(shown) ? MF_CHECKED : 0;
        ::AppendMenuW(popup, MF_STRING | checked, static_cast<UINT_PTR>(id),
                      ToWide(MenuItemText(command)).c_str());
      }
    }
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), ToWide(menu.title).c_str());
  }
  return bar;
}

void MainFrame::Layout() {
  RECT client;
  ::GetClientRect(window_, &client);
  ::SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  const int dpi = static_cast<int>(::GetDpiForWindow(window_));
  const int indicator = ::MulDiv(kIndicatorWidth, dpi == 0 ? 96 : dpi, 96);
  std::array<int, 1 + kIndicatorPanes.size()> edges{};
  const int panes = static_cast<int>(edges.size());
  for (int pane = 0; pane < panes; ++pane) {
    edges[static_cast<std::size_t>(pane)] = client.right - (panes - 1 - pane) * indicator;
  }
  edges.back() = -1;
  ::SendMessageW(statusBar_, SB_SETPARTS, panes, reinterpret_cast<LPARAM>(edges.data()));
  ShowLockKeys();

  RECT bar;
  int top = 0;
  int bottom = client.bottom;
  if (::IsWindowVisible(toolBar_) && ::GetWindowRect(toolBar_, &bar)) top = bar.bottom - bar.top;
  if (::IsWindowVisible(statusBar_) && ::GetWindowRect(statusBar_, &bar)) {
    bottom -= bar.bottom - bar.top;
  }
  ::MoveWindow(view_, 0, top, client.right, bottom - top, TRUE);
}

// A lock key's pane shows its name while the lock is on, and nothing while it is off.
void MainFrame::ShowLockKeys() {
  static constexpr int kKeys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
  for (std::size_t pane = 0; pane < kIndicatorPanes.size(); ++pane) {
    const bool on = (::GetKeyState(kKeys[pane]) & 1) != 0;
    ::SendMessageW(statusBar_, SB_SETTEXTW, pane + 1,
                   reinterpret_cast<LPARAM>(on ? ToWide(kIndicatorPanes[pane]).c_str() : L""));
  }
}

void MainFrame::SetStatusText(const char* text) {
  ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

// The highlighted entry's prompt while a menu is open; the idle text once it closes.
void MainFrame::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  const UINT flags = HIWORD(wParam);
  const int id = LOWORD(wParam);
  const bool closed = flags == 0xFFFF && lParam == 0;
  if (closed || (flags & (MF_POPUP | MF_SYSMENU | MF_SEPARATOR)) != 0 || id == 0) {
    SetStatusText(kIdleStatusText);
    return;
  }
  const CommandId command = IsRecentFileId(id) ? CommandId::kRecentFile : CommandId(id);
  SetStatusText(FindCommand(command).statusPrompt);
}

void MainFrame::OnCommand(int id) {
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
      ToggleBar(toolBar_);
      break;
    case CommandId::kViewStatusBar:
      ToggleBar(statusBar_);
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
    default:
      break;
  }
  ShowDocument();
}

void MainFrame::ShowCommandHelp(int id) {
  const CommandId command = IsRecentFileId(id) ? CommandId::kRecentFile : CommandId(id);
  ShowMessageBox(window_, MessageBox{FindCommand(command).statusPrompt});
}

void MainFrame::LeaveContextHelp() {
  contextHelp_ = false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void MainFrame::ToggleBar(HWND bar) {
  ::ShowWindow(bar, ::IsWindowVisible(bar) ? SW_HIDE : SW_SHOW);
  Layout();
}

// Keeps the normal rectangle, then asks whether to save a modified document; cancelling that
// keeps the window open.
void MainFrame::OnClose() {
  RECT rect;
  ::GetWindowRect(window_, &rect);
  KeepWindowRect(profile_, ShowStateOf(window_), ToScreenRect(rect));
  if (!commands_.SaveModified()) {
    ShowDocument();
    return;
  }
  if (help_ != nullptr) ::DestroyWindow(help_);
  ::DestroyWindow(window_);
}

void MainFrame::ShowDocument() {
  ::SetWindowTextW(window_, ToWide(document_.WindowTitle()).c_str());
  const HMENU old = ::GetMenu(window_);
  ::SetMenu(window_, BuildMenuBar());
  if (old != nullptr) ::DestroyMenu(old);
}

void MainFrame::ShowHelp(int page) {
  if (help_ == nullptr) help_ = CreateHelpWindow(window_);
  ShowHelpPage(help_, page);
}

}  // namespace kvx::win32
