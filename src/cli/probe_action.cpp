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

#include "app/probe_changes_text.h"
#include "cli/command_report.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/probe_board.h"
#include "cli/report_file.h"
#include "link/serial_port.h"
#include "loader/version_text.h"
#include "os/system.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The versions the probe holds as far as the run knows: read at Connect, or written since.
// Unlike the dialog, which shows "unknown" for both after any failed update, a part the run
// never touched keeps the version it was read with.
VersionTexts InstalledVersions(const ProbeSession& session) {
  const ProbeChanges& changes = session.Actions().Changes();
  return {FormatVersion(changes.firmwareVersion), FormatVersion(changes.logicVersion)};
}

// The probe as the dialog last showed it, and the dialog's texts. Taken before Finish(),
// whose status text would otherwise replace the action's.
void TakeDialogState(const ProbeSession& session, ProbeOutcome& outcome) {
  const ProbeIdentity& id = session.Actions().Identity();
  outcome.loaderVersion = session.Controls().Shown(kLoaderVersionId);
  outcome.loaderVersionWord = id.loaderVersion;
  outcome.serialNumber = id.serialNumber;
  outcome.macAddress = id.macAddressText;
  outcome.after = InstalledVersions(session);
  outcome.status = session.Services().LastStatus();
  outcome.messages = session.Services().Messages();
  // A reason the action gave itself, such as a dry run's refusal, is the more precise.
  if (!outcome.passed && outcome.reason.empty()) outcome.reason = session.Services().Reason();
}

// One probe from Connect to the closed port. `connected` learns of a passed Connect.
ProbeOutcome ServeProbe(ProbeSession& session, const ProbeJob& job,
                        const std::function<void()>& connected) {
  const auto start = std::chrono::steady_clock::now();
  ProbeOutcome& outcome = session.Outcome();
  outcome.port = session.Port();
  outcome.host = os::HostName();
  outcome.user = os::UserName();
  outcome.connected = session.Connect();
  if (outcome.connected) {
    connected();
    outcome.baudRate = session.BaudRate();
    outcome.before = InstalledVersions(session);
    session.Meter().Restart();
    outcome.passed = job.action(session);
    const TransferMeter::Rate rate = session.Meter().Measure();
    outcome.bytesExchanged = rate.bytes;
    outcome.bytesPerSecond = rate.BytesPerSecond();
  }
  outcome.interrupted = !outcome.passed && session.Link().stopped;
  const ProbeChanges& changes = session.Actions().Changes();
  if (!outcome.passed && !outcome.interrupted) {
    if (const std::string unfinished = UnfinishedChanges(changes); !unfinished.empty()) {
      session.Services().Explain(unfinished);
    }
  }
  TakeDialogState(session, outcome);
  if (outcome.interrupted) outcome.reason = InterruptedReason(changes);
  session.Finish();
  outcome.seconds = SecondsSince(start);
  return outcome;
}

// What the board's row and the text report say of a probe once it has been served.
std::string Verdict(const ProbeOutcome& outcome, const std::string& summary) {
  if (outcome.passed) return summary.empty() ? "passed" : "passed: " + summary;
  if (outcome.interrupted) return outcome.reason;
  return "failed: " + (outcome.reason.empty() ? outcome.status : outcome.reason);
}

// Appends the probe's record to the report. A probe whose record could not be kept counts as
// failed, whatever it got, since the line cannot tell; an interrupted one stays interrupted.
// Returns why the record is missing, or nothing.
std::string KeepRecord(ReportFile& report, ProbeOutcome& outcome) {
  const Result<void> kept = report.Append(RecordJson(outcome));
  if (kept) return "";
  const std::string& problem = kept.failure().text;
  outcome.reason = outcome.reason.empty() ? problem : outcome.reason + "; " + problem;
  if (!outcome.interrupted) outcome.passed = false;
  return problem;
}

// How every served probe ends, one or several: its record kept, then the verdict its line
// and the text report give. Returns why the record is missing, or nothing.
std::string EndProbe(const ProbeJob& job, ReportFile& report, ProbeOutcome& outcome,
                     std::string& verdict) {
  const std::string summary = outcome.passed && job.summarise ? job.summarise(outcome) : "";
  std::string problem = KeepRecord(report, outcome);
  verdict = Verdict(outcome, summary);
  return problem;
}

