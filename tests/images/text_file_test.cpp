#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "images/text_file.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

struct FileCase {
  const char* name;
  void (*make)(const std::filesystem::path& path);
  const char* error;  // empty when the content "0123456789" is read
};

constexpr std::size_t kLimit = 10;

// clang-format off
const FileCase kFileCases[] = {
    {"exactly at the limit", [](const std::filesystem::path& p) { std::ofstream(p) << "0123456789"; }, ""},
    {"one byte over", [](const std::filesystem::path& p) { std::ofstream(p) << "0123456789\n"; }, "is larger than 10 bytes"},
    {"missing", [](const std::filesystem::path&) {}, "cannot be opened (No such file or directory)"},
    {"FIFO without a writer", [](const std::filesystem::path& p) { mkfifo(p.c_str(), 0600); }, "is not a regular file"},
};
// clang-format on

TEST(ReadRegularFile, ReadsOnlyRegularFilesWithinTheLimitAndNeverBlocks) {
  for (const FileCase& c : kFileCases) {
    SCOPED_TRACE(c.name);
    const TempDirectory dir;
    c.make(dir / "file");
    const Result<std::string> content = ReadRegularFile(dir / "file", kLimit);
    EXPECT_EQ(content ? *content : content.failure().text, *c.error ? c.error : "0123456789");
  }
  EXPECT_EQ(ReadRegularFile("").failure().text, "is not named");
}

// The line reader delivers what a text-mode read with a fixed buffer does.
TEST(TextLineReader, DropsCarriageReturnsBeforeNewlinesAndSplitsLongLines) {
  const std::string content =
      "ab\r\ncd\re\n" + std::string(7, 'x') + "\nabcd\r\nabcde\r\n\r\r\nlast";
  TextLineReader reader(content, 5);
  std::vector<std::string> lines;
  std::vector<std::uint32_t> positions;
  for (std::string line; reader.Next(line);) {
    lines.push_back(line);
    positions.push_back(reader.Position());
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"ab\n", "cd\re\n", "xxxxx", "xx\n", "abcd\n", "abcde",
                                             "\n", "\r\n", "last"}));
  EXPECT_EQ(positions, (std::vector<std::uint32_t>{4, 9, 14, 17, 23, 28, 30, 33, 37}));
}

}  // namespace
}  // namespace kvx::test
