// kvxctl and kvxsim as a user runs them: separate processes, talking over a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "app/probe_changes_text.h"
#include "app/setup_document.h"
#include "child_process.h"
#include "cli/terminal_services.h"
#include "connected_probe.h"
#include "loader/probe_identity.h"
#include "program_run.h"
#include "scripted_channel.h"
#include "temp_directory.h"
#include "ui/messages.h"
#include "update_files.h"

namespace {

using kvx::test::SimulatorProcess;
using kvx::test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

using kvx::test::Count;
using kvx::test::Kvxctl;
using kvx::test::ProgramRun;
using kvx::test::ReadTextFile;
using kvx::test::RecordsByPort;
using kvx::test::ReleaseFiles;

// The trace comes first: only the first identity reply is corrupted.
TEST(Kvxctl, InfoTracesEveryFrameAndShowsTheProbeAsJson) {
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "9600", "--serial", "SIMTEST0", "--corrupt-checksum", "d:1"});
  const ProgramRun traced = Kvxctl("info --port " + sim.Path() + " --speed 9600 --trace");
  ASSERT_EQ(traced.status, 0) << traced.err;
  EXPECT_THAT(traced.out, HasSubstr("Serial number:     SIMTEST0"));
  EXPECT_THAT(traced.err, HasSubstr(" ms == the driver has no latency setting ("));
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

