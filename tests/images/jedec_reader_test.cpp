#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "fuse_pattern.h"
#include "images/jedec_reader.h"
#include "images/user_signature.h"
#include "recording_services.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

constexpr char kFileName[] = "KVXLOG70.105";

constexpr char kHeader[] = "\x02KVX7000 logic\nQP100*\nQF32160*\nF0*\n";
constexpr char kMarker[] = "*L00000\n";
constexpr char kEnd[] =
    "*\n\x03"
    "0000\n";

std::string Sixties(const std::string& tail = "\n") {
  return FuseLines(4, tail);
}

// A file of the header, `fuseLines` behind the marker, and the end of the fuse list and of
// the transmission.
std::string Whole(const std::string& fuseLines) {
  return kHeader + std::string(kMarker) + fuseLines + kEnd;
}

// `text` with the last fuse of line `lineIndex` taken away.
std::string DropFuseOfLine(std::string text, std::size_t lineIndex) {
  std::size_t end = 0;
  for (std::size_t i = 0; i <= lineIndex; ++i) end = text.find('\n', end + 1);
  return text.erase(end - 1, 1);
}

// `text`, by default JedecFileText(), with `from` replaced by `to`.
std::string Changed(const std::string& from, const std::string& to,
                    std::string text = JedecFileText()) {
  return text.replace(text.find(from), from.size(), to);
}

std::string WithCarriageReturns(const std::string& text) {
  return std::regex_replace(text, std::regex("\n"), "\r\n");
}

// JedecFileText() with its transmission checksum, worked out apart from the reader: E001 as it
// stands, FB87 with CR LF line ends.
const std::string kSummed = Changed(
    "\x03"
    "0000",
    "\x03"
    "E001");

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
  std::string problem;                 // empty: read
  std::vector<std::string> events;
};

const std::string kShortRow = "has a fuse row that does not hold 240 fuses";
const std::string kNoFuseList = "holds no fuse list (a line \"*L00000\")";

