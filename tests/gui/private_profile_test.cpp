#include "app/qt/private_profile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "frame_test_support.h"

namespace kvx::qt {
namespace {

class PrivateProfileTest : public testing::Test {
 protected:
  QString PathOf(const QString& name) const { return directory_.filePath(name); }

  QTemporaryDir directory_;
  QString profilePath_ = PathOf("kvxsetup.ini");
};

TEST_F(PrivateProfileTest, WritesSectionAndKeyNamesAsTheyAre) {
  {
    PrivateProfile profile(profilePath_);
    profile.AddRecentFile(PathOf("a.gdb"));
    profile.StoreWindowRect(QRect(10, 20, 300, 200));
  }
  const QString text = QString::fromUtf8(ReadAll(profilePath_));
  EXPECT_TRUE(text.contains("[Recent File List]\nFile1=" + PathOf("a.gdb") + "\n"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("[WindowPos]\nbottomPos=220\nleftPos=10\nrightPos=310\ntopPos=20\n"))
      << text.toStdString();
}

TEST_F(PrivateProfileTest, ReadsAHandWrittenProfile) {
  WriteAll(profilePath_,
           "; written by hand\n[Ports]\nCOM3 = /dev/ttyUSB0\n\n[WindowPos]\nleftPos=65535\n"
           "topPos=5\n[Recent File List]\nFile1=/data/probe one.gdb\nFile2=\nFile3=/data/b.gdb\n");
  const PrivateProfile profile(profilePath_);
  EXPECT_EQ(profile.PortDevice(3), "/dev/ttyUSB0");
  EXPECT_EQ(profile.PortDevice(4), std::nullopt);
  EXPECT_EQ(profile.WindowRect(), std::nullopt);  // 65535 stands for no position
  EXPECT_EQ(profile.RecentFiles(), (QStringList{"/data/probe one.gdb", "/data/b.gdb"}));
}

TEST_F(PrivateProfileTest, RecentFilesKeepTheFourNewestOnceEach) {
  PrivateProfile profile(profilePath_);
  for (const char* name : {"a.gdb", "b.gdb", "c.gdb", "d.gdb", "e.gdb"}) {
    profile.AddRecentFile(PathOf(name));
  }
  EXPECT_EQ(profile.RecentFiles(),
            (QStringList{PathOf("e.gdb"), PathOf("d.gdb"), PathOf("c.gdb"), PathOf("b.gdb")}));

  profile.AddRecentFile(PathOf("sub/../c.gdb"));
  profile.RemoveRecentFile(PathOf("d.gdb"));
  EXPECT_EQ(PrivateProfile(profilePath_).RecentFiles(),
            (QStringList{PathOf("c.gdb"), PathOf("e.gdb"), PathOf("b.gdb")}));
  EXPECT_FALSE(ReadAll(profilePath_).contains("File4"));
}

}  // namespace
}  // namespace kvx::qt