// What a probe reports reaches the terminal escaped, however it is shown: a serial number that
// is a control sequence cannot clear the screen, and the MAC text made of it is no MAC address.
TEST(Kvxctl, TextsFromTheProbeReachTheTerminalEscaped) {
  const std::string serial = "\x1B[2J1234";
  SimulatorProcess one(KVXSIM_PATH, {"--rate", "115200", "--serial", serial});
  SimulatorProcess two(KVXSIM_PATH, {"--rate", "115200", "--serial", serial});
  const ProgramRun single = Kvxctl("info --port " + one.Path());
  EXPECT_THAT(single.out, HasSubstr("Serial number:     \\x1B[2J1234\n"
                                    "MAC address:       invalid: '02B7E9\\x1B[2J12'\n"));
  const ProgramRun several = Kvxctl("info --port " + one.Path() + " --port " + two.Path());
  EXPECT_THAT(several.out, HasSubstr("  \\x1B[2J1234  passed: loader 1.03"));
  // Nor can a text given to be sent, which the probe stores as it is.
  const ProgramRun sent = Kvxctl(
      "transmit --ip 10.0.0.7 --config-file \"$(printf 'a\\033[2Jb')\" --port " + one.Path());
  EXPECT_THAT(sent.out, HasSubstr("Config file name:  a\\x1B[2Jb\n"));
  for (const ProgramRun* run : {&single, &several, &sent}) {
    EXPECT_EQ(run->status, 0) << run->err;
    EXPECT_EQ((run->out + run->err).find('\x1B'), std::string::npos) << run->out << run->err;
  }
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
      {KVXSIM_PATH, "--count 3 --serial 99999998", 2, "cannot give 3 probes serial numbers"},
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
  EXPECT_THAT(dryRun.out, HasSubstr("in 2 program requests (joined), 3 read-back requests"));
  const ProgramRun windowsDryRun =
      Kvxctl("update --dry-run --record-by-record --no-verify --dir " + files.Dir() + port);
  EXPECT_THAT(windowsDryRun.out,
              HasSubstr("in 63 program requests (record by record), 0 read-back requests"));
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
  const ReleaseFiles logicOnly(0);
  const ReleaseFiles release;
  const TempDirectory dir;
  kvx::SetupDocument badMask;
  badMask.network.probeIpAddress = "10.1.2.3";
  badMask.network.subnetMask = "1.2.3.4.5";
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
      {"transmit --mask 255.0.0.0" + document, 0, "Writing setup data passed\n", true},
      {"transmit --ip 255.255.255.255", 1, "kvxGDB Setup: Invalid IP address!", false},
      {"update --dir " + logicOnly.Dir(), 0, "no KVXARMFW update file in " + logicOnly.Dir() + ": the firmware is left as it is", true},
      {"update --dir " + release.Dir(), 0, "Firmware: Verifying Flash ...", true},
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
  const ReleaseFiles badLine, release, logicOnly(0);
  const TempDirectory dir;
  badLine.Write("KVXARMFW.105", "S00600004844521B\nS1130000zz\n");
  const std::string badFile = badLine.Dir() + "/KVXARMFW.105: line 2 is not a valid S-record";
  struct Case {
    std::string arguments;  // '@' stands for the simulator's port
    std::vector<std::string> faults;
    int status;
    std::string reason;
    bool onStandardError;         // a dry run's refusal is its report
    std::string statusLine = "";  // the failing step's own status line, on standard error
  };
  // clang-format off
  const Case cases[] = {
      {"info @", {"--silent-after", "1"}, 1, "no loader answered on @ at 9600 to 115200 baud in 10 attempts: check that the probe is powered", true},
      {"info @", {"--wrong-length", "d:*"}, 1, "the loader on @ answered the identity request with 14 bytes, where 15 or 17 carry the versions and a serial number of 8 or 10 characters", true},
      {"info --port /nonexistent/tty", {}, 1, "Cannot open /nonexistent/tty: there is no such device", true},
      {"update @ --dir " + dir.Path().string(), {}, 1, dir.Path().string() + " holds no update files (KVXARMFW.nnn, KVXLOG70.nnn): nothing to update with", true},
      {"update @ --dir " + badLine.Dir(), {}, 1, "nothing was sent: " + badFile, true},
      {"update @ --dry-run --dir " + badLine.Dir(), {}, 1, "nothing was sent: " + badFile, false},
      {"transmit --ip 10.0.0.1 --port '/dev/pts/*'", {}, 2, "several probes would all get the same address", true},
      {"read @ --logic " + dir.Path().string() + "/l.jed", {"--wrong-length", "k:3"}, 1, "ReadFuseRow of row 2 ('k'): a reply of", false},
      // The cause first, what was left as it is after it.
      {"update @ --dir " + logicOnly.Dir(), {"--logic", "1.04", "--wrong-length", "j:1"}, 1, "(code -4005); no KVXARMFW update file in " + logicOnly.Dir() + ": the firmware is left as it is", false},
      {"update @ --dir " + release.Dir(), {"--fail-erase", "2"}, 1, "EraseSector at 0x01080000 ('g'): the loader reports a failure (status 4) (code -4006)", true, "Firmware: Erasing Flash ... failed!\n"},
      // Mends: the marker is read back, and a marker request carried out but unanswered is
      // no proof either way.
      {"update @ --dir " + release.Dir(), {"--weak-cell", "3,6,9"}, 1, "ReadMemory at 0x01040000 ('e'): the image marker's word differs at 0x01040000: expected 0xAA, read 0xAB (code -4010); " + std::string(kvx::kIncompleteFirmwareAdvice), false},
      {"update @ --dir " + release.Dir(), {"--drop-reply", "e:3,e:4,e:5"}, 1, "ReadMemory at 0x01040000 ('e'): no valid reply in 3 attempts (the last: nothing within the time-out) (code -3001); every record went in, but no answer confirmed the image marker: it may or may not be written; run update again", false},
      {"update @ --dir " + release.Dir(), {"--drop-reply", "h:3,h:4,h:5"}, 1, "ProgramFlash at 0x01040000 ('h'): no valid reply in 3 attempts (the last: nothing within the time-out) (code -3001); every record went in, but no answer confirmed the image marker: it may or may not be written; run update again", false},
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
    std::string reason = c.reason;
    if (const std::size_t at = reason.find('@'); at != std::string::npos) {
      reason.replace(at, 1, sim.Path());
    }
    const ProgramRun run = Kvxctl(arguments + " --json");
    EXPECT_EQ(run.status, c.status);
    if (c.onStandardError) {
      EXPECT_THAT(run.err, HasSubstr(reason));
    }
    EXPECT_THAT(run.err, HasSubstr(c.statusLine));
    const auto outcome = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_EQ(outcome.value("passed", true), false) << run.out;
    EXPECT_THAT(outcome.value("reason", ""), HasSubstr(reason));
  }
  EXPECT_THAT(Kvxctl("info --port /nonexistent/tty").err,
              HasSubstr("kvxGDB Setup: Cannot connect to KVX loader!"));
}