// What the records say: interrupted when any probe was, else success only when all passed.
int ExitStatus(const std::vector<ProbeOutcome>& outcomes) {
  bool allPassed = true;
  for (const ProbeOutcome& outcome : outcomes) {
    if (outcome.interrupted) return kExitInterrupted;
    allPassed = allPassed && outcome.passed;
  }
  return allPassed ? kExitOk : kExitFailure;
}

int ServeOne(const ProbeOptions& options, const std::string& port, const ProbeJob& job,
             ReportFile& report, const CommandIo& io) {
  StreamOutput out(io.err, os::IsTerminal(io.err));
  ProbeSession session(options, port, job.settings, out, {io.in, os::IsTerminal(io.in)});
  ProbeOutcome outcome = ServeProbe(session, job, [] {});
  std::string verdict;
  const std::string problem = EndProbe(job, report, outcome, verdict);
  if (outcome.interrupted) {
    out.WriteLine("kvxctl " + job.command + ": " + verdict);
  } else if (!problem.empty()) {
    out.WriteLine("kvxctl " + job.command + ": " + problem);
  }
  if (options.json) {
    PrintJson(io.out, RecordJson(outcome));
  } else if (outcome.connected) {
    job.printText(outcome, io.out);
  }
  return ExitStatus({outcome});
}

// Waits for the probes' threads, and once a stop is asked for says so above the board: a
// notice written by the signal handler into the terminal would leave the board's rows out of
// their places.
void AwaitProbes(std::vector<std::thread>& probes, const std::atomic<std::size_t>& finished,
                 ProbeBoard& board, bool boardOnTerminal, std::FILE* boardStream) {
  bool noticeShown = false;
  while (finished.load() < probes.size()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!boardOnTerminal || noticeShown || !StopRequested()) continue;
    board.PrintAbove(boardStream, true,
                     WrappedForTerminal(StoppingNotice(), TerminalWidth(boardStream)));
    noticeShown = true;
  }
  for (std::thread& probe : probes) probe.join();
}

int ServeSeveral(const ProbeOptions& options, const std::vector<std::string>& ports,
                 const ProbeJob& job, ReportFile& report, const CommandIo& io) {
  const bool outIsTerminal = os::IsTerminal(io.out);
  const bool boardOnTerminal = os::IsTerminal(io.err);
  std::vector<ProbeOutcome> outcomes(ports.size());
  std::vector<std::string> verdicts(ports.size());
  {
    ProbeBoard board(io.err, boardOnTerminal, ports);
    std::vector<std::thread> probes;
    std::atomic<std::size_t> finished{0};
    for (std::size_t index = 0; index < ports.size(); ++index) {
      probes.emplace_back([&, index] {
        ProbeSession session(options, ports[index], job.settings, board.Row(index), {io.in, false});
        ProbeOutcome& outcome = outcomes[index];
        outcome = ServeProbe(session, job, [&] {
          board.SetSerialNumber(index, session.Actions().Identity().serialNumber);
        });
        EndProbe(job, report, outcome, verdicts[index]);
        board.Row(index).WriteLine(verdicts[index]);
        if (options.json) board.PrintAbove(io.out, outIsTerminal, JsonText(RecordJson(outcome)));
        ++finished;
      });
    }
    AwaitProbes(probes, finished, board, boardOnTerminal, io.err);
  }
  // The board on the same terminal already shows each probe's ending.
  const bool listed = options.json || (boardOnTerminal && outIsTerminal);
  std::size_t portWidth = 0;
  for (const std::string& port : ports) portWidth = std::max(portWidth, port.size());
  std::size_t passed = 0;
  std::size_t interrupted = 0;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    const ProbeOutcome& outcome = outcomes[index];
    if (outcome.passed) ++passed;
    if (outcome.interrupted) ++interrupted;
    if (!listed) {
      std::fprintf(io.out, "%-*s  %-10s  %s\n", static_cast<int>(portWidth), ports[index].c_str(),
                   EscapedText(outcome.serialNumber).c_str(), verdicts[index].c_str());
    }
  }
  std::FILE* summary = options.json ? io.err : io.out;
  std::string counts = std::to_string(ports.size()) + " probes: " + std::to_string(passed) +
                       " passed, " + std::to_string(ports.size() - passed - interrupted) +
                       " failed";
  if (interrupted > 0) counts += ", " + std::to_string(interrupted) + " interrupted";
  if (os::IsTerminal(summary)) counts = WrappedForTerminal(counts, TerminalWidth(summary));
  std::fprintf(summary, "%s\n", counts.c_str());
  return ExitStatus(outcomes);
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
Result<std::vector<std::string>> PortsToServe(const ProbeOptions& options, const ProbeJob& job) {
  std::vector<std::string> ports;
  std::vector<std::string> devices;
  for (const std::string& given : options.ports) {
    Result<std::vector<std::string>> expanded = ExpandPortPattern(given);
    if (!expanded) return expanded.failure();
    for (std::string& port : *expanded) {
      std::string device = DeviceOf(port);
      if (std::find(devices.begin(), devices.end(), device) != devices.end()) continue;
      devices.push_back(std::move(device));
      ports.push_back(port);
    }
  }
  if (ports.size() > 1 && !job.whyOnePort.empty()) return Failure{job.whyOnePort, {}};
  if (ports.size() > 1 && options.trace) {
    return Failure{"--trace follows one probe; give one --port with it", {}};
  }
  return ports;
}

