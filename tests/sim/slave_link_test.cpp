#include "sim/slave_link.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kvx::sim {
namespace {

namespace fs = std::filesystem;

class SlaveLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("kvxsim_link_" + std::to_string(getpid()));
    fs::create_directories(directory_);
    link_ = directory_ / "probe";
  }
  void TearDown() override { fs::remove_all(directory_); }

  fs::path directory_;
  fs::path link_;
};

TEST_F(SlaveLinkTest, PointsAtTheSlaveWhileItLivesAndReplacesAnOldLink) {
  fs::create_symlink("/dev/pts/old", link_);
  {
    SlaveLink link(link_.string(), "/dev/pts/7");
    EXPECT_EQ(fs::read_symlink(link_), "/dev/pts/7");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
}

TEST_F(SlaveLinkTest, LeavesALinkSomeoneElseRepointedAndNeverReplacesAFile) {
  {
    SlaveLink link(link_.string(), "/dev/pts/7");
    fs::remove(link_);
    fs::create_symlink("/dev/pts/8", link_);
  }
  EXPECT_EQ(fs::read_symlink(link_), "/dev/pts/8");
  fs::remove(link_);
  std::ofstream(link_) << "keep me";
  EXPECT_THROW(SlaveLink(link_.string(), "/dev/pts/7"), std::runtime_error);
  EXPECT_TRUE(fs::is_regular_file(link_));
}

}  // namespace
}  // namespace kvx::sim
