// kvxctl and kvxsim as a user runs them: separate processes, talking over a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "app/setup_document.h"
#include "cli/terminal_services.h"
#include "program_run.h"
#include "temp_directory.h"
#include "update_files.h"

namespace {

using kvx::test::SimulatorProcess;
using kvx::test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

using kvx::test::ProgramRun;
using kvx::test::ReadTextFile;

ProgramRun Kvxctl(const std::string& arguments) {
  return kvx::test::RunProgram(KVXCTL_PATH, arguments);
}

// The trace comes first: only the first identity reply is corrupted.
TEST(Kvxctl, InfoTracesEveryFrameAndShowsTheProbeAsJson) {
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "9600", "--serial", "SIMTEST0", "--corrupt-checksum", "d:1"});
  const ProgramRun traced = Kvxctl("info --port " + sim.Path() + " --speed 9600 --trace");
  ASSERT_EQ(traced.status, 0) << traced.err;
  EXPECT_THAT(traced.out, HasSubstr("Serial number:     SIMTEST0"));
  EXPECT_THAT(traced.err, HasSubstr(" ms => DB DE\n"));
  EXPECT_THAT(traced.err, HasSubstr(" ms -> 00 01 01\n"));
  EXPECT_THAT(traced.err, HasSubstr(" ms -> 10 01 72\n"));  // 'r', the first request
  EXPECT_THAT(traced.err, HasSubstr(" ms <- (broken frame: checksum mismatch)\n"));
  EXPECT_THAT(traced.err, HasSubstr(" ms <- 50 0F 64"));  // the retried identity reply

  const ProgramRun run = Kvxctl("info --port " + sim.Path() + " --speed 57600 --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["serialNumber"], "SIMTEST0");
  EXPECT_EQ(info["macAddress"], "02B7E9SIMTES");
  EXPECT_EQ(info["baudRate"], 57600);
}

TEST(Programs, AnswerHelpAndVersionByTheirOwnName) {
  struct Case {
    std::string program;
    std::string arguments;
    int status;
    std::string out;  // expected in standard output, or in standard error when status is 2
  };
  const std::string version = KVX_VERSION;
  const std::vector<Case> cases = {
      {KVXCTL_PATH, "--version", 0, "kvxctl " + version + "\n"},
      {KVXSIM_PATH, "--version", 0, "kvxsim " + version + "\n"},
      {KVXCTL_PATH, "help", 0, "Usage: kvxctl [OPTIONS] SUBCOMMAND"},
      {KVXCTL_PATH, "help update", 0, "Usage: kvxctl update [OPTIONS]"},
      {KVXCTL_PATH, "erase --help", 0, "Examples:\n  kvxctl erase --port COM1"},
      {KVXCTL_PATH, "frobnicate", 2, "kvxctl: unknown command 'frobnicate'"},
      {KVXCTL_PATH, "help frobnicate", 2, "'frobnicate' is not a kvxctl command"},
#ifdef KVXSETUP_PATH
      {KVXSETUP_PATH, "--version", 0, "kvxsetup " + version + "\n"},
      {KVXSETUP_PATH, "--help", 0, "Usage: kvxsetup [FILE.gdb]"},
#endif
  };
  for (const Case& c : cases) {
    const ProgramRun run = kvx::test::RunProgram(c.program, c.arguments);
    EXPECT_EQ(run.status, c.status) << c.program << " " << c.arguments;
    EXPECT_THAT(c.status == 2 ? run.err : run.out, HasSubstr(c.out))
        << c.program << " " << c.arguments;
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
  const ProgramRun run = Kvxctl("files --json --dir " + files.Dir());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto listing = nlohmann::json::parse(run.out);
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
    const ProgramRun info = Kvxctl("info --json" + port);
    ASSERT_EQ(info.status, 0) << info.err;
    const auto identity = nlohmann::json::parse(info.out);
    EXPECT_EQ(identity["firmwareVersion"], firmware);
    EXPECT_EQ(identity["logicVersion"], logic);
  };

  const ProgramRun dryRun = Kvxctl("update --dry-run --dir " + files.Dir() + port);
  ASSERT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_THAT(dryRun.out, HasSubstr("would erase sectors 0x01040000 0x01080000 0x010C0000"));
  EXPECT_THAT(dryRun.out, HasSubstr("would program 63 records, 2000 data bytes"));
  EXPECT_THAT(dryRun.out, HasSubstr("program 134 rows of 240 fuses, signature T3952D8105"));
  const ProgramRun fastDryRun =
      Kvxctl("update --dry-run --fast --verify --dir " + files.Dir() + port);
  EXPECT_THAT(fastDryRun.out, HasSubstr("in 2 program requests (joined), 2 read-back requests"));
  expectVersions("1.04", "1.04");

  const ProgramRun update = Kvxctl("update --json --dir " + files.Dir() + port);
  ASSERT_EQ(update.status, 0) << update.err;
  const auto outcome = nlohmann::json::parse(update.out);
  EXPECT_EQ(outcome["status"], "Updating firmware and logic passed!");
  EXPECT_GT(outcome["bytesPerSecond"].get<double>(), 0);
  // Not a terminal: a 134-row pass is reported in tenths, not row by row.
  EXPECT_EQ(Count(update.err, "Logic: Verifying ... ("), 9u) << update.err;
  expectVersions("1.05", "1.05");

  const ProgramRun erase = Kvxctl("erase --yes" + port);
  ASSERT_EQ(erase.status, 0) << erase.err;
  EXPECT_THAT(erase.err, HasSubstr("Erasing Flash and EPLD passed!"));
  expectVersions("unknown", "unknown");
}

