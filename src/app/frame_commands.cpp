#include "app/frame_commands.h"

#include <algorithm>
#include <cassert>

#include "program_version.h"

namespace kvx {

namespace {

constexpr Accelerator kNoKey{};

Accelerator Ctrl(char letter) {
  return {true, false, letter, 0};
}

Accelerator FunctionKey(int number, bool shift = false) {
  return {false, shift, '\0', number};
}

}  // namespace

std::string AcceleratorText(const Accelerator& accelerator) {
  if (!accelerator.Any()) return {};
  std::string text;
  if (accelerator.control) text += "Ctrl+";
  if (accelerator.shift) text += "Shift+";
  if (accelerator.letter != '\0') return text + accelerator.letter;
  return text + 'F' + std::to_string(accelerator.functionKey);
}

const std::vector<Command>& FrameCommands() {
  using C = CommandId;
  static const std::vector<Command> commands = {
      {C::kFileNew, "&New", Ctrl('N'), "New", false, "Create a new document"},
      {C::kFileOpen, "&Open...", Ctrl('O'), "Open", false, "Open an existing document"},
      {C::kFileSave, "&Save", Ctrl('S'), "Save", false, "Save the document"},
      {C::kFileSaveAs, "Save &As...", kNoKey, "", false, "Save the document with a new name"},
      {C::kRecentFile, "Recent File", kNoKey, "", false, "Open this document"},
      {C::kExit, "E&xit", kNoKey, "", false, "Quit the program; prompts to save the document"},
      {C::kSetup, "KVX7000...", kNoKey, "KVX7000", false,
       "Update KVX firmware and store configuration"},
      {C::kUpdateFilesFolder, "Update Files &Folder...", kNoKey, "", false,
       "Choose the folder that holds the firmware and logic update files"},
      {C::kFastUpdate, "Fast &Update", kNoKey, "", true,
       "Program the firmware in joined requests, much faster behind a USB serial adapter"},
      {C::kViewToolBar, "&Toolbar", kNoKey, "", true, "Show or hide the toolbar"},
      {C::kViewStatusBar, "&Status Bar", kNoKey, "", true, "Show or hide the status bar"},
      {C::kHelpIndex, "&Index", kNoKey, "", false, "List help topics"},
      {C::kUsingHelp, "&Using Help", kNoKey, "", false,
       "Display instructions about how to use help"},
      {C::kAbout, "&About ...", kNoKey, "About", false, "Display program information and version"},
      {C::kContextHelp, "", FunctionKey(1, true), "What's This?", false,
       "Display help for clicked buttons, menus and windows"},
      {C::kHelp, "", FunctionKey(1), "", false, ""},
      {C::kFilePrint, "", Ctrl('P'), "", false, ""},
  };
  return commands;
}

const Command& FindCommand(CommandId id) {
  const std::vector<Command>& commands = FrameCommands();
  const auto found = std::find_if(commands.begin(), commands.end(),
                                  [id](const Command& command) { return command.id == id; });
  assert(found != commands.end());
  return *found;
}

std::string MenuItemText(const Command& command) {
  if (!command.accelerator.Any()) return command.menuText;
  return std::string(command.menuText) + '\t' + AcceleratorText(command.accelerator);
}

const std::vector<Menu>& MainMenu() {
  using C = CommandId;
  static const std::vector<Menu> menus = {
      {"&File",
       {C::kFileNew, C::kFileOpen, C::kFileSave, C::kFileSaveAs, C::kSeparator, C::kRecentFile,
        C::kSeparator, C::kExit}},
      {"&Setup", {C::kSetup, C::kUpdateFilesFolder, C::kFastUpdate}},
      {"&View", {C::kViewToolBar, C::kViewStatusBar}},
      {"&Help", {C::kHelpIndex, C::kUsingHelp, C::kSeparator, C::kAbout}},
  };
  return menus;
}

std::string RecentFileMenuText(int index, const std::string& path) {
  std::string text = '&' + std::to_string(index + 1) + ' ';
  for (char c : path) {
    text += c;
    if (c == '&') text += '&';
  }
  return text;
}

std::vector<std::string> AboutLines() {
  // The last line names the build, for bug reports: the first names the probe's own release.
  return {"KVX7000 Configuration Version 1.05", "for GNU Debugger ARM7/ARM9",
          std::string("kvxsetup ") + kProgramVersion + ", " + kLicenceId + " licence"};
}

}  // namespace kvx