// A run whose results did not all reach standard output (a pipe closed early, a full disk)
// has failed, and says so where it can still be read.
int WithStandardOutputChecked(const std::string& command, int status, const CommandIo& io) {
  const bool flushed = std::fflush(io.out) == 0;
  const int error = errno;
  if (flushed && std::ferror(io.out) == 0) return status;
  std::fprintf(io.err, "kvxctl %s: the results could not all be written to standard output%s%s\n",
               command.c_str(), flushed ? "" : ": ", flushed ? "" : std::strerror(error));
  return status == kExitOk ? kExitFailure : status;
}

// Why the files the job names, and the report, cannot all be used as asked: two of them are
// one file. Takes them for the run.
Result<void> ClaimFiles(const ProbeOptions& options, const ProbeJob& job, RunFiles& files) {
  std::vector<NamedFile> named = job.files;
  named.push_back({"--report", options.reportPath});
  for (const NamedFile& file : named) {
    if (file.path.empty()) continue;
    if (Result<void> claimed = files.Claim(file.path, file.option); !claimed) return claimed;
  }
  return {};
}

}  // namespace

int RunProbeJob(const ProbeOptions& options, const ProbeJob& job, const CommandIo& io) {
  const auto refuse = [&](int status, const Failure& failure) {
    return ReportRefusal(io, job.command, options.json, status, failure.text);
  };
  const Result<std::vector<std::string>> ports = PortsToServe(options, job);
  if (!ports) return refuse(kExitUsage, ports.failure());
  RunFiles files;
  if (const Result<void> claimed = ClaimFiles(options, job, files); !claimed)
    return refuse(kExitUsage, claimed.failure());
  if (job.preflight) {
    if (const Result<void> ready = job.preflight(); !ready)
      return refuse(kExitFailure, ready.failure());
  }
  ProbeJob run = job;
  run.settings.runFiles = &files;
  run.settings.traceStream = io.err;
  ReportFile report;
  if (!options.reportPath.empty()) {
    if (const Result<void> opened = report.Open(options.reportPath); !opened)
      return refuse(kExitUsage, opened.failure());
  }
  const bool errorIsTerminal = os::IsTerminal(io.err);
  if (ports->size() > 1) {
    StopProbesOnSignals(errorIsTerminal ? StopNotice::kByCaller : StopNotice::kOwnLine);
  } else {
    StopProbesOnSignals(errorIsTerminal ? StopNotice::kOverTransient : StopNotice::kOwnLine);
  }
  const int status = ports->size() == 1 ? ServeOne(options, ports->front(), run, report, io)
                                        : ServeSeveral(options, *ports, run, report, io);
  return WithStandardOutputChecked(job.command, status, io);
}

}  // namespace kvx::cli