// Root reads any directory, so only an ordinary user meets one that cannot be read: the child
// drops to one, or is one already, the folder's owner, whom its mode denies reading too.
TEST(Kvxctl, FilesSaysWhenItCannotReadTheDirectory) {
  const TempDirectory dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const std::filesystem::path locked = dir / "locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0300), 0);
  const kvx::test::ProgramCopy kvxctl(KVXCTL_PATH);
  const std::optional<std::string> outcome = kvx::test::RunInChild(
      [&] {
        const ProgramRun run =
            kvx::test::RunProgram(kvxctl.Path(), "files --dir " + locked.string());
        return std::to_string(run.status) + " " + run.err;
      },
      {true, 30, 0, {kvxctl.Path(), dir.Path()}});
  ASSERT_TRUE(outcome);
  EXPECT_EQ(*outcome, "1 kvxctl files: cannot read the directory " + locked.string() +
                          ": Permission denied\n");
}

// A line of probes: two good ones, one refusing to erase and one falling silent after it
// connected. The bad ones fail with their reasons, the good ones are updated all the same, and
// every probe has its record, on standard output and appended to the report.
TEST(Kvxctl, SeveralProbesAreServedAtOnceAndEachIsRecorded) {
  const ReleaseFiles files;
  SimulatorProcess good(KVXSIM_PATH, {"--rate", "115200", "--count", "2"});
  SimulatorProcess refusing(KVXSIM_PATH, {"--rate", "115200", "--fail-erase", "1"});
  SimulatorProcess silent(KVXSIM_PATH, {"--rate", "115200", "--silent-after", "4"});
  const TempDirectory dir;
  const std::string report = dir.Write("line.jsonl", "{\"earlier\": true}\n").string();
  const std::string ports = " --port " + good.Paths()[0] + " --port " + good.Paths()[1] +
                            " --port " + refusing.Path() + " --port " + silent.Path();
  const ProgramRun run =
      Kvxctl("update --json --dir " + files.Dir() + ports + " --report " + report);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("4 probes: 2 passed, 2 failed"));
  const auto records = RecordsByPort(run.out);
  ASSERT_EQ(records.size(), 4u) << run.out;
  for (const std::string& port : good.Paths()) {
    EXPECT_EQ(records.at(port)["result"], "passed");
    EXPECT_EQ(records.at(port)["before"]["firmwareVersion"], "1.04");
    EXPECT_EQ(records.at(port)["firmwareVersion"], "1.05");
  }
  for (const std::string& port : {refusing.Path(), silent.Path()}) {
    EXPECT_EQ(records.at(port)["result"], "failed");
    EXPECT_EQ(records.at(port)["status"], "Updating firmware and logic failed!");
  }
  const std::string appended = ReadTextFile(report);
  ASSERT_EQ(appended.rfind("{\"earlier\": true}\n", 0), 0u);
  const auto reported = RecordsByPort(appended.substr(appended.find('\n') + 1));
  ASSERT_EQ(reported.size(), 4u);
  for (const auto& [port, record] : reported) {
    EXPECT_EQ(record["version"], KVX_VERSION);
    EXPECT_EQ(record["result"], records.at(port)["result"]);
    EXPECT_EQ(record["time"].get<std::string>().size(), std::string("2026-12-07T03:45:12Z").size());
  }
}

