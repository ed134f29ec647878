#pragma once

#include <windows.h>

#include <commctrl.h>

namespace kvx::win32 {

// The main window's two bars: the toolbar, drawn from the program's own bitmaps at the window's
// scale, and the status bar, whose message pane takes what the lock keys' panes leave.
class FrameBars {
 public:
  FrameBars() = default;
  ~FrameBars();
  FrameBars(const FrameBars&) = delete;
  FrameBars& operator=(const FrameBars&) = delete;

  // Makes both bars in `frame`; false when either cannot be made.
  bool Create(HWND frame);
  // The toolbar's pictures at the size of the system's small icons for the window's scale.
  bool LoadToolBarImages();
  // Sizes the bars to the frame's client area and returns what they leave between them.
  RECT Layout();
  void SetStatusText(const char* text);
  // The lock keys' panes always show their names: greyed while the lock is off.
  void ShowLockKeys();
  // Draws `item` when it is a lock pane of the status bar; false for any other item.
  bool DrawItem(const DRAWITEMSTRUCT& item) const;

  HWND ToolBar() const { return toolBar_; }
  HWND StatusBar() const { return statusBar_; }

 private:
  bool CreateToolBar();
  bool CreateStatusBar();

  HWND frame_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND statusBar_ = nullptr;
  HIMAGELIST toolBarImages_ = nullptr;
};

}  // namespace kvx::win32
