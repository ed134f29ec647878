#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "fuse_pattern.h"
#include "images/jedec_reader.h"
#include "recording_services.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

constexpr char kFileName[] = "KVXLOG70.105";

constexpr char kHeader[] = "\x02KVX7000 logic\nQP100*\nQF32160*\nF0*\n";
constexpr char kMarker[] = "*L00000\n";

std::string Sixties(const std::string& tail = "\n") {
  return FuseLines(4, tail);
}

// `text` with the last fuse of line `lineIndex` taken away.
std::string DropFuseOfLine(std::string text, std::size_t lineIndex) {
  std::size_t end = 0;
  for (std::size_t i = 0; i <= lineIndex; ++i) end = text.find('\n', end + 1);
  return text.erase(end - 1, 1);
}

const std::vector<std::string> kRead = {"status: Logic: Reading JEDEC File ...", "cursor on",
                                        "cursor off"};
const std::vector<std::string> kNoMarker = {"status: Logic: Reading JEDEC File ...",
                                            "box: Logic: Illegal JEDEC file format!"};
const std::vector<std::string> kBadRow = {"status: Logic: Reading JEDEC File ...", "cursor on",
                                          "box: Illegal JEDEC file format!", "cursor off"};
const std::vector<std::string> kNoFile = {"status: Logic: Reading JEDEC File ...",
                                          "box: Logic: Cannot open JEDEC file!"};

struct JedecCase {
  const char* name;
  std::optional<std::string> content;  // none: no file at all
  bool read;
  std::vector<std::string> events;
};

// clang-format off
const JedecCase kCases[] = {
  {"60 fuses a line", JedecFileText(), true, kRead},
  {"star and text after the fuses", kHeader + std::string(kMarker) + Sixties("* note 1\n"), true, kRead},
  {"fuse lines of 80 characters", kHeader + std::string(kMarker) + Sixties(std::string(19, '*') + "\n"), true, kRead},
  {"fuse lines of 81 characters", kHeader + std::string(kMarker) + Sixties(std::string(20, '*') + "\n"), false, kBadRow},
  {"240 fuses a line", kHeader + std::string(kMarker) + FuseLines(1, "\n"), true, kRead},
  {"marker-like lines before", "*L00001\n*L00000*\n1111\n" + std::string(kMarker) + Sixties(), true, kRead},
  {"marker with a blank", kHeader + std::string("*L00000 \n") + Sixties(), false, kNoMarker},
  {"marker ends the file unterminated", kHeader + std::string("*L00000"), false, kNoMarker},
  {"empty file", "", false, kNoMarker},
  {"59 fuses on a line", kHeader + std::string(kMarker) + DropFuseOfLine(Sixties(), 4 * 10 + 1), false, kBadRow},
  {"ends after 535 fuse lines", kHeader + std::string(kMarker) + Sixties().substr(0, Sixties().size() - 61), false, kBadRow},
  {"missing file", std::nullopt, false, kNoFile},
};
// clang-format on

TEST(ReadJedecFile, ReadsFuseRowsAndReportsEachFailure) {
  for (const JedecCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDirectory files;
    RecordingServices services;
    if (c.content) files.Write(kFileName, *c.content);
    const JedecFile file = LoadJedecFile(files / kFileName);
    EXPECT_EQ(ReadJedecFile(file, services), c.read);
    EXPECT_EQ(services.events, c.events);
    EXPECT_EQ(file.problem.empty(), c.read);
    if (c.read) {
      EXPECT_EQ(file.map, PatternMap());
    }
  }
}

TEST(ReadJedecFile, AnEmptyPathCannotBeOpened) {
  RecordingServices services;
  EXPECT_FALSE(ReadJedecFile(LoadJedecFile({}), services));
  EXPECT_EQ(services.events, kNoFile);
}

}  // namespace
}  // namespace kvx::test