// clang-format off
const JedecCase kCases[] = {
  {"60 fuses a line", JedecFileText(), "", kRead},
  {"CR LF line ends", WithCarriageReturns(JedecFileText()), "", kRead},
  {"no STX, fields after the fuses, lower-case checksum", "KVX7000\n*L00000\n" + Sixties() + "*C42bd*\nQF 32160\n*N note*\x03", "", kRead},
  {"star and text after the fuses", Whole(Sixties("* note 1\n")), "", kRead},
  {"fuse lines of 80 characters", Whole(Sixties(std::string(19, '*') + "\n")), "", kRead},
  {"fuse lines of 81 characters", Whole(Sixties(std::string(20, '*') + "\n")), kShortRow, kBadRow},
  {"240 fuses a line", Whole(FuseLines(1, "\n")), "", kRead},
  {"marker-like lines before", "*L00001\n*L00000*\n1111\n" + std::string(kMarker) + Sixties() + kEnd, "", kRead},
  {"marker with a blank", kHeader + std::string("*L00000 \n") + Sixties() + kEnd, kNoFuseList, kNoMarker},
  {"marker ends the file unterminated", kHeader + std::string("*L00000"), kNoFuseList, kNoMarker},
  {"empty file", "", kNoFuseList, kNoMarker},
  {"59 fuses on a line", Whole(DropFuseOfLine(Sixties(), 4 * 10 + 1)), kShortRow, kBadRow},
  {"ends after 535 fuse lines", kHeader + std::string(kMarker) + Sixties().substr(0, Sixties().size() - 61), kShortRow, kBadRow},
  // Mends: complete rows in a file that is cut short or contradicts them.
  {"ends before ETX", JedecFileText().substr(0, JedecFileText().find('\x03')), "ends without its end-of-transmission character (ETX): the file is incomplete", kBadRow},
  {"changed fuse checksum", Changed("*C42BD*", "*C1234*"), "the fuse checksum C1234 does not match the fuses (their sum is 42BD)", kBadRow},
  {"flipped fuse", Changed(kMarker + std::string("1"), kMarker + std::string("0")), "the fuse checksum C42BD does not match the fuses (their sum is 42BC)", kBadRow},
  {"checksum of three digits", Changed("*C42BD*", "*C2BD*"), "the fuse checksum field C does not hold 4 hex digits", kBadRow},
  {"other fuse count", Changed("QF32160", "QF32000"), "QF says 32000 fuses, the device has 32160", kBadRow},
  {"a row too many", Changed("*C42BD", Sixties().substr(0, 4 * 61) + "*C42BD"), "the fuse list L00000 goes on past the device's 134 rows of 240 fuses", kBadRow},
  {"a fuse list past the fuses", Changed("*C42BD*", "*C42BD*L32160 1*"), "the fuse list L32160 starts past the device's 32160 fuses", kBadRow},
  // Mends: what is not a number is not repeated, since it may be anything, terminal controls too.
  {"a fuse count that is no number", Changed("QF32160", "QF\x1b[2J"), "the fuse count field QF does not hold a number", kBadRow},
  {"a fuse list that starts with no number", Changed("*C42BD*", "*C42BD*L\x1b[31m*"), "a fuse list L does not start with a fuse number", kBadRow},
  // Mend: the transmission checksum, where it is not 0000, and as the file would have it with
  // its line ends converted either way.
  {"transmission checksum", kSummed, "", kRead},
  {"transmission checksum, line ends converted to CR LF", WithCarriageReturns(kSummed), "", kRead},
  {"transmission checksum of CR LF line ends, converted to LF", Changed("E001", "FB87", kSummed), "", kRead},
  {"transmission checksum one off", Changed("E001", "E002", kSummed), "the transmission checksum E002 after ETX does not match the file (its bytes from STX to ETX sum to E001)", kBadRow},
  {"flipped fuse beside a transmission checksum", Changed("*C42BD*", "*C42BC*", Changed(kMarker + std::string("1"), kMarker + std::string("0"), kSummed)), "the transmission checksum E001 after ETX does not match the file (its bytes from STX to ETX sum to DFFF)", kBadRow},
  {"transmission checksum of two digits", Changed("E001", "E0", kSummed), "the transmission checksum after ETX is not 4 hex digits", kBadRow},
  {"transmission checksum without STX", kSummed.substr(1), "has a transmission checksum E001 after ETX but no start of text (STX) to count it from", kBadRow},
  {"missing file", std::nullopt, "cannot be opened (No such file or directory)", kNoFile},
};
// clang-format on

TEST(ReadJedecFile, ReadsFuseRowsAndReportsEachFailure) {
  for (const JedecCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDirectory files;
    RecordingServices services;
    if (c.content) files.Write(kFileName, *c.content);
    const JedecFile file = LoadJedecFile(files / kFileName);
    EXPECT_EQ(ReadJedecFile(file, services), c.problem.empty());
    EXPECT_EQ(services.events, c.events);
    EXPECT_EQ(file.problem, c.problem);
    if (c.problem.empty()) {
      EXPECT_EQ(file.map, PatternMap());
    }
  }
}

// A map read again holds the new file's rows alone: a failed read leaves the rows read so far and
// empty ones after them, none of the earlier file's, and no earlier signature.
TEST(ParseJedecText, AFailedReadLeavesNothingOfTheMapsEarlierRows) {
  FuseMap map = PatternMap();
  std::optional<std::string> signature = "T3952D8105";
  std::string problem;
  const std::string twoRows = kHeader + std::string(kMarker) + Sixties().substr(0, 8 * 61);
  EXPECT_EQ(ParseJedecText(twoRows, map, signature, problem), JedecParseResult::kBadFuseRow);
  FuseMap expected;
  expected[0] = PatternMap()[0];
  expected[1] = PatternMap()[1];
  EXPECT_EQ(map, expected);
  EXPECT_FALSE(signature);
}