// Each probe gets the row of the serial number it reports; one the table does not list is
// left alone rather than given another's address.
TEST(Kvxctl, TransmitGivesEachProbeItsOwnRow) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--count", "3", "--serial", "00000098"});
  const TempDirectory dir;
  const std::string table = dir.Write("probes.csv",
                                      "serial,ip,mask,gateway,host,config\n"
                                      "00000099,10.0.0.99,255.255.255.0,10.0.0.1,10.0.0.2,\n"
                                      "00000098,10.0.0.98,255.255.255.0,10.0.0.1,10.0.0.2,a.cfg\n")
                                .string();
  const ProgramRun run =
      Kvxctl("transmit --json --settings " + table + " --port " + sim.Paths()[0] + " --port " +
             sim.Paths()[1] + " --port " + sim.Paths()[2]);
  EXPECT_EQ(run.status, 1);
  const auto records = RecordsByPort(run.out);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records.at(sim.Paths()[0])["settings"]["probeIpAddress"], "10.0.0.98");
  EXPECT_EQ(records.at(sim.Paths()[0])["settings"]["configFileName"], "a.cfg");
  EXPECT_EQ(records.at(sim.Paths()[1])["settings"]["probeIpAddress"], "10.0.0.99");
  EXPECT_EQ(records.at(sim.Paths()[2])["reason"],
            "left unwritten: serial number 00000100 is not in " + table);
  EXPECT_FALSE(records.at(sim.Paths()[2]).contains("settings"));
}

// Ctrl-C in the middle of programming stops every probe after the exchange under way: no
// marker, so the probe stays in its loader, each reported interrupted with what to do, in
// whole lines of the report; and each probe says the same when asked next.
TEST(Kvxctl, InterruptedUpdateSaysWhatToDo) {
  const ReleaseFiles files;
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--pace", "--count", "2"});
  const TempDirectory dir;
  const std::string report = (dir / "line.jsonl").string();
  kvx::test::KvxctlProcess update("update --dir " + files.Dir() + " --port " + sim.Paths()[0] +
                                      " --port " + sim.Paths()[1] + " --report " + report,
                                  (dir / "err").string());
  while (Count(update.Err(), "Firmware: Programming Flash") < 2) usleep(10000);
  update.Signal(SIGINT);
  EXPECT_EQ(update.Wait(), 130);
  const std::string advice = kvx::kIncompleteFirmwareAdvice;
  const auto reported = RecordsByPort(ReadTextFile(report));
  ASSERT_EQ(reported.size(), 2u);
  for (const std::string& port : sim.Paths()) {
    EXPECT_THAT(update.Err(), HasSubstr(port + ": interrupted: " + advice));
    EXPECT_EQ(reported.at(port)["result"], "interrupted");
    const ProgramRun info = Kvxctl("info --port " + port);
    EXPECT_THAT(info.out, HasSubstr("Firmware version:  unknown\nLogic version:     1.04"));
    EXPECT_THAT(info.out, HasSubstr(advice));
  }
}

// Sends a read that kvxsim is told to answer a minute late, and waits until it has taken it.
void HoldBackAReply(kvx::test::ConnectedPort& port, const std::string& logPath) {
  const kvx::test::Bytes read = kvx::test::Frame({0x10, 0x07, 'e', 0x01, 0x00, 0x80, 0, 0, 1});
  ASSERT_EQ(port.channel.WriteBlock(read.data(), read.size()), static_cast<long>(read.size()));
  while (ReadTextFile(logPath).find("[late by 60000 ms]") == std::string::npos) usleep(10000);
  EXPECT_THAT(ReadTextFile(logPath), HasSubstr("kvxsim[1]: <- 10 07 65 01 00 80"));
}

