#include "app/setup_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "temp_directory.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

auto Values(const SetupDocument& d) {
  return std::tie(d.fileVersion, d.speedIndex, d.portIndex, d.probeIpAddress, d.hostIpAddress,
                  d.configFileName, d.subnetMask, d.defaultGateway, d.reserved);
}

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A file's bytes up to its configuration file name, whose prefix and characters come last.
Bytes Head(std::uint16_t version, Bytes configFileName = {0x00}) {
  return Concat({{static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8), 0x02,
                  0x00, 0xFF, 0xFF},
                 {0x07},
                 Text("1.2.3.4"),
                 {0x08},
                 Text("10.0.0.2"),
                 configFileName});
}

const Bytes kNewDocumentFile = Concat({{0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07},
                                       Text("0.0.0.0"),
                                       {0x0F},
                                       Text("255.255.255.255"),
                                       {0x00, 0x0F},
                                       Text("255.255.255.255"),
                                       {0x0F},
                                       Text("255.255.255.255"),
                                       {0x00, 0x00}});

TEST(SetupDocument, NewDocumentIsWrittenAsSixtyFiveBytesAndReadBack) {
  EXPECT_EQ(WriteSetupDocument(SetupDocument{}), kNewDocumentFile);
  SetupDocument read;
  ASSERT_TRUE(ReadSetupDocument(kNewDocumentFile, read).ok);
  SetupDocument expected;
  expected.fileVersion = 3;
  EXPECT_EQ(Values(read), Values(expected));
}

TEST(SetupDocument, EveryValueSurvivesARoundTrip) {
  SetupDocument written;
  written.speedIndex = 4;
  written.portIndex = 18;
  written.probeIpAddress = "192.168.0.7";
  written.hostIpAddress = "not an address";
  written.configFileName = std::string("Probe\0CFG\xE9", 10);
  written.subnetMask = "";
  written.defaultGateway = "10.0.0.254";
  written.reserved = 0x1234;
  SetupDocument read;
  ASSERT_TRUE(ReadSetupDocument(WriteSetupDocument(written), read).ok);
  written.fileVersion = 3;
  EXPECT_EQ(Values(read), Values(written));
}

