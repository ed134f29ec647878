#pragma once

#include <array>
#include <string>
#include <vector>

namespace kvx {

// The main window's commands, by the id its menus, keys and toolbar send.
enum class CommandId : int {
  kSeparator = 0,  // not a command: a line between menu entries or a gap between buttons
  kFileNew = 57600,
  kFileOpen = 57601,
  kFileSave = 57603,
  kFileSaveAs = 57604,
  kFilePrint = 57607,
  kRecentFile = 57616,  // the first of the recent-file list's entries, which follow in order
  kAbout = 57664,
  kExit = 57665,
  kHelpIndex = 57666,
  kUsingHelp = 57668,
  kContextHelp = 57669,
  kHelp = 57670,
  kSetup = 32778,
  kUpdateFilesFolder = 32779,
  kFastUpdate = 32780,
  kViewToolBar = 59392,
  kViewStatusBar = 59393,
};

// A key that runs a command wherever the focus is in the main window.
struct Accelerator {
  bool control = false;
  bool shift = false;
  char letter = '\0';   // 'A' to 'Z'; '\0' for a function key or none
  int functionKey = 0;  // 1 for F1; 0 for a letter or none

  bool Any() const { return letter != '\0' || functionKey != 0; }
};

// "Ctrl+N", "Shift+F1", "F1": how menus show the key, and how Qt reads it. Empty for none.
std::string AcceleratorText(const Accelerator& accelerator);

struct Command {
  CommandId id;
  const char* menuText;  // with '&' before the mnemonic; "" for a command without an entry
  Accelerator accelerator;
  const char* toolTip;  // "" for a command without a toolbar button
  // Turns something on and off with a check mark while it is on: a bar shown, Fast Update.
  bool checkable;
  const char* statusPrompt;  // the status bar's text while the entry is highlighted; "" none
};

// Every command of the main window.
const std::vector<Command>& FrameCommands();
const Command& FindCommand(CommandId id);

// The menu entry's text as the window system lists it: the text, a tab and the key, as in
// "&New\tCtrl+N".
std::string MenuItemText(const Command& command);

struct Menu {
  const char* title;
  // The entries in order; kRecentFile stands for the whole recent-file list, or for the
  // disabled "Recent File" entry while the list is empty.
  std::vector<CommandId> entries;
};

// The menu bar: File, Setup, View and Help.
const std::vector<Menu>& MainMenu();

// The entry for the recent file at `index` (0 the newest): "&1 " and the path, any '&' in it
// doubled so that it shows as itself.
std::string RecentFileMenuText(int index, const std::string& path);

// The toolbar's buttons from left to right, with the gaps between them.
inline constexpr std::array<CommandId, 8> kToolBar = {
    CommandId::kFileNew, CommandId::kFileOpen,  CommandId::kFileSave, CommandId::kSeparator,
    CommandId::kSetup,   CommandId::kSeparator, CommandId::kAbout,    CommandId::kContextHelp};

// The status bar: the message pane, which shows the idle text or the highlighted entry's
// prompt, then the indicators of the lock keys.
inline constexpr std::array<const char*, 3> kIndicatorPanes = {"CAP", "NUM", "SCRL"};

// The help window's caption.
inline constexpr char kHelpCaption[] = "kvxGDB Setup Help";

// The About box: its caption and its lines beside the program's icon, closed with OK.
inline constexpr char kAboutCaption[] = "About kvxGDB for ARM";
std::vector<std::string> AboutLines();

}  // namespace kvx