// Three probes from one kvxsim, found by their links: each has a serial number of its own, the
// second and third answer while the first holds a reply back for a minute, and each keeps its
// own state file. SIGTERM stops them all and takes the links away.
TEST(Kvxsim, ServesSeveralProbesThatAnswerIndependently) {
  const TempDirectory dir;
  const std::string link = (dir / "probe").string(), state = (dir / "flash").string();
  const std::string logPath = (dir / "kvxsim.log").string();
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "115200", "--count", "3", "--serial", "SIM00098", "--link", link,
                        "--state", state, "--late", "e:1", "--late-ms", "60000", "--verbose"},
                       logPath);
  ASSERT_EQ(sim.Paths().size(), 3u);
  std::vector<std::unique_ptr<kvx::test::ConnectedPort>> ports;
  std::vector<std::string> serials;
  for (const std::string number : {"1", "2", "3"}) {
    ports.push_back(std::make_unique<kvx::test::ConnectedPort>(link + number));
    ASSERT_EQ(ports.back()->startup, kvx::kOk) << number;
    kvx::ProbeIdentity identity;
    EXPECT_EQ(kvx::QueryIdentity(ports.back()->link, identity), kvx::kOk) << number;
    serials.push_back(identity.serialNumber);
    if (number == "1") HoldBackAReply(*ports.back(), logPath);
  }
  EXPECT_EQ(serials, (std::vector<std::string>{"SIM00098", "SIM00099", "SIM00100"}));
  ports.clear();
  sim.Stop();
  for (const std::string number : {"1", "2", "3"}) {
    EXPECT_FALSE(std::filesystem::is_symlink(link + number)) << number;
    EXPECT_TRUE(std::filesystem::exists(state + number)) << number;
  }
}

// A terminal's progress line never reaches its last column, whatever the width: what does
// not fit goes, the bar first, then the time left, then the amount, then the text's middle, the
// percentage last; which parts go depends on the width alone, so every step's line at one
// width has the same parts.
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
       "[#######............] " + programming + "  96.3 KiB / 256.0 KiB  0:50 left"},
      {100, rows, half, 30, "[#########..........] " + rows + "  67 / 134 rows  0:30 left"},
      {120, erasing, erased, 2,
       "[#....................................] " + erasing + "  32.0 KiB / 992.0 KiB  1:00 left"},
      {80, programming, bytes, 30, programming + "  96.3 KiB / 256.0 KiB  0:50 left"},
      {80, rows, half, 30, rows + "  67 / 134 rows  0:30 left"},
      {70, programming, bytes, 30, programming + "  96.3 KiB / 256.0 KiB"},
      {45, programming, bytes, 30, programming},
      {30, programming, bytes, 30, "Firmware: Programmi.. ( 37% )"},
      {30, rows, half, 30, "Logic: Programming .. ( 50% )"},
      {12, programming, bytes, 30, "F.. ( 37% )"},
      {8, programming, bytes, 30, "Firmwar"},
      {12, erasing, erased, 2, "Erasing all"},
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
  document.network.probeIpAddress = "10.1.2.3";
  document.network.configFileName = "probe.cfg";
  const std::vector<std::uint8_t> bytes = kvx::WriteSetupDocument(document).value();
  const std::string path = dir.Write("probe.gdb", std::string(bytes.begin(), bytes.end())).string();
  setenv("KVXSETUP_COM3", sim.Path().c_str(), 1);
  const ProgramRun run = Kvxctl("transmit --document " + path + " --mask 255.0.0.0");
  unsetenv("KVXSETUP_COM3");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Probe IP address:  10.1.2.3\n"));
  EXPECT_THAT(run.out, HasSubstr("Subnet mask:       255.0.0.0\n"));
  EXPECT_THAT(run.out, HasSubstr("Default gateway:   255.255.255.255\n"));
  EXPECT_THAT(run.out, HasSubstr("Config file name:  probe.cfg\n"));
}