TEST(SetupDocument, StringLengthPrefixesGrowWithTheLength) {
  struct PrefixCase {
    std::size_t length;
    Bytes prefix;
  };
  // clang-format off
  const PrefixCase kCases[] = {
      {0,      {0x00}},
      {254,    {0xFE}},
      {255,    {0xFF, 0xFF, 0x00}},
      {256,    {0xFF, 0x00, 0x01}},
      {65533,  {0xFF, 0xFD, 0xFF}},
      {65534,  {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000,  {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  // clang-format on
  for (const PrefixCase& c : kCases) {
    SCOPED_TRACE(c.length);
    SetupDocument written;
    written.configFileName.assign(c.length, 'n');
    const Bytes file = WriteSetupDocument(written);
    const std::size_t at = 6 + 1 + 7 + 1 + 15;
    EXPECT_EQ(Bytes(file.begin() + at, file.begin() + at + c.prefix.size()), c.prefix);
    EXPECT_EQ(file.size(), kNewDocumentFile.size() + c.prefix.size() - 1 + c.length);
    SetupDocument read;
    ASSERT_TRUE(ReadSetupDocument(file, read).ok);
    EXPECT_EQ(read.configFileName, written.configFileName);
  }
}

TEST(SetupDocument, OlderAndNewerVersionsReadTheFieldsTheyHold) {
  const Bytes tail = Concat({{0x01}, Text("M"), {0x01}, Text("G"), {0x05, 0x00}});
  struct VersionCase {
    std::uint16_t version;
    const char* mask;
    const char* gateway;
    std::int32_t reserved;
  };
  // clang-format off
  const VersionCase kCases[] = {
      {0, "255.255.255.255", "255.255.255.255", 0},
      {1, "255.255.255.255", "255.255.255.255", 0},
      {2, "M",               "G",               0},
      {3, "M",               "G",               5},
      {7, "M",               "G",               5},
  };
  // clang-format on
  for (const VersionCase& c : kCases) {
    SCOPED_TRACE(c.version);
    SetupDocument read;
    // Bytes behind the fields of the version are ignored.
    ASSERT_TRUE(ReadSetupDocument(Concat({Head(c.version), tail, {0xAB}}), read).ok);
    EXPECT_EQ(read.fileVersion, c.version);
    EXPECT_EQ(read.speedIndex, 2);
    EXPECT_EQ(read.portIndex, 65535);
    EXPECT_EQ(read.probeIpAddress, "1.2.3.4");
    EXPECT_EQ(read.hostIpAddress, "10.0.0.2");
    EXPECT_EQ(read.subnetMask, c.mask);
    EXPECT_EQ(read.defaultGateway, c.gateway);
    EXPECT_EQ(read.reserved, c.reserved);
  }
}

TEST(SetupDocument, AnEmptyFileIsANewDocument) {
  SetupDocument read;
  read.portIndex = 9;
  const DocumentReadResult result = ReadSetupDocument({}, read);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(Values(read), Values(SetupDocument{}));
}

TEST(SetupDocument, AFileCutShortAnywhereIsRefusedAndLeavesDefaults) {
  SetupDocument written;
  written.defaultGateway = "10.0.0.254";
  const Bytes file = WriteSetupDocument(written);
  for (std::size_t size = 1; size < file.size(); ++size) {
    SCOPED_TRACE(size);
    SetupDocument read;
    read.configFileName = "kept?";
    const DocumentReadResult result =
        ReadSetupDocument(Bytes(file.begin(), file.begin() + size), read);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unexpected file format.");
    EXPECT_EQ(Values(read), Values(SetupDocument{}));
  }
}

TEST(SetupDocument, WideStringsAreNarrowedToEightBits) {
  // FF FE marks the wide form; its own prefix follows: 3 characters, then 256 characters.
  const Bytes shortWide = {0xFF, 0xFE, 0xFF, 0x03, 'a', 0x00, 0xE9, 0x00, 0xA9, 0x03};
  Bytes longWide = {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};
  for (int i = 0; i < 256; ++i) longWide.insert(longWide.end(), {'w', 0x00});
  SetupDocument read;
  ASSERT_TRUE(ReadSetupDocument(Concat({Head(1, shortWide)}), read).ok);
  EXPECT_EQ(read.configFileName, "a\xE9?");
  ASSERT_TRUE(ReadSetupDocument(Concat({Head(1, longWide)}), read).ok);
  EXPECT_EQ(read.configFileName, std::string(256, 'w'));
}

TEST(SetupDocument, LengthsBeyondTheFileAreRefusedBeforeAnythingIsRead) {
  // clang-format off
  const Bytes kNames[] = {
      {0x05, 'a', 'b'},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0x00},
      {0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b'},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00},
  };
  // clang-format on
  for (const Bytes& name : kNames) {
    SetupDocument read;
    const DocumentReadResult result = ReadSetupDocument(Head(1, name), read);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unexpected file format.");
  }
}

TEST(SetupDocument, LoadsFromAFileAndNamesAFileItCannotRead) {
  const test::TempDirectory dir;
  const std::string path =
      dir.Write("probe.gdb", std::string(kNewDocumentFile.begin(), kNewDocumentFile.end()))
          .string();
  SetupDocument read;
  EXPECT_TRUE(LoadSetupDocument(path, read).ok);
  EXPECT_EQ(read.fileVersion, 3);

  read.portIndex = 4;
  for (const std::string& unreadable : {(dir / "missing.gdb").string(), dir.Path().string()}) {
    const DocumentReadResult result = LoadSetupDocument(unreadable, read);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Failed to open document.");
    EXPECT_NE(result.detail.find(unreadable), std::string::npos) << result.detail;
    EXPECT_EQ(read.portIndex, 4);
  }
}

}  // namespace
}  // namespace kvx
