#include "cli/probe_action.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "cli/command_report.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/probe_board.h"
#include "cli/probe_changes_text.h"
#include "cli/report_file.h"
#include "link/serial_port.h"
#include "os/system.h"

namespace kvx::cli {

namespace {

struct ProbeResult {
  bool connected = false;
  bool passed = false;
  bool interrupted = false;
  nlohmann::json record;
  std::string summary;  // what a passed probe's line says of it
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One probe from Connect to the closed port. `connected` learns of a passed Connect.
ProbeResult ServeProbe(ProbeSession& session, const ProbeJob& job,
                       const std::function<void()>& connected) {
  const auto start = std::chrono::steady_clock::now();
  ProbeResult result;
  nlohmann::json results = nlohmann::json::object();
  result.record["port"] = session.Port();
  result.record["host"] = os::HostName();
  result.record["user"] = os::UserName();
  result.connected = session.Connect();
  if (result.connected) {
    connected();
    result.record["baudRate"] = session.BaudRate();
    result.record["before"] = VersionsJson(session);
    session.Meter().Restart();
    result.passed = job.action(session, results);
    result.record["after"] = VersionsJson(session);
    const TransferMeter::Rate rate = session.Meter().Measure();
    result.record["bytesExchanged"] = rate.bytes;
    result.record["bytesPerSecond"] = rate.BytesPerSecond();
  }
  result.interrupted = !result.passed && StopRequested();
  const ProbeChanges& changes = session.Actions().Changes();
  if (!result.passed && !result.interrupted) {
    if (const std::string unfinished = UnfinishedChanges(changes); !unfinished.empty()) {
      session.Services().Explain(unfinished);
    }
  }
  result.record.update(OutcomeJson(session, result.passed));
  result.record["result"] = result.passed ? "passed" : "failed";
  if (result.interrupted) {
    result.record["result"] = "interrupted";
    result.record["reason"] = InterruptedReason(changes);
  }
  session.Finish();
  result.record.update(ProbeOutcomeJson(session.Outcome()));
  result.record.update(results);
  result.record["seconds"] = SecondsSince(start);
  return result;
}

// What the board's row and the text report say of a probe once it has been served.
std::string Verdict(const ProbeResult& result) {
  if (result.passed) return result.summary.empty() ? "passed" : "passed: " + result.summary;
  const std::string reason = result.record.value("reason", "");
  if (result.interrupted) return reason;
  return "failed: " + (reason.empty() ? result.record.value("status", "") : reason);
}

// Appends the probe's record to the report. A probe whose record could not be kept counts as
// failed, whatever it got, since the line cannot tell; an interrupted one stays interrupted.
// Returns why the record is missing, or nothing.
std::string KeepRecord(ReportFile& report, ProbeResult& result) {
  const std::string problem = report.Append(result.record);
  if (problem.empty()) return "";
  const std::string reason = result.record.value("reason", "");
  result.record["reason"] = reason.empty() ? problem : reason + "; " + problem;
  if (!result.interrupted) {
    result.passed = false;
    result.record["passed"] = false;
    result.record["result"] = "failed";
  }
  return problem;
}

// What the records say: interrupted when any probe was, else success only when all passed.
int ExitStatus(const std::vector<ProbeResult>& results) {
  bool allPassed = true;
  for (const ProbeResult& result : results) {
    if (result.interrupted) return kExitInterrupted;
    allPassed = allPassed && result.passed;
  }
  return allPassed ? kExitOk : kExitFailure;
}

int ServeOne(const ProbeOptions& options, const std::string& port, const ProbeJob& job,
             ReportFile& report) {
  StreamOutput out(stderr, os::IsTerminal(stderr));
  ProbeSession session(options, port, job.settings, out, {stdin, os::IsTerminal(stdin)});
  ProbeResult result = ServeProbe(session, job, [] {});
  const std::string problem = KeepRecord(report, result);
  if (result.interrupted) {
    out.WriteLine("kvxctl " + job.command + ": " + Verdict(result));
  } else if (!problem.empty()) {
    out.WriteLine("kvxctl " + job.command + ": " + problem);
  }
  if (options.json) {
    PrintJson(result.record);
  } else if (result.connected) {
    job.printText(session, result.record);
  }
  return ExitStatus({result});
}

// Waits for the probes' threads, and once a stop is asked for says so above the board: a
// notice written by the signal handler into the terminal would leave the board's rows out of
// their places.
void AwaitProbes(std::vector<std::thread>& probes, const std::atomic<std::size_t>& finished,
                 ProbeBoard& board, bool boardOnTerminal) {
  bool noticeShown = false;
  while (finished.load() < probes.size()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!boardOnTerminal || noticeShown || !StopRequested()) continue;
    board.PrintAbove(stderr, true, WrappedForTerminal(StoppingNotice(), TerminalWidth(stderr)));
    noticeShown = true;
  }
  for (std::thread& probe : probes) probe.join();
}

int ServeSeveral(const ProbeOptions& options, const std::vector<std::string>& ports,
                 const ProbeJob& job, ReportFile& report) {
  const bool outIsTerminal = os::IsTerminal(stdout);
  const bool boardOnTerminal = os::IsTerminal(stderr);
  std::vector<ProbeResult> results(ports.size());
  {
    ProbeBoard board(stderr, boardOnTerminal, ports);
    std::vector<std::thread> probes;
    std::atomic<std::size_t> finished{0};
    for (std::size_t index = 0; index < ports.size(); ++index) {
      probes.emplace_back([&, index] {
        ProbeSession session(options, ports[index], job.settings, board.Row(index), {stdin, false});
        ProbeResult& result = results[index];
        result = ServeProbe(session, job, [&] {
          board.SetSerialNumber(index, session.Actions().Identity().serialNumber);
        });
        if (result.passed && job.summarise) result.summary = job.summarise(session);
        KeepRecord(report, result);
        board.Row(index).WriteLine(Verdict(result));
        if (options.json) board.PrintAbove(stdout, outIsTerminal, JsonText(result.record));
        ++finished;
      });
    }
    AwaitProbes(probes, finished, board, boardOnTerminal);
  }
  // The board on the same terminal already shows each probe's ending.
  const bool listed = options.json || (boardOnTerminal && outIsTerminal);
  std::size_t portWidth = 0;
  for (const std::string& port : ports) portWidth = std::max(portWidth, port.size());
  std::size_t passed = 0;
  std::size_t interrupted = 0;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    const ProbeResult& result = results[index];
    if (result.passed) ++passed;
    if (result.interrupted) ++interrupted;
    if (!listed) {
      std::printf("%-*s  %-10s  %s\n", static_cast<int>(portWidth), ports[index].c_str(),
                  result.record.value("serialNumber", "").c_str(), Verdict(result).c_str());
    }
  }
  std::FILE* summary = options.json ? stderr : stdout;
  std::string counts = std::to_string(ports.size()) + " probes: " + std::to_string(passed) +
                       " passed, " + std::to_string(ports.size() - passed - interrupted) +
                       " failed";
  if (interrupted > 0) counts += ", " + std::to_string(interrupted) + " interrupted";
  if (os::IsTerminal(summary)) counts = WrappedForTerminal(counts, TerminalWidth(summary));
  std::fprintf(summary, "%s\n", counts.c_str());
  return ExitStatus(results);
}

// The device a port name stands for, links followed, so that two names of one device (a link
// and its target, COMn and the path it is set to) make one probe, not two fighting for it.
std::string DeviceOf(const std::string& port) {
  const std::string device = ChoosePort(port).devicePath;
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(device, error);
  return error ? device : resolved.string();
}

// The ports to serve, patterns expanded and each named once, or why there are none.
std::optional<std::vector<std::string>> PortsToServe(const ProbeOptions& options,
                                                     const ProbeJob& job, std::string& problem) {
  std::vector<std::string> ports;
  std::vector<std::string> devices;
  for (const std::string& given : options.ports) {
    std::optional<std::vector<std::string>> expanded = ExpandPortPattern(given, problem);
    if (!expanded) return std::nullopt;
    for (std::string& port : *expanded) {
      std::string device = DeviceOf(port);
      if (std::find(devices.begin(), devices.end(), device) != devices.end()) continue;
      devices.push_back(std::move(device));
      ports.push_back(port);
    }
  }
  if (ports.size() > 1 && options.trace)
    problem = "--trace follows one probe; give one --port with it";
  if (ports.size() > 1 && !job.whyOnePort.empty()) problem = job.whyOnePort;
  if (!problem.empty()) return std::nullopt;
  return ports;
}

// A run whose results did not all reach standard output (a pipe closed early, a full disk)
// has failed, and says so where it can still be read.
int WithStandardOutputChecked(const std::string& command, int status) {
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::ferror(stdout) == 0) return status;
  std::fprintf(stderr, "kvxctl %s: the results could not all be written to standard output%s%s\n",
               command.c_str(), flushed ? "" : ": ", flushed ? "" : std::strerror(error));
  return status == kExitOk ? kExitFailure : status;
}

}  // namespace

int RunProbeJob(const ProbeOptions& options, const ProbeJob& job) {
  std::string problem;
  const std::optional<std::vector<std::string>> ports = PortsToServe(options, job, problem);
  if (!ports) return ReportRefusal(job.command, options.json, kExitUsage, problem);
  ReportFile report;
  if (!options.reportPath.empty() && !report.Open(options.reportPath, problem)) {
    return ReportRefusal(job.command, options.json, kExitUsage, problem);
  }
  const bool errorIsTerminal = os::IsTerminal(stderr);
  if (ports->size() > 1) {
    StopProbesOnSignals(errorIsTerminal ? StopNotice::kByCaller : StopNotice::kOwnLine);
  } else {
    StopProbesOnSignals(errorIsTerminal ? StopNotice::kOverTransient : StopNotice::kOwnLine);
  }
  const int status = ports->size() == 1 ? ServeOne(options, ports->front(), job, report)
                                        : ServeSeveral(options, *ports, job, report);
  return WithStandardOutputChecked(job.command, status);
}

}  // namespace kvx::cli
