#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/document_file.h"
#include "app/profile.h"
#include "app/window_placement.h"
#include "os/profile.h"

namespace kvx {
namespace {

// A profile file of its own in the temporary folder, named in UTF-8 as the program names its
// files, removed afterwards.
class ProfileTest : public testing::Test {
 protected:
  ~ProfileTest() override { ::DeleteFileW(std::filesystem::u8path(path_).c_str()); }

  const std::string path_ =
      (std::filesystem::temp_directory_path() /
       std::filesystem::u8path("kvx-profil-\xC3\xA9-" + std::to_string(::GetCurrentProcessId()) +
                               ".ini"))
          .u8string();
};

// Any character of a path survives, however long; numbers may be negative, as a window on a
// screen left of the main one is; an empty value removes the key.
TEST_F(ProfileTest, KeepsWhatTheWindowWritesAsItWasWritten) {
  const std::string path =
      "C:\\donn\xC3\xA9"
      "es\\\xE6\xB5\x8B\xE8\xAF\x95 probe.gdb";
  const std::string longPath = "C:\\" + std::string(600, 'p') + ".gdb";
  {
    Profile profile(path_);
    profile.WriteString("Recent File List", "File1", path);
    profile.WriteString("Recent File List", "File2", longPath);
    profile.WriteString("Recent File List", "File3", "C:\\gone.gdb");
    profile.WriteString("Recent File List", "File3", "");
    KeepWindowRect(profile, WindowShowState::kNormal, {-1280, 10, -640, 490});
  }
  const Profile profile(path_);
  EXPECT_EQ(profile.ReadString("Recent File List", "File1", {}), path);
  EXPECT_EQ(profile.ReadString("Recent File List", "File2", {}), longPath);
  EXPECT_EQ(profile.ReadString("Recent File List", "File3", "none"), "none");
  EXPECT_EQ(StoredWindowRect(profile, {-1280, 0, 1920, 1080}), (ScreenRect{-1280, 10, -640, 490}));
}

TEST(ProfileFile, LivesInTheUsersApplicationDataNamedAfterTheProgram) {
  const std::string path = os::ProfileFilePath();
  const std::string ending = "\\kvxsetup\\app_tests.ini";
  ASSERT_GT(path.size(), ending.size());
  EXPECT_EQ(path.substr(path.size() - ending.size()), ending);
  const DWORD folder = ::GetFileAttributesW(
      std::filesystem::u8path(path.substr(0, path.find_last_of('\\'))).c_str());
  EXPECT_TRUE(folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY));
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A save replaces the file whole and leaves nothing beside it; a read-only file or a folder is
// refused and stays as it was, and neither is reopened at start.
TEST(DocumentFile, SavesInOneStepAndReopensOnlyWritableFiles) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("kvx-files-" + std::to_string(::GetCurrentProcessId()));
  std::filesystem::create_directory(folder);
  const std::string saved = (folder / std::filesystem::u8path("probe \xC3\xBC.gdb")).u8string();
  const std::string locked = (folder / "locked.gdb").u8string();
  std::ofstream(std::filesystem::u8path(locked)) << "old";
  ::SetFileAttributesW(std::filesystem::u8path(locked).c_str(), FILE_ATTRIBUTE_READONLY);

  for (const char* content : {"first", "second"}) {
    EXPECT_TRUE(ReplaceFileContent(saved, {content, content + std::strlen(content)}));
    EXPECT_EQ(ReadAll(saved), content);
  }
  EXPECT_FALSE(ReplaceFileContent(locked, {'n', 'e', 'w'}));
  EXPECT_FALSE(ReplaceFileContent(folder.u8string(), {'n', 'e', 'w'}));
  EXPECT_EQ(ReadAll(locked), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
  EXPECT_TRUE(MayReadAndWrite(saved));
  EXPECT_FALSE(MayReadAndWrite(locked));
  EXPECT_FALSE(MayReadAndWrite(folder.u8string()));

  ::SetFileAttributesW(std::filesystem::u8path(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
  std::filesystem::remove_all(folder);
}

// One file has many names on Windows: letter case, either slash, "." and "..", links.
TEST(DocumentFile, NamesTheSameFileAsWindowsDoes) {
  struct Case {
    const char* first;
    const char* second;
    bool same;
  };
  const Case cases[] = {
      {"C:\\Data\\Probe.gdb", "c:\\data\\PROBE.GDB", true},
      {"C:\\data\\sub\\..\\.\\probe.gdb", "C:/data/probe.gdb", true},
      {"C:\\Pr\xC3\xBC"
       "fung\\a.gdb",
       "C:\\PR\xC3\x9C"
       "FUNG\\A.GDB",
       true},
      {"C:\\data\\probe.gdb", "C:\\data\\probe.gdb.bak", false},
      {"C:\\data\\probe.gdb", "D:\\data\\probe.gdb", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameFilePath(c.first, c.second), c.same) << c.first << " and " << c.second;
  }
  // A hard link is the file it leads to; a copy is another file.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("kvx-names-" + std::to_string(::GetCurrentProcessId()));
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "probe.gdb") << "document";
  std::filesystem::create_hard_link(folder / "probe.gdb", folder / "linked.gdb");
  std::filesystem::copy_file(folder / "probe.gdb", folder / "copy.gdb");
  EXPECT_TRUE(SameFilePath((folder / "probe.gdb").u8string(), (folder / "linked.gdb").u8string()));
  EXPECT_FALSE(SameFilePath((folder / "probe.gdb").u8string(), (folder / "copy.gdb").u8string()));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kvx