// A probe stores whatever texts it is sent, so every address and the file name are checked
// before the port is opened, those from a document too. Only the probe's answer tells a passed
// transmit from one that never reached it, so each case is judged by the simulator's log.
TEST(Kvxctl, ProbeActionsPassFailOrRefuseBeforeTouchingTheProbe) {
  const ReleaseFiles logicOnly(false);
  const ReleaseFiles release;
  const TempDirectory dir;
  kvx::SetupDocument badMask;
  badMask.probeIpAddress = "10.1.2.3";
  badMask.subnetMask = "1.2.3.4.5";
  const std::vector<std::uint8_t> bytes = kvx::WriteSetupDocument(badMask).value();
  const std::string document =
      " --document " + dir.Write("bad.gdb", std::string(bytes.begin(), bytes.end())).string();
  const std::string name79(79, 'c');
  struct Case {
    std::string arguments;
    int status;
    std::string message;
    bool probeAsked;
  };
  // clang-format off
  const Case cases[] = {
      {"transmit --ip 10.0.0.1 --mask 255.255.255.0 --host 10.0.0.2 --config-file " + name79, 0, "Writing setup data passed\n", true},
      {"transmit --ip 1.2.3", 2, "--ip '1.2.3' is not a dotted quad", false},
      {"transmit --ip 10.0.0.1 --mask 999.0.0.0", 2, "--mask '999.0.0.0' is not a dotted quad", false},
      {"transmit --ip 10.0.0.1 --gateway 1.2.3", 2, "--gateway '1.2.3' is not a dotted quad", false},
      {"transmit --ip 10.0.0.1 --host abc", 2, "--host 'abc' is not a dotted quad", false},
      {"transmit --ip 10.0.0.1 --config-file " + name79 + "c", 2, "' is longer than 79 characters", false},
      {"transmit" + document, 2, "the subnet mask '1.2.3.4.5' in " + dir.Path().string() + "/bad.gdb is not a dotted quad", false},
      {"transmit --mask 255.0.0.0" + document, 0, "Writing setup data passed\n", true},
      {"transmit --ip 255.255.255.255", 1, "kvxGDB Setup: Invalid IP address!", false},
      {"erase", 2, "give --yes", false},
      {"update --dir " + logicOnly.Dir(), 1, "kvxGDB Setup: Firmware update failed!", true},
      {"update --fast --verify --dir " + release.Dir(), 0, "Firmware: Verifying Flash ...", true},
  };
  // clang-format on
  const std::string logPath = (dir / "kvxsim.log").string();
  for (const Case& c : cases) {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--verbose"}, logPath);
    const ProgramRun run = Kvxctl(c.arguments + " --port " + sim.Path());
    sim.Stop();
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.arguments;
    EXPECT_EQ(ReadTextFile(logPath).find("kvxsim: <- ") != std::string::npos, c.probeAsked)
        << c.arguments;
  }
}