// Mend: joined, the run of lines 2 and 3 would be padded over line 1's first word, so the
// image, whose version word lines 2 and 3 hold, goes out record by record, as it programs.
TEST(KvxctlUpdate, FastProgramsRecordByRecordWhatJoinedRequestsWouldSpoil) {
  kvx::test::UpdateFiles files;
  files.AddLogic("KVXLOG70.104");
  files.Write("KVXARMFW.106",
              "S3090104000A01020304DD\nS306010400040EE2\nS309010400056A05060770\n"
              "S70501040004F1\n");
  const std::string fallback =
      "record by record: in joined requests lines 1 and 3 both program 0x0104000A\n";
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const std::string port = " --port " + sim.Path();
  const std::string arguments = " --fast --dir " + files.Path().string() + port;

  const ProgramRun dryRun = Kvxctl("update --dry-run" + arguments);
  EXPECT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_THAT(dryRun.out, HasSubstr("in 3 program requests (record by record)"));
  EXPECT_THAT(dryRun.out, HasSubstr("  " + fallback));
  const ProgramRun update = Kvxctl("update --verify" + arguments);
  EXPECT_EQ(update.status, 0) << update.err;
  EXPECT_THAT(update.err, HasSubstr("Firmware: Programming " + fallback));
  EXPECT_THAT(Kvxctl("info" + port).out, HasSubstr("Firmware version:  1.06"));
}

}  // namespace

// The probe's network setup as info shows it: an erased block is "not set", never the
// 255.255.255.255 its bytes spell; a written one gives the texts back; and a block written for
// another probe (here, the same flash under another serial number) is flagged.
TEST(Kvxctl, InfoShowsTheNetworkSetupTheProbeHolds) {
  const TempDirectory dir;
  const std::string state = (dir / "probe.state").string();
  const auto info = [&state](const std::string& serial) {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--serial", serial, "--state", state});
    const ProgramRun text = Kvxctl("info --port " + sim.Path());
    const ProgramRun json = Kvxctl("info --json --port " + sim.Path());
    EXPECT_EQ(text.status, 0) << text.err;
    return std::make_pair(text.out, nlohmann::json::parse(json.out)["networkSetup"]);
  };
  const auto [erasedText, erased] = info("12345678");
  EXPECT_THAT(erasedText, HasSubstr("Probe IP address:  not set\n"));
  EXPECT_THAT(erasedText, HasSubstr("Config file name:  not set\n"));
  EXPECT_THAT(erasedText, Not(HasSubstr("255.255.255.255")));
  for (const char* key :
       {"probeIpAddress", "subnetMask", "defaultGateway", "hostIpAddress", "configFileName"}) {
    EXPECT_TRUE(erased.contains(key) && erased[key].is_null()) << key;
  }
  {
    SimulatorProcess sim(KVXSIM_PATH,
                         {"--rate", "115200", "--serial", "12345678", "--state", state});
    ASSERT_EQ(Kvxctl("transmit --port " + sim.Path() +
                     " --ip 10.0.0.7 --mask 255.255.0.0 --gateway 10.0.0.1 --host 10.0.0.2 "
                     "--config-file probe.cfg")
                  .status,
              0);
  }
  const auto [ownText, own] = info("12345678");
  EXPECT_EQ(own, nlohmann::json({{"probeIpAddress", "10.0.0.7"},
                                 {"subnetMask", "255.255.0.0"},
                                 {"defaultGateway", "10.0.0.1"},
                                 {"hostIpAddress", "10.0.0.2"},
                                 {"configFileName", "probe.cfg"},
                                 {"macAddress", "02B7E9123456"}}));
  EXPECT_THAT(ownText, HasSubstr("Config host IP:    10.0.0.2\nConfig file name:  probe.cfg\n"));
  const auto [otherText, other] = info("87654321");
  const std::string warning =
      "the network setup holds the MAC address 02B7E9123456, not 02B7E9876543, the one the "
      "serial number gives";
  EXPECT_EQ(other["warning"], warning);
  EXPECT_THAT(otherText, HasSubstr("Warning:           " + warning));
}
