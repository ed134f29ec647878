#include "app/qt/kvx_application.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "frame_test_support.h"

namespace kvx::qt {
namespace {

// A version 1 document: version, speed 1, port 2 and three texts.
const QByteArray kGoodFile = QByteArray::fromHex("0100010002000131013200");

TEST(ApplicationStartup, OpensTheCommandLineDocumentElseTheMostRecentElseANewOne) {
  enum class Recent { kNone, kGood, kMissing, kReadOnly, kCut, kSecondOnly };
  struct Case {
    const char* name;
    QString commandLine;  // a file name, given unquoted so the shell splits it at spaces
    Recent recent;
    bool started;
    const char* opened;  // file name of the document shown; "" for a new one
    QStringList messages;
  };
  // clang-format off
  const Case cases[] = {
      {"first run",                               "",             Recent::kNone,       true,  "",             {}},
      {"most recent",                             "",             Recent::kGood,       true,  "recent.gdb",   {}},
      {"command line beats most recent",          "given.gdb",    Recent::kGood,       true,  "given.gdb",    {}},
      {"path with a space, split by the shell",   "my probe.gdb", Recent::kGood,       true,  "my probe.gdb", {}},
      {"most recent missing",                     "",             Recent::kMissing,    true,  "",             {}},
      {"most recent read-only",                   "",             Recent::kReadOnly,   true,  "",             {}},
      {"most recent damaged",                     "",             Recent::kCut,        true,  "",             {"Unexpected file format."}},
      {"File1 empty, File2 named",                "",             Recent::kSecondOnly, true,  "",             {}},
      {"command line missing",                    "absent.gdb",   Recent::kGood,       false, "",             {"Failed to open document."}},
      {"command line damaged",                    "cut.gdb",      Recent::kGood,       false, "",             {"Unexpected file format."}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QTemporaryDir run;
    const auto path = [&](const QString& name) { return run.filePath(name); };
    for (const char* name : {"given.gdb", "my probe.gdb", "recent.gdb"})
      WriteAll(path(name), kGoodFile);
    WriteAll(path("cut.gdb"), kGoodFile.left(8));
    if (c.recent == Recent::kSecondOnly) {
      WriteAll(path("kvxsetup.ini"),
               ("[Recent File List]\nFile1=\nFile2=" + path("recent.gdb") + "\n").toUtf8());
    }
    PrivateProfile profile(path("kvxsetup.ini"));
    if (c.recent == Recent::kReadOnly) {
      QFile::setPermissions(path("recent.gdb"), QFile::ReadOwner | QFile::ReadGroup);
    }
    const QString recent = c.recent == Recent::kCut       ? path("cut.gdb")
                           : c.recent == Recent::kMissing ? path("gone.gdb")
                                                          : path("recent.gdb");
    if (c.recent != Recent::kNone && c.recent != Recent::kSecondOnly) profile.AddRecentFile(recent);
    QStringList arguments{"kvxsetup"};
    if (!c.commandLine.isEmpty()) arguments += path(c.commandLine).split(' ');
    ScriptedDialogs dialogs;

    KvxApplication application(profile, dialogs.Dialogs());
    EXPECT_EQ(application.InitInstance(arguments), c.started);

    EXPECT_EQ(dialogs.Texts(), c.messages);
    EXPECT_EQ(application.MainFrame() != nullptr, c.started);
    if (!c.started) continue;
    const CKvxhsDoc& document = application.Document();
    EXPECT_EQ(document.PathName(), *c.opened ? path(c.opened) : QString());
    EXPECT_EQ(document.Settings().portIndex, *c.opened ? 2 : 0);
    if (c.recent != Recent::kNone && c.commandLine.isEmpty()) {
      EXPECT_EQ(profile.RecentFiles(), QStringList{recent});
    }
  }
}

}  // namespace
}  // namespace kvx::qt
