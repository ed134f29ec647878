// kvxctl and kvxsim as a user runs them: separate processes, talking over a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/setup_document.h"
#include "program_runs.h"
#include "temp_directory.h"
#include "update_files.h"

namespace {

using kvx::test::CommandResult;
using kvx::test::RunCommand;
using kvx::test::SimulatorProcess;
using kvx::test::Slurp;
using kvx::test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

CommandResult Kvxctl(const std::string& arguments) {
  return RunCommand(std::string(KVXCTL_PATH) + " " + arguments);
}

TEST(Kvxctl, InfoShowsTheProbeAsJson) {
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "19200", "--firmware", "1.05", "--serial", "SIMTEST0"});
  ASSERT_THAT(sim.Path(), HasSubstr("/dev/pts/"));
  const CommandResult run = Kvxctl("info --port " + sim.Path() + " --speed 57600 --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["firmwareVersion"], "1.05");
  EXPECT_EQ(info["logicVersion"], "1.04");
  EXPECT_EQ(info["serialNumber"], "SIMTEST0");
  EXPECT_EQ(info["macAddress"], "02B7E9SIMTES");
  EXPECT_EQ(info["baudRate"], 57600);
}

TEST(Kvxctl, TraceShowsEveryFrameWithDirectionAndTime) {
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "9600", "--serial", "SIMTEST0", "--corrupt-checksum", "d:1"});
  const CommandResult run = Kvxctl("info --port " + sim.Path() + " --speed 9600 --trace");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Serial number:     SIMTEST0"));
  EXPECT_THAT(run.err, HasSubstr(" ms => DB DE\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms -> 00 01 01\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms -> 10 01 72\n"));  // 'r', the first request
  EXPECT_THAT(run.err, HasSubstr(" ms <- (broken frame: checksum mismatch)\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms <- 50 0F 64"));  // the retried identity reply
}

TEST(Kvxctl, FailuresAndUsageErrorsHaveTheirOwnExitStatus) {
  struct Case {
    std::string arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"info --port /nonexistent/tty", 1, "Cannot connect to KVX loader!"},
      {"info --port /nonexistent/tty", 1, "no such device"},
      {"info", 2, "--port is required"},
      {"info --port x --speed 12345", 2, "12345"},
      {"transmit --port x", 2, "--ip is required without --document"},
      {"files --dir /nonexistent/dir", 1, "no such directory"},
      {"frobnicate", 2, ""},
  };
  for (const Case& c : cases) {
    const CommandResult run = Kvxctl(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.arguments;
  }
}

// An update directory as a release ships it: firmware 1.05 made by objcopy from an image that
// starts with its version word, and logic 1.05 as a JEDEC file.
class ReleaseFiles : public kvx::test::UpdateFiles {
 public:
  explicit ReleaseFiles(bool withFirmware = true) {
    if (withFirmware) AddFirmware(105);
    AddLogic("KVXLOG70.105");
  }
  std::string Dir() const { return Path().string(); }
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Kvxctl, FilesShowsTheNewestNumbersAndThePathsAnUpdateWouldUse) {
  const ReleaseFiles files;
  const CommandResult run = Kvxctl("files --json --dir " + files.Dir());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto listing = nlohmann::json::parse(run.out);
  EXPECT_EQ(listing["firmware"]["version"], "1.05");
  EXPECT_EQ(listing["firmware"]["number"], 105);
  EXPECT_EQ(listing["firmware"]["path"], files.Dir() + "/KVXARMFW.105");
  EXPECT_EQ(listing["logic"]["number"], 105);
  EXPECT_EQ(listing["logic"]["path"], files.Dir() + "/KVXLOG70.105");
  EXPECT_EQ(listing["logic"]["pathRevisionC"], files.Dir() + "/KVXLOG71.105");
}

