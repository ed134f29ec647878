#include "cli/probe_action.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include "cli/command_report.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/probe_board.h"
#include "cli/report_file.h"
#include "cli/serial_port.h"
#include "os/system.h"

namespace kvx::cli {

namespace {

struct ProbeResult {
  bool connected = false;
  bool passed = false;
  bool interrupted = false;
  nlohmann::json record;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

nlohmann::json InstalledVersions(const ProbeSession& session) {
  const CliControls& controls = session.Controls();
  return {{"firmwareVersion", controls.VersionText(VersionLabel::kCurrentFirmware)},
          {"logicVersion", controls.VersionText(VersionLabel::kCurrentLogic)}};
}

// One probe from Connect to the closed port. `connected` learns of a passed Connect.
ProbeResult ServeProbe(ProbeSession& session, const ProbeJob& job,
                       const std::function<void()>& connected) {
  const auto start = std::chrono::steady_clock::now();
  ProbeResult result;
  nlohmann::json results = nlohmann::json::object();
  result.record["port"] = session.Port();
  result.connected = session.Connect();
  if (result.connected) {
    connected();
    result.record["baudRate"] = session.BaudRate();
    result.record["before"] = InstalledVersions(session);
    session.Meter().Restart();
    result.passed = job.action(session, results);
    const TransferMeter::Rate rate = session.Meter().Measure();
    result.record["bytesExchanged"] = rate.bytes;
    result.record["bytesPerSecond"] = rate.BytesPerSecond();
  }
  result.record.update(OutcomeJson(session, result.passed));
  result.interrupted = !result.passed && StopRequested();
  result.record["result"] = result.passed ? "passed" : "failed";
  if (result.interrupted) {
    result.record["result"] = "interrupted";
    result.record["reason"] = session.Services().InterruptedState();
  }
  session.Finish();
  result.record.update(results);
  result.record["seconds"] = SecondsSince(start);
  return result;
}

// What the board's row and the text report say of a probe once it has been served.
std::string Verdict(const ProbeResult& result) {
  if (result.passed) return "passed";
  const std::string reason = result.record.value("reason", "");
  if (result.interrupted) return reason;
  return "failed: " + (reason.empty() ? result.record.value("status", "") : reason);
}

bool Recorded(ReportFile& report, const nlohmann::json& record) {
  const std::string problem = report.Append(record);
  if (!problem.empty()) std::fprintf(stderr, "kvxctl: %s\n", problem.c_str());
  return problem.empty();
}

int ExitStatus(bool allPassed) {
  if (StopRequested()) return kExitInterrupted;
  return allPassed ? kExitOk : kExitFailure;
}

int ServeOne(const ProbeOptions& options, const std::string& port, const ProbeJob& job,
             ReportFile& report) {
  StreamOutput out(stderr, os::IsTerminal(stderr));
  ProbeSession session(options, port, job.settings, out, {stdin, os::IsTerminal(stdin)});
  const ProbeResult result = ServeProbe(session, job, [] {});
  if (result.interrupted) out.WriteLine("kvxctl " + job.command + ": " + Verdict(result));
  if (options.json) {
    PrintJson(result.record);
  } else if (result.connected) {
    job.printText(session, result.record);
  }
  const bool recorded = Recorded(report, result.record);
  return ExitStatus(result.passed && recorded);
}

int ServeSeveral(const ProbeOptions& options, const std::vector<std::string>& ports,
                 const ProbeJob& job, ReportFile& report) {
  const bool outIsTerminal = os::IsTerminal(stdout);
  std::vector<ProbeResult> results(ports.size());
  std::vector<char> recorded(ports.size(), 1);  // written by the probes' threads, one each
  {
    ProbeBoard board(stderr, os::IsTerminal(stderr), ports);
    std::vector<std::thread> probes;
    for (std::size_t index = 0; index < ports.size(); ++index) {
      probes.emplace_back([&, index] {
        ProbeSession session(options, ports[index], job.settings, board.Row(index), {stdin, false});
        results[index] = ServeProbe(session, job, [&] {
          board.SetSerialNumber(index, session.Actions().Identity().serialNumber);
        });
        board.Row(index).WriteLine(Verdict(results[index]));
        if (options.json) board.PrintAbove(stdout, outIsTerminal, JsonText(results[index].record));
        recorded[index] = Recorded(report, results[index].record) ? 1 : 0;
      });
    }
    for (std::thread& probe : probes) probe.join();
  }
  std::size_t portWidth = 0;
  for (const std::string& port : ports) portWidth = std::max(portWidth, port.size());
  std::size_t passed = 0;
  std::size_t interrupted = 0;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    const ProbeResult& result = results[index];
    if (result.passed && recorded[index] != 0) ++passed;
    if (result.interrupted) ++interrupted;
    if (!options.json) {
      std::printf("%-*s  %-10s  %s\n", static_cast<int>(portWidth), ports[index].c_str(),
                  result.record.value("serialNumber", "").c_str(), Verdict(result).c_str());
    }
  }
  std::FILE* summary = options.json ? stderr : stdout;
  std::fprintf(summary, "%zu probes: %zu passed, %zu failed", ports.size(), passed,
               ports.size() - passed - interrupted);
  if (interrupted > 0) std::fprintf(summary, ", %zu interrupted", interrupted);
  std::fprintf(summary, "\n");
  return ExitStatus(passed == ports.size());
}

// The ports to serve, patterns expanded and each named once, or why there are none.
std::optional<std::vector<std::string>> PortsToServe(const ProbeOptions& options,
                                                     const ProbeJob& job, std::string& problem) {
  std::vector<std::string> ports;
  for (const std::string& given : options.ports) {
    std::optional<std::vector<std::string>> expanded = ExpandPortPattern(given, problem);
    if (!expanded) return std::nullopt;
    for (std::string& port : *expanded) {
      if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
    }
  }
  if (ports.size() > 1 && options.trace)
    problem = "--trace follows one probe; give one --port with it";
  if (ports.size() > 1 && !job.whyOnePort.empty()) problem = job.whyOnePort;
  if (!problem.empty()) return std::nullopt;
  return ports;
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
  StopProbesOnSignals();
  if (ports->size() == 1) return ServeOne(options, ports->front(), job, report);
  return ServeSeveral(options, *ports, job, report);
}

}  // namespace kvx::cli
