#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>

#include "app/document_file.h"
#include "app/probe_station.h"
#include "app/profile.h"
#include "app/recent_file_list.h"
#include "app/window_placement.h"
#include "child_process.h"
#include "os/profile.h"
#include "temp_directory.h"

namespace kvx {
namespace {

using Texts = std::vector<std::string>;

class WindowSettingsTest : public testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }

  test::TempDirectory directory_;
  // In a directory of its own that does not exist yet, as on a first run.
  Profile profile_{PathOf("config/kvxsetup.ini")};
  RecentFileList recentFiles_{profile_};
};

TEST_F(WindowSettingsTest, WritesSectionAndKeyNamesAsTheyAre) {
  recentFiles_.Add(PathOf("a.gdb"));
  KeepWindowRect(profile_, WindowShowState::kNormal, {10, 20, 310, 220});
  EXPECT_EQ(directory_.Read("config/kvxsetup.ini"),
            "[Recent File List]\nFile1=" + PathOf("a.gdb") +
                "\n\n[WindowPos]\nbottomPos=220\nleftPos=10\n"
                "rightPos=310\ntopPos=20\n");
}

TEST_F(WindowSettingsTest, ReadsAHandWrittenProfile) {
  directory_.Write(
      "hand.ini",
      "\xEF\xBB\xBF; written by hand\r\n[Ports]\r\nCOM3 = /dev/ttyUSB0\n\n[WindowPos]\n"
      "leftPos=65535\ntopPos=5\n[Recent File List]\nFile1=/data/probe one.gdb\n"
      "File2=\nFile3=/data/b.gdb\n");
  const Profile profile(PathOf("hand.ini"));
  const PortNameLookup ports = ConfiguredPorts(profile);
  EXPECT_EQ(ports(3), "/dev/ttyUSB0");
  EXPECT_EQ(ports(4), std::nullopt);
  EXPECT_EQ(profile.ReadInt("WindowPos", "topPos", 0), 5);
  EXPECT_EQ(StoredWindowRect(profile, {0, 0, 1000, 1000}), std::nullopt);  // 65535: none stored
  Profile writable(PathOf("hand.ini"));
  EXPECT_EQ(RecentFileList(writable).Entries(), (Texts{"/data/probe one.gdb", "/data/b.gdb"}));
}

TEST_F(WindowSettingsTest, RecentFilesKeepTheFourNewestOnceEach) {
  for (const char* name : {"a.gdb", "b.gdb", "c.gdb", "d.gdb", "e.gdb"}) {
    recentFiles_.Add(PathOf(name));
  }
  EXPECT_EQ(recentFiles_.Entries(),
            (Texts{PathOf("e.gdb"), PathOf("d.gdb"), PathOf("c.gdb"), PathOf("b.gdb")}));

  recentFiles_.Add(PathOf("sub/../c.gdb"));
  recentFiles_.Remove(PathOf("d.gdb"));
  EXPECT_EQ(recentFiles_.Entries(), (Texts{PathOf("c.gdb"), PathOf("e.gdb"), PathOf("b.gdb")}));
  EXPECT_EQ(directory_.Read("config/kvxsetup.ini").find("File4"), std::string::npos);
  // A link to a file is the file, under the name last used; letter case makes another file.
  directory_.Write("b.gdb", "document");
  std::filesystem::create_symlink(PathOf("b.gdb"), PathOf("link.gdb"));
  recentFiles_.Add(PathOf("link.gdb"));
  EXPECT_EQ(recentFiles_.Entries(), (Texts{PathOf("link.gdb"), PathOf("c.gdb"), PathOf("e.gdb")}));
  recentFiles_.Add(PathOf("C.gdb"));
  EXPECT_EQ(recentFiles_.Entries(),
            (Texts{PathOf("C.gdb"), PathOf("link.gdb"), PathOf("c.gdb"), PathOf("e.gdb")}));
}

