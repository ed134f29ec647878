#pragma once

#include <windows.h>

#include "app/document_commands.h"
#include "app/frame_commands.h"
#include "app/kvxhs_doc.h"
#include "app/profile.h"
#include "app/recent_file_list.h"

namespace kvx::win32 {

// The main window, drawn from the command table: its menu bar, keys, toolbar and status bar,
// and the empty view. Every command goes to the document's commands or to the window's own;
// the caption and the recent files are shown afresh after each. Its normal rectangle is kept
// in the profile.
class MainFrame {
 public:
  MainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
            const RecentFileList& recentFiles, Profile& profile);
  ~MainFrame();
  MainFrame(const MainFrame&) = delete;
  MainFrame& operator=(const MainFrame&) = delete;

  // Creates the window at its stored position, when that lies wholly on the desktop.
  bool Create(int showCommand);
  // Runs the message loop until the window is closed; the program's exit code.
  int Run();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateAccelerators();
  HMENU BuildMenuBar() const;
  void Layout();
  void OnMenuSelect(WPARAM wParam, LPARAM lParam);
  void ShowLockKeys();
  void OnCommand(int id);
  // In context help, a command's entry or button shows what it does instead of doing it.
  void ShowCommandHelp(int id);
  void LeaveContextHelp();
  void ToggleBar(HWND bar);
  void OnClose();
  void ShowDocument();
  void ShowHelp(int page);
  void SetStatusText(const char* text);

  const CKvxhsDoc& document_;
  DocumentCommands& commands_;
  const RecentFileList& recentFiles_;
  Profile& profile_;
  HWND window_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND view_ = nullptr;
  HWND help_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool contextHelp_ = false;
};

}  // namespace kvx::win32
