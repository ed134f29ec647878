#include "app/win32/private_profile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "app/window_placement.h"

namespace kvx {
namespace {

// A profile file of its own in the temporary folder, removed afterwards.
class PrivateProfileTest : public testing::Test {
 protected:
  PrivateProfileTest() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, folder);
    path_ =
        std::wstring(folder) + L"kvx-profile-" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
  }
  ~PrivateProfileTest() override { ::DeleteFileW(path_.c_str()); }

  std::wstring path_;
};

// Any character of a path survives, however long; numbers may be negative, as a window on a
// screen left of the main one is; an empty value removes the key.
TEST_F(PrivateProfileTest, KeepsWhatTheWindowWritesAsItWasWritten) {
  const std::string path =
      "C:\\donn\xC3\xA9"
      "es\\\xE6\xB5\x8B\xE8\xAF\x95 probe.gdb";
  const std::string longPath = "C:\\" + std::string(600, 'p') + ".gdb";
  {
    PrivateProfile profile(path_);
    profile.WriteString("Recent File List", "File1", path);
    profile.WriteString("Recent File List", "File2", longPath);
    profile.WriteString("Recent File List", "File3", "C:\\gone.gdb");
    profile.WriteString("Recent File List", "File3", "");
    KeepWindowRect(profile, WindowShowState::kNormal, {-1280, 10, -640, 490});
  }
  const PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadString("Recent File List", "File1", {}), path);
  EXPECT_EQ(profile.ReadString("Recent File List", "File2", {}), longPath);
  EXPECT_EQ(profile.ReadString("Recent File List", "File3", "none"), "none");
  EXPECT_EQ(StoredWindowRect(profile, {-1280, 0, 1920, 1080}), (ScreenRect{-1280, 10, -640, 490}));
}

TEST(PrivateProfile, LivesInTheUsersApplicationDataNamedAfterTheProgram) {
  const std::wstring path = PrivateProfile::DefaultFilePath();
  const std::wstring ending = L"\\kvxsetup\\app_tests.ini";
  ASSERT_GT(path.size(), ending.size());
  EXPECT_EQ(path.substr(path.size() - ending.size()), ending);
  const DWORD folder = ::GetFileAttributesW(path.substr(0, path.find_last_of(L'\\')).c_str());
  EXPECT_TRUE(folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace kvx