TEST_F(WindowSettingsTest, AStoredRectangleIsTakenOnlyWhenWhollyOnTheDesktop) {
  const ScreenRect desktop{0, 0, 1920, 1080};
  struct Case {
    const char* name;
    ScreenRect stored;
    bool taken;
  };
  const Case cases[] = {
      {"inside", {10, 20, 310, 220}, true},
      {"to the desktop's edges", desktop, true},
      {"one pixel past the right edge", {1, 0, 1921, 1080}, false},
      {"above the top", {10, -1, 310, 220}, false},
      {"no width", {10, 20, 10, 220}, false},
      {"upside down", {10, 220, 310, 20}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeepWindowRect(profile_, WindowShowState::kNormal, c.stored);
    EXPECT_EQ(StoredWindowRect(profile_, desktop).has_value(), c.taken);
  }
  // Only a window shown normal leaves its rectangle for the next run.
  KeepWindowRect(profile_, WindowShowState::kNormal, {10, 20, 310, 220});
  for (WindowShowState state : {WindowShowState::kMinimised, WindowShowState::kMaximised}) {
    KeepWindowRect(profile_, state, {0, 0, 20, 20});
  }
  EXPECT_EQ(StoredWindowRect(profile_, desktop), (ScreenRect{10, 20, 310, 220}));
}

// Where the desktop's programs keep their settings: an absolute XDG_CONFIG_HOME, else ~/.config,
// the home taken from HOME, else from the password database.
TEST(ProfileFile, LiesInTheUsersConfigurationFolderNamedAfterTheProgram) {
  struct Case {
    const char* configHome;  // nullptr: not set
    const char* home;
    std::string folder;
  };
  const std::string account = getpwuid(geteuid())->pw_dir;
  const Case cases[] = {
      {"/srv/config", "/home/ann", "/srv/config"}, {nullptr, "/home/ann", "/home/ann/.config"},
      {"", "/home/ann", "/home/ann/.config"},      {"config", "/home/ann", "/home/ann/.config"},
      {nullptr, nullptr, account + "/.config"},    {nullptr, "", account + "/.config"}};
  const auto set = [](const char* name, const char* value) {
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
  };
  for (const Case& c : cases) {
    const auto path = test::RunInChild(
        [&] {
          set("XDG_CONFIG_HOME", c.configHome);
          set("HOME", c.home);
          return os::ProfileFilePath();
        },
        {});
    EXPECT_EQ(path, c.folder + "/window_model_tests.ini") << c.folder;
  }
}

// For each path: whether the start-up would reopen it (r) and whether it can be saved to (w).
std::string Rights(const Texts& paths) {
  std::string rights;
  for (const std::string& path : paths) {
    rights += MayReadAndWrite(path) ? 'r' : '-';
    rights += ReplaceFileContent(path, {'n', 'e', 'w'}) ? 'w' : '-';
    rights += ' ';
  }
  return rights;
}

// As people run the program, and as root, who passes over permission bits but still does not
// reopen a file marked read-only for everybody. Nothing is left behind by a failed save. Run by
// an ordinary user, the files are that user's own, and the child is that user too.
TEST(DocumentFile, ReopeningAndSavingFollowTheUsersRights) {
  const bool root = geteuid() == 0;
  const test::TempDirectory directory;
  const auto make = [&](const std::string& name, mode_t mode) {
    const std::string path = directory.Write(name, "old").string();
    chmod(path.c_str(), mode);
    return path;
  };
  std::filesystem::create_directory(directory / "open");
  std::filesystem::create_directory(directory / "closed");
  chmod(directory.Path().c_str(), 0755);
  chmod((directory / "open").c_str(), 0777);
  const Texts paths = {make("open/shared.gdb", 0666),
                       make("open/own.gdb", 0644),
                       make("open/locked.gdb", 0444),
                       make("closed/shared.gdb", 0666),
                       (directory / "gone/missing.gdb").string(),
                       (directory / "open").string()};

  EXPECT_EQ(test::RunInChild([&] { return Rights(paths); }, {true, 5, 0}),
            root ? "rw -- -- r- -- -- " : "rw rw -- rw -- -- ");
  EXPECT_EQ(directory.Read("closed/shared.gdb"), root ? "old" : "new");
  std::filesystem::create_symlink("own.gdb", directory / "open/link.gdb");
  EXPECT_EQ(Rights({paths[0], (directory / "open/link.gdb").string(), paths[2], paths[3]}),
            root ? "rw rw -w rw " : "rw rw -- rw ");

  EXPECT_EQ(directory.Read("open/own.gdb"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(directory / "open/link.gdb"));
  struct stat own {};
  stat(paths[1].c_str(), &own);
  EXPECT_EQ(own.st_mode & 07777, 0644u);
  for (const char* folder : {"open", "closed"}) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory / folder), {}),
              folder[0] == 'o' ? 4 : 1)
        << "a new file was left behind in " << folder;
  }
}

}  // namespace
}  // namespace kvx
