#include "app/document_commands.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

#include "scripted_dialogs.h"
#include "temp_directory.h"

namespace kvx {
namespace {

using Texts = std::vector<std::string>;

// A version 1 document: version, speed 1, port 2 and three texts.
const std::string kGoodFile("\x01\x00\x01\x00\x02\x00\x01\x31\x01\x32\x00", 11);

class DocumentCommandsTest : public testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }

  test::TempDirectory directory_;
  test::ScriptedWindowModel model_{PathOf("kvxsetup.ini")};
};

TEST_F(DocumentCommandsTest, StartsWithTheCommandLineDocumentElseTheMostRecentElseANewOne) {
  enum class Recent { kNone, kGood, kMissing, kReadOnly, kCut, kSecondOnly };
  struct Case {
    const char* name;
    const char* commandLine;  // a file name, given unquoted so the shell splits it at spaces
    Recent recent;
    bool started;
    const char* opened;  // file name of the document shown; "" for a new one
    Texts messages;
  };
  // clang-format off
  const Case cases[] = {
      {"first run",                             "",             Recent::kNone,       true,  "",             {}},
      {"most recent",                           "",             Recent::kGood,       true,  "recent.gdb",   {}},
      {"command line beats most recent",        "given.gdb",    Recent::kGood,       true,  "given.gdb",    {}},
      {"path with a space, split by the shell", "my probe.gdb", Recent::kGood,       true,  "my probe.gdb", {}},
      {"most recent missing",                   "",             Recent::kMissing,    true,  "",             {}},
      {"most recent read-only",                 "",             Recent::kReadOnly,   true,  "",             {}},
      {"most recent damaged",                   "",             Recent::kCut,        true,  "",             {"Unexpected file format."}},
      {"File1 empty, File2 named",              "",             Recent::kSecondOnly, true,  "",             {}},
      {"command line missing",                  "absent.gdb",   Recent::kGood,       false, "",             {"Failed to open document."}},
      {"command line damaged",                  "cut.gdb",      Recent::kGood,       false, "",             {"Unexpected file format."}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    model_.dialogs.messages.clear();
    std::filesystem::remove(PathOf("kvxsetup.ini"));
    for (const char* name : {"given.gdb", "my probe.gdb", "recent.gdb"}) {
      directory_.Write(name, kGoodFile);
      chmod(PathOf(name).c_str(), 0644);
    }
    directory_.Write("cut.gdb", kGoodFile.substr(0, 8));
    if (c.recent == Recent::kSecondOnly)
      model_.profile.WriteString("Recent File List", "File2", "x");
    if (c.recent == Recent::kReadOnly) chmod(PathOf("recent.gdb").c_str(), 0444);
    const std::string recent = c.recent == Recent::kCut       ? PathOf("cut.gdb")
                               : c.recent == Recent::kMissing ? PathOf("gone.gdb")
                                                              : PathOf("recent.gdb");
    if (c.recent != Recent::kNone && c.recent != Recent::kSecondOnly)
      model_.recentFiles.Add(recent);
    std::vector<std::string> arguments{"kvxsetup"};
    std::istringstream words(*c.commandLine ? PathOf(c.commandLine) : "");
    for (std::string word; words >> word;) arguments.push_back(word);

    EXPECT_EQ(model_.commands.OpenStartupDocument(CommandLineDocument(arguments)), c.started);

    EXPECT_EQ(model_.dialogs.Texts(), c.messages);
    if (!c.started) continue;
    EXPECT_EQ(model_.document.PathName(), *c.opened ? PathOf(c.opened) : std::string());
    EXPECT_EQ(model_.document.Settings().portIndex, *c.opened ? 2 : 0);
    if (c.recent != Recent::kNone && c.recent != Recent::kSecondOnly && !*c.commandLine) {
      EXPECT_EQ(model_.recentFiles.Entries(), Texts{recent});
    }
  }
}

// Whatever replaces a modified document asks first; Cancel, or a save that does not happen,
// keeps it.
TEST_F(DocumentCommandsTest, ReplacingAModifiedDocumentAsksToSaveItFirst) {
  struct Case {
    MessageAnswer answer;
    const char* savedAs;  // chosen in the Save As dialog; "" cancels it
    bool replaced;
  };
  const Case cases[] = {
      {MessageAnswer::kCancel, "", false},
      {MessageAnswer::kYes, "", false},
      {MessageAnswer::kNo, "", true},
      {MessageAnswer::kYes, "kept.gdb", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    model_.commands.FileNew();
    model_.dialogs.runSetupDialog = [](DialogFields fields) {
      fields.network.probeIpAddress = "192.168.0.7";
      return std::optional<DialogFields>(fields);
    };
    model_.commands.Setup();
    ASSERT_TRUE(model_.document.IsModified());
    model_.dialogs.messages.clear();
    model_.dialogs.suggestions.clear();
    model_.dialogs.answers = {c.answer};
    if (*c.savedAs) model_.dialogs.chosenFiles = {PathOf(c.savedAs)};

    model_.commands.FileNew();

    ASSERT_EQ(model_.dialogs.Texts(), Texts{"Save changes to Untitled?"});
    EXPECT_EQ(model_.dialogs.messages[0].buttons, MessageButtons::kYesNoCancel);
    EXPECT_EQ(model_.document.IsModified(), !c.replaced);
    const Texts suggested = c.answer == MessageAnswer::kYes ? Texts{"Untitled.gdb"} : Texts{};
    EXPECT_EQ(model_.dialogs.suggestions, suggested);
    if (!*c.savedAs) continue;
    EXPECT_EQ(model_.recentFiles.Entries(), Texts{PathOf(c.savedAs)});
    CKvxhsDoc saved(model_.userDialogs.showMessage);
    ASSERT_TRUE(saved.OpenDocument(PathOf(c.savedAs)));
    EXPECT_EQ(saved.Settings().network.probeIpAddress, "192.168.0.7");
  }
}

TEST_F(DocumentCommandsTest, ARecentFileThatFailsToOpenLeavesTheList) {
  for (const char* name : {"a.gdb", "b.gdb"}) {
    directory_.Write(name, kGoodFile);
    model_.recentFiles.Add(PathOf(name));
  }
  std::filesystem::remove(PathOf("a.gdb"));
  model_.commands.OpenRecentFile(1);
  EXPECT_EQ(model_.dialogs.Texts(), Texts{"Failed to open document."});
  EXPECT_EQ(model_.recentFiles.Entries(), Texts{PathOf("b.gdb")});
  EXPECT_EQ(model_.document.Title(), "Untitled");
}

}  // namespace
}  // namespace kvx