// Every failure says why on standard error and, with --json, in the one object on standard
// output, beside the texts the dialog would show; usage errors have their own exit status.
TEST(Kvxctl, FailuresSayWhyInTextAndJson) {
  const ReleaseFiles logicOnly(false), badLine;
  badLine.Write("KVXARMFW.105", "S00600004844521B\nS1130000zz\n");
  const std::string badFile = badLine.Dir() + "/KVXARMFW.105: line 2 is not a valid S-record";
  struct Case {
    std::string arguments;  // '@' stands for the simulator's port
    std::vector<std::string> faults;
    int status;
    std::string reason;
    bool onStandardError;  // a dry run's refusal is its report
  };
  // clang-format off
  const Case cases[] = {
      {"info @", {"--silent-after", "1"}, 1, "no loader answered at 9600 to 115200 baud in 10 attempts: check that the probe is powered", true},
      {"info --port /nonexistent/tty", {}, 1, "Cannot open /nonexistent/tty: there is no such device", true},
      {"update @ --dir " + logicOnly.Dir(), {}, 1, "nothing was sent: no KVXARMFW update file in " + logicOnly.Dir(), true},
      {"update @ --dir " + badLine.Dir(), {}, 1, "nothing was sent: " + badFile, true},
      {"update @ --dry-run --dir " + badLine.Dir(), {}, 1, "nothing was sent: " + badFile, false},
      {"files --dir /nonexistent/dir", {}, 1, "no such directory: /nonexistent/dir", true},
      {"info", {}, 2, "--port is required", true},
      {"info @ --speed 12345", {}, 2, "12345 not in", true},
      {"transmit --port x", {}, 2, "--ip is required without --document", true},
      {"transmit @ --document /nonexistent/lab.gdb", {}, 1, "/nonexistent/lab.gdb: cannot be opened", true},
      {"erase @", {}, 2, "no terminal to ask", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::vector<std::string> simulator = {"--rate", "115200"};
    simulator.insert(simulator.end(), c.faults.begin(), c.faults.end());
    SimulatorProcess sim(KVXSIM_PATH, simulator);
    std::string arguments = c.arguments;
    if (const std::size_t at = arguments.find('@'); at != std::string::npos) {
      arguments.replace(at, 1, "--port " + sim.Path());
    }
    const ProgramRun run = Kvxctl(arguments + " --json");
    EXPECT_EQ(run.status, c.status);
    if (c.onStandardError) {
      EXPECT_THAT(run.err, HasSubstr(c.reason));
    }
    const auto outcome = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_EQ(outcome.value("passed", true), false) << run.out;
    EXPECT_THAT(outcome.value("reason", ""), HasSubstr(c.reason));
  }
  EXPECT_THAT(Kvxctl("info --port /nonexistent/tty").err,
              HasSubstr("kvxGDB Setup: Cannot connect to KVX loader!"));
}

// Ctrl-C in the middle of programming stops after the exchange under way, says what the
// probe is left with, and the probe says the same when asked next.
TEST(Kvxctl, InterruptedUpdateSaysWhatToDo) {
  const ReleaseFiles files;
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--pace"});
  const TempDirectory dir;
  const std::string err = (dir / "err").string();
  const pid_t update = fork();
  if (update == 0) {
    execl("/bin/sh", "sh", "-c",
          ("exec " + std::string(KVXCTL_PATH) + " update --dir " + files.Dir() + " --port " +
           sim.Path() + " 2>" + err + " </dev/null")
              .c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  while (ReadTextFile(err).find("Firmware: Programming Flash") == std::string::npos) usleep(10000);
  kill(update, SIGINT);
  int status = 0;
  waitpid(update, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const std::string advice = kvx::cli::kIncompleteFirmwareAdvice;
  EXPECT_THAT(ReadTextFile(err), HasSubstr("interrupted: " + advice));
  const ProgramRun info = Kvxctl("info --port " + sim.Path());
  EXPECT_THAT(info.out, HasSubstr("Firmware version:  unknown\nLogic version:     1.04"));
  EXPECT_THAT(info.out, HasSubstr(advice));
}

// A terminal's progress line never reaches its last column, whatever the width: what does
// not fit goes, the bar first, then the time left, then the amount, then the text's end.
TEST(ProgressLine, FitsTheTerminal) {
  const std::string programming = "Firmware: Programming Flash ... ( 37% )";
  const std::string rows = "Logic: Programming ... ( 50% )";
  const std::string erasing = "Erasing all flash sectors ...";
  const kvx::ProgressAmount bytes{96 * 1024 + 300, 256 * 1024};
  const kvx::ProgressAmount half{67, 134, kvx::ProgressUnit::kRows};
  const kvx::ProgressAmount erased{32 * 1024, 992 * 1024};
  // clang-format off
  const std::tuple<std::size_t, std::string, kvx::ProgressAmount, double, std::string> cases[] = {
      {100, programming, bytes, 30,
       "[########................] " + programming + "  96.3 KiB / 256.0 KiB  0:50 left"},
      {80, programming, bytes, 30, programming + "  96.3 KiB / 256.0 KiB  0:50 left"},
      {70, programming, bytes, 30, programming + "  96.3 KiB / 256.0 KiB"},
      {45, programming, bytes, 30, programming},
      {30, programming, bytes, 30, "Firmware: Programming Flash ."},
      {80, rows, half, 30, "[##########..........] " + rows + "  67 / 134 rows  0:30 left"},
      {80, erasing, erased, 2, "[..............] " + erasing + "  32.0 KiB / 992.0 KiB  1:00 left"},
      {60, rows, kvx::ProgressAmount{0, 134, kvx::ProgressUnit::kRows}, 0,
       "[............] " + rows + "  0 / 134 rows"},
      {1, rows, half, 1, ""},
  };
  // clang-format on
  for (const auto& [width, text, amount, elapsed, line] : cases) {
    EXPECT_EQ(kvx::cli::ProgressLine(width, text, amount, elapsed), line) << width;
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
  const std::vector<std::uint8_t> bytes = kvx::WriteSetupDocument(document).value();
  const std::string path = dir.Write("probe.gdb", std::string(bytes.begin(), bytes.end())).string();
  setenv("KVXSETUP_COM3", sim.Path().c_str(), 1);
  const ProgramRun run = Kvxctl("transmit --document " + path + " --mask 255.0.0.0");
  unsetenv("KVXSETUP_COM3");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Probe IP address:  10.1.2.3\n"));
  EXPECT_THAT(run.out, HasSubstr("Subnet mask:       255.0.0.0\n"));
  EXPECT_THAT(run.out, HasSubstr("Default gateway:   255.255.255.255\n"));
  EXPECT_THAT(run.out, HasSubstr("Config file:       probe.cfg\n"));
}

}  // namespace
