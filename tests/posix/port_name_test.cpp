#include "link/posix/port_name.h"

#include <map>

#include <gtest/gtest.h>

#include "case_name.h"

namespace kvx {
namespace {

struct NameCase {
  const char* name;
  const char* given;
  std::map<std::string, std::string> environment;
  std::optional<std::string> configured;  // what the settings lookup answers
  const char* expectedPath;
  std::optional<int> expectedCom;
};

class PortNameResolution : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNameResolution, FindsTheDevice) {
  const NameCase& c = GetParam();
  std::optional<int> askedFor;
  const EnvironmentReader environment = [&c](const char* variable) -> std::optional<std::string> {
    const auto found = c.environment.find(variable);
    if (found == c.environment.end()) return std::nullopt;
    return found->second;
  };
  const PortNameLookup lookup = [&](int comNumber) {
    askedFor = comNumber;
    return c.configured;
  };

  const ResolvedPort port = ResolvePortName(c.given, environment, lookup);

  EXPECT_EQ(port.path, c.expectedPath);
  EXPECT_EQ(port.comNumber, c.expectedCom);
  if (askedFor) {
    EXPECT_EQ(askedFor, c.expectedCom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PortNameResolution,
    ::testing::Values(
        NameCase{"EnvironmentWins",
                 "\\\\.\\COM3",
                 {{"KVXSETUP_COM3", "/dev/ttyUSB0"}},
                 "/dev/ttyACM0",
                 "/dev/ttyUSB0",
                 3},
        NameCase{"OtherPortsVariableIgnored",
                 "\\\\.\\COM3",
                 {{"KVXSETUP_COM2", "/dev/ttyUSB0"}},
                 "/dev/ttyACM0",
                 "/dev/ttyACM0",
                 3},
        NameCase{"EmptyVariableFallsThrough",
                 "\\\\.\\COM3",
                 {{"KVXSETUP_COM3", ""}},
                 "/dev/ttyACM0",
                 "/dev/ttyACM0",
                 3},
        NameCase{"SettingsSecond", "\\\\.\\COM3", {}, "/dev/ttyACM0", "/dev/ttyACM0", 3},
        NameCase{"DefaultLast", "\\\\.\\COM1", {}, std::nullopt, "/dev/ttyS0", 1},
        NameCase{"EmptySettingFallsThrough", "\\\\.\\COM19", {}, "", "/dev/ttyS18", 19},
        NameCase{"ShortForm", "COM7", {}, std::nullopt, "/dev/ttyS6", 7},
        NameCase{"AnyLetterCase", "com12", {}, std::nullopt, "/dev/ttyS11", 12},
        NameCase{"Highest", "COM255", {}, std::nullopt, "/dev/ttyS254", 255},
        NameCase{"DevicePath",
                 "/dev/ttyUSB1",
                 {{"KVXSETUP_COM1", "/x"}},
                 "/y",
                 "/dev/ttyUSB1",
                 std::nullopt},
        NameCase{"ComZero", "\\\\.\\COM0", {}, "/y", "\\\\.\\COM0", std::nullopt},
        NameCase{"TooHigh", "COM256", {}, "/y", "COM256", std::nullopt},
        NameCase{"NoNumber", "\\\\.\\COM", {}, "/y", "\\\\.\\COM", std::nullopt},
        NameCase{"LeadingZero", "COM01", {}, "/y", "COM01", std::nullopt},
        NameCase{"TrailingText", "COM1x", {}, "/y", "COM1x", std::nullopt},
        NameCase{"OtherPrefix", "\\\\?\\COM1", {}, "/y", "\\\\?\\COM1", std::nullopt},
        NameCase{"Empty", "", {}, "/y", "", std::nullopt}),
    test::CaseName());

TEST(PortNameResolution, WithoutLookupComFallsToTheDefault) {
  const ResolvedPort port = ResolvePortName(
      "COM2", [](const char*) { return std::nullopt; }, PortNameLookup());
  EXPECT_EQ(port.path, "/dev/ttyS1");
  EXPECT_TRUE(port.usedDefaultDevice);
  EXPECT_EQ(DescribePort(port), "COM2 (/dev/ttyS1)");
}

}  // namespace
}  // namespace kvx
