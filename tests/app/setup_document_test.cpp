#include "app/setup_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "child_process.h"
#include "new_document_file.h"
#include "scripted_channel.h"
#include "temp_directory.h"

namespace kvx {
namespace {

using test::Bytes;
using test::Text;

// A file's bytes up to its configuration file name, whose prefix and characters come last.
Bytes Head(std::uint16_t version, Bytes configFileName = {0x00}) {
  return test::Cat({{static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8),
                     0x02, 0x00, 0xFF, 0xFF},
                    {0x07},
                    Text("1.2.3.4"),
                    {0x08},
                    Text("10.0.0.2"),
                    configFileName});
}

const Bytes kNewDocumentFile = test::NewDocumentFile();

// An empty file is a new document too.
TEST(SetupDocument, NewDocumentIsWrittenAsSixtyFiveBytesAndReadBack) {
  EXPECT_EQ(WriteSetupDocument(SetupDocument{}).value(), kNewDocumentFile);
  EXPECT_EQ(kNewDocumentFile.size(), 65u);
  const Result<SetupDocument> read = ReadSetupDocument(kNewDocumentFile);
  ASSERT_TRUE(read);
  SetupDocument expected;
  expected.fileVersion = 3;
  EXPECT_EQ(test::DocumentValues(*read), test::DocumentValues(expected));
  EXPECT_EQ(test::DocumentValues(ReadSetupDocument({}).value()),
            test::DocumentValues(SetupDocument{}));
}

TEST(SetupDocument, EveryValueSurvivesARoundTrip) {
  SetupDocument written;
  written.speedIndex = 4;
  written.portIndex = 18;
  written.network.probeIpAddress = "192.168.0.7";
  written.network.hostIpAddress = "not an address";
  written.network.configFileName = std::string("Probe\0CFG\xE9", 10);
  written.network.subnetMask = "";
  written.network.defaultGateway = "10.0.0.254";
  written.reserved = 0x1234;
  const Result<SetupDocument> read = ReadSetupDocument(WriteSetupDocument(written).value());
  ASSERT_TRUE(read);
  written.fileVersion = 3;
  EXPECT_EQ(test::DocumentValues(*read), test::DocumentValues(written));
}

// The longest text a document holds is 65535 characters; a longer one is not written at all.
TEST(SetupDocument, StringLengthPrefixesGrowWithTheLength) {
  // The length, and its prefix; none: the document cannot be written.
  // clang-format off
  const std::pair<std::size_t, Bytes> kCases[] = {
      {254,    {0xFE}},
      {255,    {0xFF, 0xFF, 0x00}},
      {65533,  {0xFF, 0xFD, 0xFF}},
      {65534,  {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {65535,  {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {65536,  {}},
  };
  // clang-format on
  for (const auto& [length, prefix] : kCases) {
    SCOPED_TRACE(length);
    SetupDocument written;
    written.network.configFileName.assign(length, 'n');
    const Result<Bytes> file = WriteSetupDocument(written);
    ASSERT_EQ(file.ok(), !prefix.empty());
    if (!file) {
      EXPECT_EQ(file.failure().text, "a text is longer than 65535 characters");
      continue;
    }
    const std::size_t at = 6 + 1 + 7 + 1 + 15;
    EXPECT_EQ(Bytes(file->begin() + at, file->begin() + at + prefix.size()), prefix);
    EXPECT_EQ(file->size(), kNewDocumentFile.size() + prefix.size() - 1 + length);
    EXPECT_EQ(ReadSetupDocument(*file).value().network.configFileName,
              written.network.configFileName);
  }
}

TEST(SetupDocument, OlderAndNewerVersionsReadTheFieldsTheyHold) {
  const Bytes tail = test::Cat({{0x01}, Text("M"), {0x01}, Text("G"), {0x05, 0x00}});
  struct VersionCase {
    std::uint16_t version;
    const char* mask;
    const char* gateway;
    std::int32_t reserved;
  };
  // clang-format off
  const VersionCase kCases[] = {
      {1, "255.255.255.255", "255.255.255.255", 0},
      {2, "M",               "G",               0},
      {3, "M",               "G",               5},
      {7, "M",               "G",               5},
  };
  // clang-format on
  for (const VersionCase& c : kCases) {
    SCOPED_TRACE(c.version);
    // Bytes behind the fields of the version are ignored.
    const Result<SetupDocument> result =
        ReadSetupDocument(test::Cat({Head(c.version), tail, {0xAB}}));
    ASSERT_TRUE(result);
    const SetupDocument& read = *result;
    EXPECT_EQ(std::tie(read.fileVersion, read.portIndex, read.network.hostIpAddress,
                       read.network.subnetMask, read.network.defaultGateway, read.reserved),
              std::make_tuple(c.version, 65535, "10.0.0.2", c.mask, c.gateway, c.reserved));
  }
}

TEST(SetupDocument, AFileCutShortAnywhereIsRefused) {
  SetupDocument written;
  written.network.defaultGateway = "10.0.0.254";
  const Bytes file = WriteSetupDocument(written).value();
  for (std::size_t size = 1; size < file.size(); ++size) {
    SCOPED_TRACE(size);
    const Result<SetupDocument> result =
        ReadSetupDocument(Bytes(file.begin(), file.begin() + size));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.failure().text, "Unexpected file format.");
  }
}

TEST(SetupDocument, WideStringsAreNarrowedToEightBits) {
  // FF FE marks the wide form; its own prefix follows.
  Bytes wide256 = {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};
  for (int i = 0; i < 256; ++i) wide256.insert(wide256.end(), {'w', 0x00});
  const std::pair<Bytes, std::string> kCases[] = {
      {{0xFF, 0xFE, 0xFF, 0x03, 'a', 0x00, 0xE9, 0x00, 0xA9, 0x03}, "a\xE9?"},
      {{0xFF, 0xFE, 0xFF, 0x03, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF}, "\xFF??"},
      {wide256, std::string(256, 'w')},
  };
  for (const auto& [name, narrowed] : kCases) {
    SCOPED_TRACE(narrowed);
    EXPECT_EQ(ReadSetupDocument(Head(1, name)).value().network.configFileName, narrowed);
  }
}

TEST(SetupDocument, LengthsBeyondTheFileOrTheLongestTextAreRefused) {
  Bytes declared65536 = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00};
  declared65536.resize(declared65536.size() + 65536, 'n');
  // clang-format off
  const Bytes kNames[] = {
      {0x05, 'a', 'b'},
      {0xFF, 0xFF, 0xFF, 0xFE, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
      {0xFF, 0xFF, 0xFF, 0x05, 0x00},  // a 32-bit length that ends after its low half
      declared65536,
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0x00},
      {0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b'},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00},
  };
  // clang-format on
  for (const Bytes& name : kNames) {
    SCOPED_TRACE(name.size());
    EXPECT_FALSE(ReadSetupDocument(Head(1, name)));
  }
}

// What loading `path` reports: "ok", or the message and its detail. A reader that waits or
// reads without end fails the test instead of hanging it or exhausting the machine.
std::optional<std::string> LoadInAChild(const std::string& path) {
  return test::RunInChild(
      [&] {
        const Result<SetupDocument> result = LoadSetupDocument(path);
        return result ? "ok" : result.failure().text + " " + result.failure().detail;
      },
      {false, 5, rlim_t{256} << 20});
}

TEST(SetupDocument, LoadsOnlyRegularFilesAndReadsNoFurtherThanTheLastField) {
  const test::TempDirectory dir;
  const std::string whole(kNewDocumentFile.begin(), kNewDocumentFile.end());
  // A file of zeros reads as version 0 with empty texts, whatever follows.
  const std::string huge = dir.Write("huge.gdb", "");
  ASSERT_EQ(truncate(huge.c_str(), off_t{1} << 36), 0);
  const std::string fifo = (dir / "fifo.gdb").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string unreadable = "Failed to open document. ";
  struct LoadCase {
    std::string path;
    std::string report;  // what it begins with, before the path
  };
  const LoadCase kCases[] = {
      {dir.Write("probe.gdb", whole), "ok"},
      {huge, "ok"},
      {dir.Write("cut.gdb", whole.substr(0, 40)), "Unexpected file format."},
      {(dir / "missing.gdb").string(), unreadable},
      {dir.Path().string(), unreadable},
      {fifo, unreadable},
      {"/dev/zero", unreadable},
  };
  for (const LoadCase& c : kCases) {
    SCOPED_TRACE(c.path);
    const std::string expected = c.report == "ok"         ? c.report
                                 : c.report == unreadable ? c.report + c.path + ": "
                                                          : c.report + " " + c.path;
    EXPECT_THAT(LoadInAChild(c.path).value_or("the load did not end"),
                ::testing::StartsWith(expected));
  }
}

}  // namespace
}  // namespace kvx
