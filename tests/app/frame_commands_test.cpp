#include "app/frame_commands.h"

#include <gtest/gtest.h>

#include <set>

#include "app/update_setup_template.h"

namespace kvx {
namespace {

TEST(FrameCommands, MenusKeysAndPromptsAreThoseOfTheTable) {
  struct Case {
    CommandId id;
    int number;
    const char* menuItem;  // as the window system lists it, key included
    const char* key;
  };
  // clang-format off
  const Case cases[] = {
      {CommandId::kFileNew,     57600, "&New\tCtrl+N",     "Ctrl+N"},
      {CommandId::kFileOpen,    57601, "&Open...\tCtrl+O", "Ctrl+O"},
      {CommandId::kFileSave,    57603, "&Save\tCtrl+S",    "Ctrl+S"},
      {CommandId::kFileSaveAs,  57604, "Save &As...",      ""},
      {CommandId::kExit,        57665, "E&xit",            ""},
      {CommandId::kSetup,       32778, "KVX7000...",       ""},
      {CommandId::kUpdateFilesFolder, 32779, "Update Files &Folder...", ""},
      {CommandId::kAbout,       57664, "&About ...",       ""},
      {CommandId::kContextHelp, 57669, "\tShift+F1",       "Shift+F1"},
      {CommandId::kHelp,        57670, "\tF1",             "F1"},
      {CommandId::kFilePrint,   57607, "\tCtrl+P",         "Ctrl+P"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(static_cast<int>(c.id), c.number);
    EXPECT_EQ(MenuItemText(FindCommand(c.id)), c.menuItem);
    EXPECT_EQ(AcceleratorText(FindCommand(c.id).accelerator), c.key);
  }
  EXPECT_STREQ(FindCommand(CommandId::kSetup).statusPrompt,
               "Update KVX firmware and store configuration");
  EXPECT_EQ(RecentFileMenuText(1, "/data/R&D.gdb"), "&2 /data/R&&D.gdb");
}

// The template keeps the tab order and the ids the dialog's actions talk to.
TEST(UpdateSetupTemplate, ControlsListsAndStyles) {
  std::set<int> ids;
  for (const ControlTemplate& control : kUpdateSetupTemplate) {
    EXPECT_TRUE(control.id == kNoId || ids.insert(control.id).second) << control.id;
    EXPECT_LE(control.rect.x + control.rect.width, kUpdateSetupSize.width) << control.text;
    EXPECT_LE(control.rect.y + control.rect.height, kUpdateSetupSize.height) << control.text;
  }
  EXPECT_EQ(ids.size(), 22u);
  EXPECT_EQ(kUpdateSetupTemplate.front().text, std::string("Connect KVX7000 Loader"));
  EXPECT_EQ(kUpdateSetupTemplate.back().id, kEraseButtonId);
  EXPECT_EQ(StylesOf(ControlKind::kEdit), kTabStop | kBorder | kScrollsAcross);
  EXPECT_EQ(StylesOf(ControlKind::kCentredLabel), kNoStyle);

  const std::vector<std::string> ports = ListEntries(kPortListId);
  ASSERT_EQ(ports.size(), 19u);
  EXPECT_EQ(ports.front() + " " + ports.back(), "COM1 COM19");
  EXPECT_EQ(ListEntries(kSpeedListId),
            (std::vector<std::string>{"9600", "19200", "38400", "57600", "115200"}));
}

}  // namespace
}  // namespace kvx