// The fuse checksum takes the fuses 8 at a time, fuse 0 in the least significant bit.
TEST(ReadJedecFile, SumsTheFusesAsBytesLowestFuseFirst) {
  const struct {
    std::vector<std::size_t> setFuses;  // all others 0; every fuse when empty
    const char* sum;
  } cases[] = {{{0}, "0001"}, {{7}, "0080"}, {{8}, "0001"}, {{0, 7, 32159}, "0101"}, {{}, "A44C"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sum);
    FuseMap map;
    map.fill(std::string(kFuseRowCharacters, c.setFuses.empty() ? '1' : '0'));
    for (const std::size_t fuse : c.setFuses)
      map[fuse / kFuseRowCharacters][fuse % kFuseRowCharacters] = '1';
    std::string text = "*L00000\n";
    for (const std::string& row : map) text += row + "\n";
    FuseMap read;
    std::optional<std::string> signature;
    std::string problem;
    ParseJedecText(text + "*C0000*\x03", read, signature, problem);
    EXPECT_EQ(problem, "the fuse checksum C0000 does not match the fuses (their sum is " +
                           std::string(c.sum) + ")");
    // Mend: the value alone, in fewer digits, is no fuse checksum field.
    if (c.sum[0] == '0') {
      const std::string shortSum =
          std::string(c.sum).substr(std::string(c.sum).find_first_not_of('0'));
      ParseJedecText(text + "*C" + shortSum + "*\x03", read, signature, problem);
      EXPECT_EQ(problem, "the fuse checksum field C does not hold 4 hex digits");
    }
    EXPECT_EQ(ParseJedecText(text + "*C" + c.sum + "*\x03", read, signature, problem),
              JedecParseResult::kRead);
  }
}

// Only a user code of the device's 120 signature bits is its signature; fitters' other user
// codes are passed over as before, and two signatures that differ leave no signature to write.
TEST(ReadJedecFile, TakesTheUserSignatureFromItsUserCodeField) {
  const std::string bits = EncodeUserSignature("T3952D8105");
  const struct {
    const char* name;
    std::string fields;  // put in before the fuse list
    std::optional<std::string> signature;
    std::string problem;
  } cases[] = {
      {"none", "", std::nullopt, ""},
      {"binary", "U" + bits + "*\n", "T3952D8105", ""},
      {"split over lines", "U " + bits.substr(0, 50) + "\n  " + bits.substr(50) + "\n*",
       "T3952D8105", ""},
      {"all zero", "U" + std::string(120, '0') + "*", "", ""},
      {"twice the same", "U" + bits + "*U" + bits + "*", "T3952D8105", ""},
      {"fifteen bytes", "U" + EncodeUserSignature("T3952D8105ABCDE") + "*", "T3952D8105ABCDE", ""},
      // Mends: a damaged user code was passed over without a word.
      {"119 bits", "U" + bits.substr(1) + "*", std::nullopt,
       "the user code field U holds 119 bits, not the 120 of the device's signature"},
      {"121 bits", "U" + bits + "0*", std::nullopt,
       "the user code field U holds 121 bits, not the 120 of the device's signature"},
      {"a character other than 0 and 1", "U" + bits.substr(1) + "2*", std::nullopt,
       "the user code field U holds characters other than 0 and 1"},
      {"hexadecimal", "UH5433393532443831303500000000*", std::nullopt, ""},
      {"ASCII", "UA T3952D8105*", std::nullopt, ""},
      {"two that differ", "U" + bits + "*U" + std::string(120, '1') + "*", std::nullopt,
       "carries two different user signatures (U)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FuseMap map;
    std::optional<std::string> signature;
    std::string problem;
    const std::string text = Changed("F0*\n", "F0*\n" + c.fields + "\n");
    ParseJedecText(text, map, signature, problem);
    EXPECT_EQ(problem, c.problem);
    if (c.problem.empty()) {
      EXPECT_EQ(signature, c.signature);
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
