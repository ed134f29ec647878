#include "app/win32/frame_bars.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame_commands.h"
#include "app/win32/resource_ids.h"
#include "app/win32/wide_text.h"
#include "ui/messages.h"

namespace kvx::win32 {

namespace {

constexpr int kIndicatorWidth = 40;  // at 96 dots per inch, wide enough for "SCRL"
constexpr std::array<int, kIndicatorPanes.size()> kLockKeys = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};

// The toolbar's bitmaps, one picture a button in the toolbar's order, drawn at these sizes.
struct ToolBarBitmap {
  int size;
  int resource;
};
constexpr ToolBarBitmap kToolBarBitmaps[] = {
    {16, KVX_TOOLBAR_BITMAP}, {24, KVX_TOOLBAR_BITMAP_24}, {32, KVX_TOOLBAR_BITMAP_32}};
// What the bitmaps have where the toolbar shows through.
constexpr COLORREF kToolBarMask = RGB(255, 0, 255);

int DpiOf(HWND window) {
  const UINT dpi = ::GetDpiForWindow(window);
  return dpi == 0 ? USER_DEFAULT_SCREEN_DPI : static_cast<int>(dpi);
}

int IndicatorWidth(HWND window) {
  return ::MulDiv(kIndicatorWidth, DpiOf(window), USER_DEFAULT_SCREEN_DPI);
}

// The bitmap nearest the system's small icons at `dpi`, the larger one of two as near.
const ToolBarBitmap& ToolBarBitmapFor(int dpi) {
  const int wanted = ::GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi));
  const ToolBarBitmap* best = &kToolBarBitmaps[0];
  for (const ToolBarBitmap& bitmap : kToolBarBitmaps) {
    if (std::abs(bitmap.size - wanted) <= std::abs(best->size - wanted)) best = &bitmap;
  }
  return *best;
}

}  // namespace

FrameBars::~FrameBars() {
  if (toolBarImages_ != nullptr) ::ImageList_Destroy(toolBarImages_);
}

bool FrameBars::Create(HWND frame) {
  frame_ = frame;
  return CreateToolBar() && CreateStatusBar();
}

// Buttons without text show their string as the tooltip.
bool FrameBars::CreateToolBar() {
  toolBar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 0, 0,
                               frame_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (toolBar_ == nullptr) return false;
  ::SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolBar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  if (!LoadToolBarImages()) return false;
  std::vector<std::wstring> tips;
  tips.reserve(kToolBar.size());
  std::vector<TBBUTTON> buttons;
  int image = 0;
  for (CommandId id : kToolBar) {
    TBBUTTON button{};
    if (id == CommandId::kSeparator) {
      button.fsStyle = BTNS_SEP;
    } else {
      tips.push_back(ToWide(FindCommand(id).toolTip));
      button.iBitmap = image++;
      button.idCommand = static_cast<int>(id);
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(tips.back().c_str());
    }
    buttons.push_back(button);
  }
  if (!::SendMessageW(toolBar_, TB_ADDBUTTONSW, buttons.size(),
                      reinterpret_cast<LPARAM>(buttons.data()))) {
    return false;
  }
  ::SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  return true;
}

bool FrameBars::LoadToolBarImages() {
  const ToolBarBitmap& chosen = ToolBarBitmapFor(DpiOf(frame_));
  const auto bitmap = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                        MAKEINTRESOURCEW(chosen.resource),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  const int pictures =
      static_cast<int>(kToolBar.size()) -
      static_cast<int>(std::count(kToolBar.begin(), kToolBar.end(), CommandId::kSeparator));
  const HIMAGELIST images =
      ::ImageList_Create(chosen.size, chosen.size, ILC_COLOR24 | ILC_MASK, pictures, 0);
  const bool loaded = images != nullptr &&
                      ::ImageList_AddMasked(images, bitmap, kToolBarMask) == 0 &&
                      ::ImageList_GetImageCount(images) == pictures;
  ::DeleteObject(bitmap);
  if (!loaded) {
    if (images != nullptr) ::ImageList_Destroy(images);
    return false;
  }
  ::SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  if (toolBarImages_ != nullptr) ::ImageList_Destroy(toolBarImages_);
  toolBarImages_ = images;
  ::SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  return true;
}

// The message pane takes what the lock keys' panes leave.
bool FrameBars::CreateStatusBar() {
  statusBar_ =
      ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                        0, 0, frame_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (statusBar_ == nullptr) return false;
  const std::array<int, 1 + kIndicatorPanes.size()> edges{};
  if (!::SendMessageW(statusBar_, SB_SETPARTS, edges.size(),
                      reinterpret_cast<LPARAM>(edges.data()))) {
    return false;
  }
  SetStatusText(kIdleStatusText);
  ShowLockKeys();
  return true;
}

RECT FrameBars::Layout() {
  RECT client;
  ::GetClientRect(frame_, &client);
  ::SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  // The last pane also holds the size grip, beside its name.
  const int indicator = IndicatorWidth(frame_);
  const int grip = ::GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(DpiOf(frame_)));
  std::array<int, 1 + kIndicatorPanes.size()> edges{};
  const int panes = static_cast<int>(edges.size());
  for (int pane = 0; pane < panes; ++pane) {
    edges[static_cast<std::size_t>(pane)] = client.right - grip - (panes - 1 - pane) * indicator;
  }
  edges.back() = -1;
  ::SendMessageW(statusBar_, SB_SETPARTS, panes, reinterpret_cast<LPARAM>(edges.data()));
  ShowLockKeys();

  RECT bar;
  if (::IsWindowVisible(toolBar_) && ::GetWindowRect(toolBar_, &bar)) {
    client.top = bar.bottom - bar.top;
  }
  if (::IsWindowVisible(statusBar_) && ::GetWindowRect(statusBar_, &bar)) {
    client.bottom -= bar.bottom - bar.top;
  }
  return client;
}

// Each pane is drawn by DrawItem, which its data tells whether the lock is on.
void FrameBars::ShowLockKeys() {
  for (std::size_t pane = 0; pane < kIndicatorPanes.size(); ++pane) {
    const bool on = (::GetKeyState(kLockKeys[pane]) & 1) != 0;
    ::SendMessageW(statusBar_, SB_SETTEXTW, (pane + 1) | SBT_OWNERDRAW, on ? 1 : 0);
  }
}

bool FrameBars::DrawItem(const DRAWITEMSTRUCT& pane) const {
  const std::size_t index = pane.itemID - 1;
  if (pane.hwndItem != statusBar_ || index >= kIndicatorPanes.size()) return false;
  RECT rect = pane.rcItem;
  rect.right = std::min<LONG>(rect.right, rect.left + IndicatorWidth(frame_));
  const std::wstring name = ToWide(kIndicatorPanes[index]);
  ::SetBkMode(pane.hDC, TRANSPARENT);
  ::SetTextColor(pane.hDC, ::GetSysColor(pane.itemData != 0 ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  ::DrawTextW(pane.hDC, name.c_str(), static_cast<int>(name.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

void FrameBars::SetStatusText(const char* text) {
  ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

}  // namespace kvx::win32
