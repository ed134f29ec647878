// kvxctl.exe under wine against kvxsim on a pseudo-terminal, which the wine prefix's
// dosdevices link turns into a COM port. The probe's state is checked in kvxsim's state file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "program_run.h"
#include "temp_directory.h"
#include "update_files.h"
#include "wine_com_port.h"

namespace {

using kvx::test::ProgramRun;
using kvx::test::SimulatorProcess;
using kvx::test::TempDirectory;
using kvx::test::WineComPort;
using ::testing::HasSubstr;

ProgramRun Kvxctl(const std::string& arguments) {
  return kvx::test::RunProgram("wine " + std::string(std::getenv("KVXCTL_EXE")), arguments);
}

// kvxsim and the COM port that reaches it.
struct WineProbe {
  explicit WineProbe(const std::vector<std::string>& options)
      : sim(KVXSIM_PATH, options), port(sim.Path()) {}
  SimulatorProcess sim;
  WineComPort port;
};

// The rate agreement is real: SetCommState's rate reaches the pseudo-terminal through wine.
// A lost identity reply and a corrupted one are retried through to the right answer.
TEST(KvxctlUnderWine, InfoAgreesOnTheFasterRateAndRetriesLostAndBrokenReplies) {
  WineProbe probe({"--rate", "9600", "--serial", "SIMTEST0", "--drop-reply", "d:1",
                   "--corrupt-checksum", "d:2"});
  const ProgramRun run = Kvxctl("info --json --trace --speed 115200 --port " + probe.port.Name());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["baudRate"], 115200);
  EXPECT_EQ(info["serialNumber"], "SIMTEST0");
  EXPECT_EQ(info["macAddress"], "02B7E9SIMTES");
  EXPECT_THAT(run.err, HasSubstr(" ms <- (nothing within the time-out)"));
  EXPECT_THAT(run.err, HasSubstr(" ms <- (broken frame: checksum mismatch)"));
}

// A probe read back into files programs a blank one into its copy; --force replaces a file
// that is there, which Windows renames over only when asked to; and info reads the network
// setup, none on a blank probe.
TEST(KvxctlUnderWine, ReadBackFilesProgramABlankProbeIntoItsCopy) {
  kvx::test::UpdateFiles files;
  files.AddFirmware(105);
  files.AddLogic("KVXLOG70.105");
  const std::string original = (files / "original.state").string();
  const std::string copy = (files / "copy.state").string();
  const std::string outputs = " --firmware " + (files / "saved.srec").string() + " --logic " +
                              (files / "saved.jed").string();
  auto run = [](const std::string& state, const std::string& arguments) {
    WineProbe probe({"--rate", "115200", "--state", state});
    const ProgramRun result = Kvxctl(arguments + " --port " + probe.port.Name());
    EXPECT_EQ(result.status, 0) << arguments << "\n" << result.err;
    return result;
  };
  run(original, "update --dir " + files.Path().string());
  files.Write("saved.srec", "an older file");
  run(original, "read --force" + outputs);
  run(copy, "update" + outputs);
  EXPECT_EQ(kvx::test::ReadTextFile(copy), kvx::test::ReadTextFile(original));
  const auto info = nlohmann::json::parse(run(copy, "info --json").out);
  EXPECT_TRUE(info["networkSetup"]["probeIpAddress"].is_null()) << info;
}

// The help names Windows ports and quotes as cmd and PowerShell take them; a port quoted with
// single quotes, which cmd passes on as they stand, is taken all the same; and the C runtime
// expands no wildcard in an argument before kvxctl sees it.
TEST(KvxctlUnderWine, SpeaksWindowsAndTakesPortsAsCmdPassesThem) {
  const ProgramRun help = Kvxctl("help update");
  EXPECT_THAT(help.out, HasSubstr("kvxctl update --port \"COM*\" --report line.jsonl"));
  EXPECT_THAT(help.out, HasSubstr("COM1 to COM255 or \\\\.\\COMn"));
  EXPECT_THAT(help.out, ::testing::Not(HasSubstr("/dev/")));

  WineProbe probe({"--rate", "115200"});
  const ProgramRun quoted = Kvxctl("info --json --port \"'" + probe.port.Name() + "'\"");
  EXPECT_EQ(quoted.status, 0) << quoted.err;

  const TempDirectory dir;
  dir.Write("COMfile.txt", "");
  const ProgramRun notExpanded = kvx::test::RunProgram(
      "cd " + dir.Path().string() + " && wine " + std::getenv("KVXCTL_EXE"), "help 'COM*'");
  EXPECT_THAT(notExpanded.err, HasSubstr("'COM*' is not a kvxctl command"));
}

TEST(KvxctlUnderWine, APortThatCannotBeOpenedSaysWhy) {
  const TempDirectory dir;
  // Wine does not keep a second program off a serial port opened with share mode 0; a
  // directory answers its open with the same "access denied" a held port gives on Windows.
  const WineComPort held(dir.Path().string());
  const WineComPort missing(dir / "no-such-device");
  const std::pair<std::string, std::string> cases[] = {
      {missing.Name(), "Cannot open " + missing.Name() + ": there is no such port ("},
      {held.Name(), "Cannot open " + held.Name() + ": it is in use by another program ("},
  };
  for (const auto& [port, message] : cases) {
    const ProgramRun run = Kvxctl("info --port " + port);
    EXPECT_EQ(run.status, 1) << port;
    EXPECT_THAT(run.err, HasSubstr(message));
  }
}

}  // namespace
