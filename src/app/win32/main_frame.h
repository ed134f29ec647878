#pragma once

#include <windows.h>

#include <commctrl.h>

#include "app/document_commands.h"
#include "app/frame_commands.h"
#include "app/kvxhs_doc.h"
#include "app/profile.h"
#include "app/recent_file_list.h"
#include "app/win32/frame_bars.h"

namespace kvx::win32 {

// The main window, drawn from the command table: its menu bar, keys, toolbar and status bar,
// and the empty view. Every command goes to the document's commands or to the window's own;
// the caption and the recent files are shown afresh after each. Its normal rectangle is kept
// in the profile when it closes and when the session ends.
class CMainFrame {
 public:
  CMainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
             const RecentFileList& recentFiles, Profile& profile);
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the window at its stored position, when that lies wholly on the desktop. False,
  // with no window left, when the window or any of its bars cannot be made.
  bool Create(int showCommand);
  // Runs the message loop until the window is closed; the program's exit code.
  int Run();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnCreate();
  bool CreateAccelerators();
  HMENU BuildMenuBar() const;
  void Layout();
  void OnMenuSelect(WPARAM wParam, LPARAM lParam);
  void OnToolBarHotItem(const NMTBHOTITEM& hot);
  void OnCommand(int id);
  // In context help, a command's entry or button shows what it does instead of doing it.
  void ShowCommandHelp(int id);
  void LeaveContextHelp();
  void ToggleBar(HWND bar);
  void KeepPlacement();
  void OnClose();
  // Whether the session may end: not while a dialog of the program is open (a probe
  // operation may be running in it), and not when the user cancels saving the document.
  bool OnQueryEndSession();
  void ShowDocument();
  void ShowHelp(int page);

  const CKvxhsDoc& document_;
  DocumentCommands& commands_;
  const RecentFileList& recentFiles_;
  Profile& profile_;
  HWND window_ = nullptr;
  FrameBars bars_;
  HWND view_ = nullptr;
  HWND help_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool contextHelp_ = false;
};

}  // namespace kvx::win32
