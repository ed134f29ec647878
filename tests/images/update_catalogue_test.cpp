#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "images/update_catalogue.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

TEST(UpdateCatalogue, SelectsTheRevisionCLogicOnlyForTenCharactersEndingInC) {
  EXPECT_EQ(SelectLogicBaseName("123456789C"), "KVXLOG71");
  for (const char* serial : {"123456789c", "12345678C", "12345678", "1234567890C", ""}) {
    EXPECT_EQ(SelectLogicBaseName(serial), "KVXLOG70") << serial;
  }
}

struct NewestCase {
  const char* name;
  std::vector<std::string> entries;  // a trailing '/' makes a directory
  VersionNumber newest;
};

// clang-format off
const NewestCase kNewestCases[] = {
    {"highest of three", {"KVXARMFW.099", "KVXARMFW.105", "KVXARMFW.102"}, 105},
    {"letters and digits", {"KVXARMFW.abc", "KVXARMFW.1a5", "KVXARMFW. 05"}, 0},
    {"above 255 wins", {"KVXARMFW.300", "KVXARMFW.105"}, 300},
    {"other letter case", {"kvxarmfw.104", "KvxArmFw.106"}, 106},
    {"other base names and lengths", {"KVXLOG70.110", "KVXARMFW.1050", "KVXARMFW.10", "KVXARMFWX.120", "KVXARMFW"}, 0},
    {"directories count too", {"KVXARMFW.107/"}, 107},
    {"zero", {"KVXARMFW.000"}, 0},
};
// clang-format on

TEST(UpdateCatalogue, FindsTheNewestNumberOfABaseName) {
  for (const NewestCase& c : kNewestCases) {
    const TempDirectory directory;
    for (const std::string& entry : c.entries) {
      if (entry.back() == '/') {
        std::filesystem::create_directory(directory / entry.substr(0, entry.size() - 1));
      } else {
        directory.Write(entry, "");
      }
    }
    EXPECT_EQ(UpdateCatalogue(directory.Path()).FindNewestNumber("KVXARMFW"), c.newest) << c.name;
  }
  EXPECT_EQ(UpdateCatalogue("/no/such/directory").FindNewestNumber("KVXARMFW"), 0);
}

TEST(UpdateCatalogue, BuildsPathsOnlyForNumbersOneTo255) {
  const TempDirectory directory;
  const UpdateCatalogue catalogue(directory.Path());
  EXPECT_EQ(catalogue.UpdateFilePath("KVXARMFW", 1), directory / "KVXARMFW.001");
  EXPECT_EQ(catalogue.UpdateFilePath("KVXARMFW", 255), directory / "KVXARMFW.255");
  EXPECT_TRUE(catalogue.UpdateFilePath("KVXARMFW", 0).empty());
  EXPECT_TRUE(catalogue.UpdateFilePath("KVXARMFW", 256).empty());
  // A file copied from a case-insensitive file system is opened as it is named.
  directory.Write("kvxlog71.105", "");
  EXPECT_EQ(catalogue.UpdateFilePath("KVXLOG71", 105), directory / "kvxlog71.105");
}

TEST(UpdateCatalogue, TheEnvironmentNamesAnotherDirectory) {
  ::setenv("KVXSETUP_UPDATE_DIR", "/srv/updates", 1);
  EXPECT_EQ(DefaultUpdateDirectory(), "/srv/updates");
  // Set but empty, as a script's unset variable leaves it, it names no directory.
  ::setenv("KVXSETUP_UPDATE_DIR", "", 1);
  EXPECT_TRUE(std::filesystem::exists(DefaultUpdateDirectory() / "image_file_tests"));
  ::unsetenv("KVXSETUP_UPDATE_DIR");
  EXPECT_TRUE(std::filesystem::exists(DefaultUpdateDirectory() / "image_file_tests"));
}

}  // namespace
}  // namespace kvx::test