// One simulated probe through a whole service visit; each step is checked by what the probe
// reports afterwards, so a step that claims success without doing its work is caught.
TEST(Kvxctl, DryRunChangesNothingUpdateInstallsBothFilesEraseBlanksTheProbe) {
  const ReleaseFiles files;
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const std::string port = " --port " + sim.Path();
  const auto expectVersions = [&port](const char* firmware, const char* logic) {
    const CommandResult info = Kvxctl("info --json" + port);
    ASSERT_EQ(info.status, 0) << info.err;
    const auto identity = nlohmann::json::parse(info.out);
    EXPECT_EQ(identity["firmwareVersion"], firmware);
    EXPECT_EQ(identity["logicVersion"], logic);
  };

  const CommandResult dryRun = Kvxctl("update --dry-run --dir " + files.Dir() + port);
  ASSERT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_THAT(dryRun.out, HasSubstr("would erase sectors 0x01040000 0x01080000 0x010C0000"));
  EXPECT_THAT(dryRun.out, HasSubstr("would program 63 records, 2000 data bytes"));
  EXPECT_THAT(dryRun.out, HasSubstr("program 134 rows of 240 fuses, signature T3952D8105"));
  expectVersions("1.04", "1.04");

  const CommandResult update = Kvxctl("update --json --dir " + files.Dir() + port);
  ASSERT_EQ(update.status, 0) << update.err;
  const auto outcome = nlohmann::json::parse(update.out);
  EXPECT_EQ(outcome["status"], "Updating firmware and logic passed!");
  EXPECT_EQ(outcome["firmwareVersion"], "1.05");
  EXPECT_GT(outcome["bytesPerSecond"].get<double>(), 0);
  // Not a terminal: a 134-row pass is reported in tenths, not row by row.
  EXPECT_EQ(Count(update.err, "Logic: Verifying ... ("), 9u) << update.err;
  expectVersions("1.05", "1.05");

  const CommandResult erase = Kvxctl("erase --yes" + port);
  ASSERT_EQ(erase.status, 0) << erase.err;
  EXPECT_THAT(erase.err, HasSubstr("Erasing Flash and EPLD passed!"));
  expectVersions("unknown", "unknown");
}

TEST(Kvxctl, ProbeActionsPassFailOrRefuseBeforeTouchingTheProbe) {
  const ReleaseFiles logicOnly(false);
  struct Case {
    std::string arguments;
    int status;
    std::string message;
    bool probeAsked;
  };
  // clang-format off
  const Case cases[] = {
      {"transmit --ip 10.0.0.1 --mask 255.255.255.0 --host 10.0.0.2 --config-file probe.cfg", 0, "Writing setup data passed\n", true},
      {"transmit --ip 1.2.3", 1, "kvxGDB Setup: Invalid IP address!", false},
      {"erase", 2, "give --yes", false},
      {"update --dir " + logicOnly.Dir(), 1, "kvxGDB Setup: Firmware update failed!", true},
  };
  // clang-format on
  const TempDirectory logs;
  const std::string logPath = (logs / "kvxsim.log").string();
  for (const Case& c : cases) {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--verbose"}, logPath);
    const CommandResult run = Kvxctl(c.arguments + " --port " + sim.Path());
    sim.Stop();
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.arguments;
    EXPECT_EQ(Slurp(logPath).find("kvxsim: <- ") != std::string::npos, c.probeAsked) << c.arguments;
  }
}

// A document names the port as COM3 and holds the texts; the options given beside it win.
TEST(Kvxctl, TransmitTakesPortAndTextsFromADocumentWithOptionsOverriding) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const TempDirectory dir;
  kvx::SetupDocument document;
  document.portIndex = 2;
  document.speedIndex = 4;
  document.probeIpAddress = "10.1.2.3";
  document.configFileName = "probe.cfg";
  const std::vector<std::uint8_t> bytes = kvx::WriteSetupDocument(document);
  const std::string path = dir.Write("probe.gdb", std::string(bytes.begin(), bytes.end())).string();
  setenv("KVXSETUP_COM3", sim.Path().c_str(), 1);
  const CommandResult run = Kvxctl("transmit --document " + path + " --mask 255.0.0.0");
  unsetenv("KVXSETUP_COM3");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Probe IP address:  10.1.2.3\n"));
  EXPECT_THAT(run.out, HasSubstr("Subnet mask:       255.0.0.0\n"));
  EXPECT_THAT(run.out, HasSubstr("Default gateway:   255.255.255.255\n"));
  EXPECT_THAT(run.out, HasSubstr("Config file:       probe.cfg\n"));
}

}  // namespace
