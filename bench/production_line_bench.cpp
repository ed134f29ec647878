// A production line: one kvxctl updating eight probes at once, each on a thread of its own,
// against the same kvxctl updating one probe alone. kvxsim plays the probes in a process of
// its own (its CPU is not ours), answering no faster than a real line at 115200 baud. Each
// probe has firmware 1.04 and is given 1.05, a 64 KiB image in 32-byte S3 records, record by
// record; its logic is already the newest. Measured:
//
//  1. the wall time of kvxctl, start to exit, updating one probe;
//  2. the same for eight probes, over (1): probes on separate lines must not hold each other
//     up, so at most 1.10;
//  3. kvxctl's own CPU (user and system, from wait4) in (2) per programmed record, as a share
//     of one record's line time, that is of everything the probes exchanged (their JSON
//     "bytesExchanged", frame payloads at 10 bits a byte) spread over the records: at most
//     0.25 %, so a line PC serves many probes without its CPU mattering.
//     Most of it is the kernel's: each record is a write, a wait for the reply and a
//     wake-up, so the figure depends on the machine as much as on kvxctl.
//
// Usage: production_line_bench
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "program_run.h"
#include "update_files.h"

extern char** environ;

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr std::size_t kImageBytes = 64 * 1024;
constexpr std::size_t kRecords = kImageBytes / kvx::test::UpdateFiles::kRecordBytes;
constexpr std::size_t kLineProbes = 8;
constexpr double kTargetRatio = 1.10;
constexpr double kTargetShare = 0.0025;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

struct LineRun {
  double wallSeconds = 0;
  double userSeconds = 0;
  double systemSeconds = 0;
  std::vector<nlohmann::json> records;

  double SlowestRecordSeconds() const {
    double slowest = 0;
    for (const nlohmann::json& record : records)
      slowest = std::max(slowest, record["seconds"].get<double>());
    return slowest;
  }
  double LineSeconds() const {
    std::uint64_t bytes = 0;
    for (const nlohmann::json& record : records)
      bytes += record["bytesExchanged"].get<std::uint64_t>();
    return static_cast<double>(bytes) * 10.0 / kRate;
  }
};

// Runs kvxctl with `arguments`, its standard output into `outPath` and its standard error,
// not a terminal, dropped; returns its wait status and fills in its wall and CPU time.
int RunKvxctl(std::vector<std::string> arguments, const std::string& outPath, LineRun& run) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  arguments.insert(arguments.begin(), KVXCTL_PATH);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const double start = MonotonicSeconds();
  pid_t child = -1;
  const int spawned = posix_spawn(&child, KVXCTL_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " KVXCTL_PATH);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) throw std::runtime_error("lost kvxctl");
  run.wallSeconds = MonotonicSeconds() - start;
  run.userSeconds = Seconds(usage.ru_utime);
  run.systemSeconds = Seconds(usage.ru_stime);
  return status;
}

// kvxctl updating every probe of a fresh kvxsim serving `probes` of them.
LineRun UpdateLine(const kvx::test::UpdateFiles& files, std::size_t probes) {
  const kvx::test::SimulatorProcess sim(
      KVXSIM_PATH, {"--count", std::to_string(probes), "--pace", "--rate", std::to_string(kRate)});
  std::vector<std::string> arguments = {"update", "--json", "--dir", files.Path().string()};
  for (const std::string& port : sim.Paths()) {
    if (port.empty()) throw std::runtime_error("kvxsim did not start");
    arguments.insert(arguments.end(), {"--port", port});
  }
  const kvx::test::TempDirectory scratch;
  const std::string outPath = (scratch / "out").string();
  LineRun run;
  const int status = RunKvxctl(arguments, outPath, run);

  const std::string out = kvx::test::ReadTextFile(outPath);
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    run.records.push_back(nlohmann::json::parse(line));
    if (run.records.back().value("result", "") != "passed") {
      throw std::runtime_error("a probe was not updated: " + line);
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || run.records.size() != probes) {
    throw std::runtime_error("kvxctl ended with status " + std::to_string(status) + " and " +
                             std::to_string(run.records.size()) + " of " + std::to_string(probes) +
                             " records:\n" + out);
  }
  return run;
}

const char* Verdict(bool met) {
  return met ? "met" : "NOT met";
}

}  // namespace

int main() try {
  kvx::test::UpdateFiles files;
  files.AddFirmware(105, kImageBytes);
  files.AddLogic("KVXLOG70.104");
  std::printf(
      "production line: firmware 1.04 to 1.05, %zu KiB in %zu records, record by record, "
      "%u baud, paced\n",
      kImageBytes / 1024, kRecords, kRate);

  const LineRun one = UpdateLine(files, 1);
  const LineRun eight = UpdateLine(files, kLineProbes);
  const double ratio = eight.wallSeconds / one.wallSeconds;
  const double programmed = static_cast<double>(kLineProbes * kRecords);
  const double cpuSeconds = eight.userSeconds + eight.systemSeconds;
  const double cpuPerRecord = cpuSeconds / programmed;
  const double linePerRecord = eight.LineSeconds() / programmed;
  const double share = cpuPerRecord / linePerRecord;

  std::printf("  one probe:     kvxctl %6.2f s wall (its record says %.2f s)\n", one.wallSeconds,
              one.SlowestRecordSeconds());
  std::printf("  %zu probes:      kvxctl %6.2f s wall (slowest record says %.2f s)\n", kLineProbes,
              eight.wallSeconds, eight.SlowestRecordSeconds());
  std::printf("  %zu over one             %6.3f   (target at most %.2f: %s)\n", kLineProbes, ratio,
              kTargetRatio, Verdict(ratio <= kTargetRatio));
  std::printf("  kvxctl CPU with %zu      %6.3f s (user %.3f s, system %.3f s)\n", kLineProbes,
              cpuSeconds, eight.userSeconds, eight.systemSeconds);
  std::printf("                         %6.1f us a record of %.2f ms line time\n",
              cpuPerRecord * 1e6, linePerRecord * 1e3);
  std::printf("  CPU share of line time %6.3f %% (target at most %.2f %%: %s)\n", share * 100,
              kTargetShare * 100, Verdict(share <= kTargetShare));
  return 0;
} catch (const std::exception& failure) {
  std::fprintf(stderr, "production_line_bench: %s\n", failure.what());
  return 1;
}
