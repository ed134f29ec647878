// kvxsim: plays the probe's boot loader on a pseudo-terminal for tests, benchmarks, the demo
// and anyone without a probe at hand.

#include <csignal>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "program_version.h"
#include "sim/flash_dump.h"
#include "sim/simulator_group.h"
#include "sim/slave_link.h"
#include "sim/state_file.h"
#include "sim/version_words.h"

namespace {

using kvx::sim::FaultTrigger;
using kvx::sim::SimulatorOptions;

constexpr int kUsageError = 2;
constexpr int kRunError = 1;
constexpr std::size_t kMaxProbes = 32;

constexpr const char* kTriggerHelp =
    "WHEN is a comma-separated list of: N (the N-th request), C:N (the N-th request of "
    "command C), C:* (every request of C), P or C:P (each request, or each of C, with "
    "probability P, written with a decimal point). C is a loader letter, ping or speed. "
    "Requests are counted from 1, start-up messages and repeats included.";

// The command line as typed, before it is checked and turned into options.
struct CommandLine {
  SimulatorOptions options;
  std::string loader = "103";
  std::string firmware = "1.04";
  std::string logic = "1.04";
  std::string link;
  std::size_t count = 1;
  unsigned logicDeviceId = kvx::sim::kLogicDeviceId;
  bool dumpFlash = false;
  // Fault option texts with the command their bare numbers count, in FaultOptions order.
  struct Fault {
    std::string name;
    std::string help;
    std::optional<std::uint8_t> counts;
    FaultTrigger kvx::sim::FaultOptions::*member;
    std::string text;
  };
  // clang-format off
  std::vector<Fault> faults = {
      {"--drop-reply", "carry the request out but send no reply", std::nullopt, &kvx::sim::FaultOptions::dropReply, {}},
      {"--corrupt-checksum", "send the reply with a wrong checksum", std::nullopt, &kvx::sim::FaultOptions::corruptChecksum, {}},
      {"--leading-noise", "send 1 to 16 noise bytes before the reply", std::nullopt, &kvx::sim::FaultOptions::leadingNoise, {}},
      {"--late", "send the reply --late-ms later", std::nullopt, &kvx::sim::FaultOptions::late, {}},
      {"--wrong-length", "send the reply one byte short", std::nullopt, &kvx::sim::FaultOptions::wrongLength, {}},
      {"--wrong-letter", "make the reply's first byte not echo the letter ('r': echo it)", std::nullopt,
       &kvx::sim::FaultOptions::wrongLetter, {}},
      {"--fail-erase", "'g' reports failure; bare numbers count 'g' requests", 'g', &kvx::sim::FaultOptions::failErase, {}},
      {"--fail-program", "'h' reports failure; bare numbers count 'h' requests", 'h', &kvx::sim::FaultOptions::failProgram, {}},
      {"--weak-cell", "'h' reports success but stores one bit wrong; bare numbers count 'h' requests", 'h', &kvx::sim::FaultOptions::weakCell, {}},
  };
  // clang-format on
};

std::atomic<kvx::sim::SimulatorGroup*> runningProbes{nullptr};

extern "C" void StopOnSignal(int) {
  if (kvx::sim::SimulatorGroup* probes = runningProbes.load()) probes->Stop();
}

// Lets SIGINT and SIGTERM stop every probe of `probes` for as long as this object lives.
class StopOnSignals {
 public:
  explicit StopOnSignals(kvx::sim::SimulatorGroup& probes) {
    runningProbes.store(&probes);
    struct sigaction action {};
    action.sa_handler = StopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  ~StopOnSignals() { runningProbes.store(nullptr); }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
};

void AddOptions(CLI::App& app, CommandLine& line) {
  SimulatorOptions& o = line.options;
  app.add_option("--rate", o.rate, "rate the loader listens at when it starts")
      ->capture_default_str();
  app.add_option("--loader", line.loader, "loader version word (decimal, or hex with 0x)")
      ->capture_default_str();
  app.add_option("--firmware", line.firmware,
                 "firmware version as d.dd (sent as 0x0E00 + version), or a raw word such "
                 "as 0x0E69 or 0xCE69")
      ->capture_default_str();
  app.add_option("--logic", line.logic,
                 "logic version as d.dd (sent as 8000 + version), or a raw word such as 8105")
      ->capture_default_str();
  app.add_option("--serial", o.identity.serial, "serial number, 8 or 10 characters")
      ->capture_default_str();
  app.add_option("--logic-device-id", line.logicDeviceId,
                 "identifier the logic device answers 'j' with; the fuse files fit 19 alone")
      ->check(CLI::Range(0u, 255u))
      ->capture_default_str();
  CLI::Option* count =
      app.add_option("--count", line.count,
                     "serve N probes, each on a pseudo-terminal of its own; probe k (from 1) "
                     "answers with the digits that end --serial counted up by k-1, and with "
                     "N above 1 its --link and --state paths get k appended")
          ->type_name("N")
          ->check(CLI::Range(std::size_t{1}, kMaxProbes))
          ->capture_default_str();
  CLI::Option* state = app.add_option(
      "--state", o.statePath, "file keeping flash and logic between runs (created when missing)");
  app.add_flag("--dump-flash", line.dumpFlash,
               "print the programmed flash lines and the logic device of the --state file, "
               "then exit without serving")
      ->needs(state)
      ->excludes(count);
  app.add_option("--link", line.link, "make a symbolic link to the pseudo-terminal here");
  app.add_flag("--pace", o.pace, "answer no faster than a real line at the current rate");
  app.add_flag("--verbose", o.verbose, "log every request and reply on standard error");

  const std::string faults = "Faults (WHEN is explained at the end)";
  app.add_option("--seed", o.faults.seed, "seed for the random faults")
      ->capture_default_str()
      ->group(faults);
  for (CommandLine::Fault& fault : line.faults) {
    app.add_option(fault.name, fault.text, fault.help)->type_name("WHEN")->group(faults);
  }
  app.add_option("--late-ms", o.faults.lateMs, "how much later --late replies leave")
      ->capture_default_str()
      ->group(faults);
  app.add_option("--silent-after", o.faults.silentAfter,
                 "answer nothing after this many requests (0: never)")
      ->group(faults);
  app.add_option("--noise", o.faults.bitFlipChance,
                 "a noisy line: flip one bit of each byte, either way, with this chance P")
      ->type_name("P")
      ->group(faults);
  app.add_option("--usb-latency", o.faults.usbLatencyMs,
                 "hold every reply this many ms, as a USB adapter's latency timer does")
      ->type_name("MS")
      ->group(faults);
  app.add_option("--unplug-after", o.faults.unplugAfter,
                 "a pulled cable: close the line after this many requests (0: never) and end")
      ->type_name("N")
      ->group(faults);
  app.add_option("--speed-reply-rate", o.faults.speedReplyRate,
                 "name this rate in every speed reply instead of the one asked for")
      ->group(faults);
  app.footer(kTriggerHelp);
}

// Turns the texts of the command line into options; fails when one is bad.
kvx::Result<void> CompleteOptions(CommandLine& line) {
  using kvx::sim::VersionKind;
  kvx::sim::IdentityOptions& identity = line.options.identity;
  const std::pair<const char*, std::optional<std::uint16_t>> words[] = {
      {"--loader", kvx::sim::ParseWord(line.loader)},
      {"--firmware", kvx::sim::ParseVersionWord(line.firmware, VersionKind::kFirmware)},
      {"--logic", kvx::sim::ParseVersionWord(line.logic, VersionKind::kLogic)}};
  for (const auto& [name, word] : words) {
    if (!word) return kvx::Failure{std::string(name) + ": not a version d.dd or a 16-bit word", {}};
  }
  identity.loaderWord = *words[0].second;
  identity.firmwareWord = *words[1].second;
  identity.logicWord = *words[2].second;
  identity.logicDeviceId = static_cast<std::uint8_t>(line.logicDeviceId);
  for (const CommandLine::Fault& fault : line.faults) {
    kvx::Result<FaultTrigger> trigger = FaultTrigger::Parse(fault.text, fault.counts);
    if (!trigger) return kvx::Failure{fault.name + ": " + trigger.failure().text, {}};
    line.options.faults.*fault.member = std::move(trigger).value();
  }
  return kvx::sim::CheckOptions(line.options);
}

int RunFailure(const kvx::Failure& failure) {
  std::cerr << "kvxsim: " << failure.text << '\n';
  return kRunError;
}

// A state file that is not there holds nothing to show, so unlike serving, dumping refuses it.
int DumpState(const std::string& path) {
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    std::cerr << "kvxsim: state file " << path << ": no such file\n";
    return kRunError;
  }
  kvx::sim::DeviceState device;
  const kvx::Result<void> loaded = kvx::sim::LoadDeviceState(path, device);
  if (!loaded) return RunFailure(loaded.failure());
  kvx::sim::DumpDeviceState(device, std::cout);
  return 0;
}

int Serve(const std::string& linkPath, const std::vector<SimulatorOptions>& options) {
  kvx::Result<kvx::sim::SimulatorGroup> started = kvx::sim::SimulatorGroup::Start(options);
  if (!started) return RunFailure(started.failure());
  kvx::sim::SimulatorGroup& probes = *started;
  const StopOnSignals stopOnSignals(probes);
  std::vector<std::unique_ptr<kvx::sim::SlaveLink>> links;
  for (std::size_t index = 0; index < probes.Size() && !linkPath.empty(); ++index) {
    kvx::Result<std::unique_ptr<kvx::sim::SlaveLink>> link = kvx::sim::SlaveLink::Make(
        kvx::sim::ProbePath(linkPath, index, probes.Size()), probes[index].SlavePath());
    if (!link) return RunFailure(link.failure());
    links.push_back(std::move(link).value());
  }
  for (std::size_t index = 0; index < probes.Size(); ++index) {
    std::cout << probes[index].SlavePath() << '\n';
  }
  std::cout.flush();
  probes.Run();
  int status = 0;
  for (std::size_t index = 0; index < probes.Size(); ++index) {
    const kvx::Result<void> saved = probes[index].SaveState();
    if (!saved) status = RunFailure(saved.failure());
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Plays the KVX7000 probe's boot loader on a pseudo-terminal, one for each probe with "
      "--count. Prints each terminal's path on a line of its own, probe by probe, then "
      "serves until SIGINT or SIGTERM.",
      "kvxsim"};
  app.set_version_flag("--version", kvx::VersionText("kvxsim"), "Print the version and exit");
  CommandLine line;
  AddOptions(app, line);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& helpOrVersion) {
    return app.exit(helpOrVersion);
  } catch (const CLI::ParseError& problem) {
    app.exit(problem);
    return kUsageError;
  }
  kvx::Result<std::vector<SimulatorOptions>> probes = kvx::Failure{};
  if (const kvx::Result<void> completed = CompleteOptions(line); !completed) {
    probes = completed.failure();
  } else {
    probes = kvx::sim::GroupOptions(line.options, line.count);
  }
  if (!probes) {
    std::cerr << "kvxsim: " << probes.failure().text << "\nRun with --help for more information.\n";
    return kUsageError;
  }
  if (line.dumpFlash) return DumpState(line.options.statePath);
  try {
    return Serve(line.link, *probes);
  } catch (const std::exception& failure) {
    std::cerr << "kvxsim: " << failure.what() << '\n';
    return kRunError;
  }
}
