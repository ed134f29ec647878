// How a kvxctl run ends when it is cut short or cannot write what it must: signals, a killed
// process, a closed pipe, a report file that cannot take a record. Each is judged by what the
// probe, the report and the next run find afterwards.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "cli/terminal_services.h"
#include "connected_probe.h"
#include "program_run.h"
#include "simulated_probe.h"
#include "temp_directory.h"
#include "update_files.h"

namespace kvx {
namespace {

using test::Eventually;
using test::KvxctlProcess;
using test::ProgramRun;
using test::ReadTextFile;
using test::SimulatorProcess;
using test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Ctrl-C, SIGTERM or a closed terminal during Connect ends the run with the attempt under way
// and says so, instead of scanning every rate ten times and blaming the probe.
TEST(RunEnding, AStopDuringConnectEndsItAndSaysInterrupted) {
  const test::UnansweredPty port;
  const TempDirectory dir;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    KvxctlProcess run("info --port " + port.path, (dir / std::to_string(signal)).string());
    ASSERT_TRUE(run.ErrShows("Connecting to KVX Loader ..."));
    run.Signal(signal);
    EXPECT_EQ(run.Wait(), 130);
    EXPECT_THAT(run.Err(), HasSubstr("Cannot connect to KVX loader!\n  interrupted\n"));
    EXPECT_THAT(run.Err(), HasSubstr("kvxctl info: interrupted before the probe was changed\n"));
    EXPECT_THAT(run.Err(), Not(HasSubstr("powered")));
  }
}

// A stop during a logic read or update ends the exchange under way; the line being fine, the
// probe is then taken out of programming mode and its firmware started, and the run says it
// was interrupted and what the probe is left with, not that communication failed.
TEST(RunEnding, AStopInProgrammingModeLeavesItAndStartsTheFirmware) {
  const test::ReleaseFiles files;
  const TempDirectory dir;
  struct Case {
    std::string command;
    std::string step;  // shown once the device is being programmed or read
    std::string ending;
  };
  const Case cases[] = {
      {"read --logic " + (dir / "logic.jed").string(), "Logic: Reading ...",
       "kvxctl read: interrupted before the probe was changed\n"},
      {"update --dir " + files.Path().string(), "Logic: Programming ...",
       "kvxctl update: interrupted: the logic is incomplete; run update again\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    sim::SimulatorOptions options = test::ProbeWithVersions(105, 104);
    options.pace = true;
    test::SimulatedProbe probe(options);
    KvxctlProcess run(c.command + " --port " + probe->SlavePath(), (dir / "err").string());
    ASSERT_TRUE(run.ErrShows(c.step));
    ASSERT_TRUE(probe->InLogicIsp());
    run.Signal(SIGINT);
    EXPECT_EQ(run.Wait(), 130);
    EXPECT_THAT(run.Err(), HasSubstr(c.ending));
    EXPECT_THAT(run.Err(), Not(HasSubstr("Communication with KVX failed!")));
    EXPECT_FALSE(probe->InLogicIsp());
    EXPECT_EQ(probe->Counters().engine.firmwareStarts, 1u);
  }
  // A second stop quits at once, taking the read's unfinished file with it.
  sim::SimulatorOptions options = test::ProbeWithVersions(105, 104);
  options.pace = true;
  test::SimulatedProbe probe(options);
  const TempDirectory outputs;
  KvxctlProcess run(
      "read --logic " + (outputs / "logic.jed").string() + " --port " + probe->SlavePath(),
      (dir / "quit").string());
  ASSERT_TRUE(run.ErrShows("Logic: Reading ..."));
  run.Signal(SIGINT);
  ASSERT_TRUE(run.ErrShows("press Ctrl-C again to quit at once"));
  run.Signal(SIGINT);
  EXPECT_EQ(run.Wait(), 130);
  EXPECT_TRUE(std::filesystem::is_empty(outputs.Path()));
}

// A pulled cable ends the run at the exchange under way, saying that the port went away rather
// than that the probe fell silent; plugged in again, the same COMn finds the probe.
TEST(RunEnding, APulledCableIsNamedAndTheSameComPortFindsTheProbeAgain) {
  test::UpdateFiles files;
  files.AddFirmware(105, 8 * 1024);
  const TempDirectory dir;
  const std::string link = (dir / "adapter").string();
  setenv("KVXSETUP_COM3", link.c_str(), 1);
  const std::string update = "update --json --dir " + files.Path().string() + " --port COM3";
  {
    SimulatorProcess pulled(KVXSIM_PATH,
                            {"--rate", "115200", "--link", link, "--unplug-after", "10"});
    const ProgramRun run = test::Kvxctl(update);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(nlohmann::json::parse(run.out).value("reason", ""),
                HasSubstr("): the port went away (was the adapter unplugged?) (code -1003); the "
                          "firmware is incomplete"));
  }
  SimulatorProcess pluggedIn(KVXSIM_PATH, {"--rate", "115200", "--link", link});
  const ProgramRun run = test::Kvxctl(update);
  unsetenv("KVXSETUP_COM3");
  EXPECT_EQ(run.status, 0) << run.err;
}

// A stop is what the run says only where it cut the run short: a failure the probe reports
// after the stop was asked for is that failure, and a probe that passed before it passed.
TEST(RunEnding, OnlyWhatTheStopCutShortIsInterrupted) {
  const test::ReleaseFiles files;
  sim::SimulatorOptions failing = test::ProbeWithVersions(104, 105);
  failing.faults.failErase = test::Trigger("1", 'g');
  failing.faults.late = test::Trigger("g:1");
  failing.faults.lateMs = 2000;
  test::SimulatedProbe erasing(failing);
  const TempDirectory dir;
  KvxctlProcess failed("update --dir " + files.Path().string() + " --port " + erasing->SlavePath(),
                       (dir / "failed").string());
  ASSERT_TRUE(failed.ErrShows("Firmware: Erasing Flash ..."));
  failed.Signal(SIGINT);
  EXPECT_EQ(failed.Wait(), 1);
  EXPECT_THAT(failed.Err(), HasSubstr("Firmware: Erasing Flash ... failed!"));
  EXPECT_THAT(failed.Err(), Not(HasSubstr("kvxctl update: interrupted")));

  test::SimulatedProbe upToDate(test::ProbeWithVersions(105, 105));
  sim::SimulatorOptions slow = test::ProbeWithVersions(105, 104);
  slow.pace = true;
  test::SimulatedProbe updating(slow);
  const std::string report = (dir / "report.jsonl").string();
  KvxctlProcess both("update --json --dir " + files.Path().string() + " --report " + report +
                         " --port " + upToDate->SlavePath() + " --port " + updating->SlavePath(),
                     (dir / "both").string());
  ASSERT_TRUE(Eventually([&] { return Contains(ReadTextFile(report), "\n"); }));
  ASSERT_TRUE(Eventually([&] { return updating->InLogicIsp(); }));
  both.Signal(SIGINT);
  EXPECT_EQ(both.Wait(), 130);
  EXPECT_THAT(both.Err(), HasSubstr("2 probes: 1 passed, 0 failed, 1 interrupted\n"));
}

// The file-size limit stands for a full disk: the record that does not fit is cut off again,
// so the report keeps whole lines, and its probe counts as failed, saying why.
TEST(RunEnding, ARecordThatDoesNotFitLeavesTheReportWholeAndFailsItsProbe) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--count", "2"});
  const TempDirectory dir;
  constexpr std::size_t kLimitBlocks = 128;  // of 512 bytes
  const std::string line = "{\"earlier\": true}\n";
  std::string before;
  while (before.size() + line.size() <= kLimitBlocks * 512 - 100) before += line;
  const std::string report = dir.Write("line.jsonl", before).string();
  const std::string limited = "ulimit -f " + std::to_string(kLimitBlocks) + "; " KVXCTL_PATH;
  struct Case {
    std::string ports;
    std::string summary;
  };
  const Case cases[] = {
      {" --port " + sim.Paths()[0], ""},
      {" --port " + sim.Paths()[0] + " --port " + sim.Paths()[1], "2 probes: 0 passed, 2 failed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ports);
    const ProgramRun run = test::RunProgram(limited, "info --json --report " + report + c.ports);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr(c.summary));
    std::istringstream records(run.out);
    std::size_t count = 0;
    for (std::string text; std::getline(records, text); ++count) {
      const auto record = nlohmann::json::parse(text, nullptr, false);
      EXPECT_EQ(record.value("result", ""), "failed") << text;
      EXPECT_THAT(record.value("reason", ""),
                  HasSubstr("the record could not be appended to " + report + ": File too large"));
    }
    EXPECT_EQ(count, c.summary.empty() ? 1u : 2u);
    EXPECT_EQ(ReadTextFile(report), before);
  }
}

// While the report is locked by another kvxctl (here: the test), a first Ctrl-C lets the run
// wait to write its record; the record of a probe that passed says so, and so does the exit
// status. A second Ctrl-C ends the run at once, leaving the report untouched.
TEST(RunEnding, TheRecordWaitsForTheReportLockAndASecondCtrlCQuitsAtOnce) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const TempDirectory dir;
  for (const int interrupts : {1, 2}) {
    SCOPED_TRACE(interrupts);
    const std::string report = dir.Write("line.jsonl", "").string();
    const int lock = open(report.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    KvxctlProcess run("info --json --port " + sim.Path() + " --report " + report,
                      (dir / std::to_string(interrupts)).string());
    const std::string waiting = "-> FLOCK  ADVISORY  WRITE " + std::to_string(run.Pid()) + " ";
    ASSERT_TRUE(Eventually([&] { return Contains(ReadTextFile("/proc/locks"), waiting); }));
    run.Signal(SIGINT);
    ASSERT_TRUE(run.ErrShows("press Ctrl-C again to quit at once"));
    if (interrupts == 2) {
      run.Signal(SIGINT);
      EXPECT_EQ(run.Wait(), 130);
      EXPECT_EQ(ReadTextFile(report), "");
    }
    close(lock);
    if (interrupts == 1) {
      EXPECT_EQ(run.Wait(), 0);
      EXPECT_EQ(nlohmann::json::parse(ReadTextFile(report)).value("result", ""), "passed");
    }
  }
}

// A pipe closed early (kvxctl ... | head) fails the writes to it, not the run: the probe still
// being updated is finished, and the lost output is reported.
TEST(RunEnding, AClosedPipeOnStandardOutputDoesNotEndTheOtherProbesUpdates) {
  const test::ReleaseFiles files(8 * 1024);
  SimulatorProcess refusing(KVXSIM_PATH, {"--rate", "115200", "--fail-erase", "1"});
  SimulatorProcess slow(KVXSIM_PATH, {"--rate", "115200", "--pace", "--logic", "1.05"});
  const TempDirectory dir;
  KvxctlProcess run("update --json --dir " + files.Path().string() + " --port " + refusing.Path() +
                        " --port " + slow.Path(),
                    (dir / "err").string(), true);
  EXPECT_EQ(run.Wait(), 1);
  EXPECT_THAT(run.Err(), HasSubstr("the results could not all be written to standard output"));
  const ProgramRun info = test::Kvxctl("info --json --port " + slow.Path());
  EXPECT_EQ(nlohmann::json::parse(info.out).value("firmwareVersion", ""), "1.05") << info.err;
}

// Killed in the middle of an update, kvxctl cannot take back the mark for exclusive use it put
// on the simulator's terminal; the simulator does, so the next user can update the probe. Run
// as an ordinary user throughout, since root pays no heed to the mark.
std::string UpdateAfterAKilledUpdate(const std::string& kvxctl) {
  const test::ReleaseFiles files(8 * 1024);
  sim::SimulatorOptions options = test::ProbeWithVersions(104, 105);
  options.pace = true;
  test::SimulatedProbe probe(options);
  const TempDirectory dir;
  const std::string update =
      "update --json --dir " + files.Path().string() + " --port " + probe->SlavePath();
  {
    KvxctlProcess killed(update, (dir / "err").string(), false, kvxctl);
    if (!Eventually([&] { return !probe->ProgramLog().empty(); })) return "never programmed";
    const std::uint64_t hangUps = probe->Counters().hostHangups;
    killed.Signal(SIGKILL);
    killed.Wait();
    if (!Eventually([&] { return probe->Counters().hostHangups > hangUps; })) return "not seen go";
  }
  const ProgramRun next = test::RunProgram(kvxctl, update);
  if (next.status != 0) return next.err;
  return nlohmann::json::parse(next.out).value("firmwareVersion", "");
}

TEST(RunEnding, TheNextUserUpdatesAProbeWhoseUpdateWasKilled) {
  const test::ProgramCopy kvxctl(KVXCTL_PATH);
  EXPECT_EQ(test::RunInChild([&] { return UpdateAfterAKilledUpdate(kvxctl.Path()); },
                             {true, 0, 0, {kvxctl.Path()}}),
            "1.05");
}

// A link to a port and the port itself are one probe, served once.
TEST(RunEnding, APortNamedTwiceIsServedOnce) {
  const TempDirectory dir;
  const std::string link = (dir / "probe").string();
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--link", link});
  const ProgramRun run =
      test::Kvxctl("info --json --port " + link + " --port " + sim.Path() + " --port " + link);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out).value("port", ""), link);
}

// Erasing a probe takes a plain yes.
TEST(EraseQuestion, OnlyYOrYesInAnyLetterCaseIsYes) {
  const std::pair<std::string, bool> replies[] = {
      {"y\n", true},    {" YES \n", true}, {"Yes", true}, {"yes please\n", false},
      {"yep\n", false}, {"n\n", false},    {"\n", false}, {"", false},
  };
  for (const auto& [typed, yes] : replies) {
    SCOPED_TRACE(typed);
    std::FILE* in = std::tmpfile();
    std::fputs(typed.c_str(), in);
    std::rewind(in);
    std::FILE* shown = std::tmpfile();
    cli::StreamOutput out(shown, false);
    cli::TerminalServices services(out, {in, true}, cli::Confirmation::kAsk);
    MessageBox question;
    question.text = "Erase Flash and EPLD?";
    question.buttons = MessageButtons::kYesNo;
    EXPECT_EQ(services.ShowMessage(question) == MessageAnswer::kYes, yes);
    std::fclose(in);
    std::fclose(shown);
  }
}

}  // namespace
}  // namespace kvx
