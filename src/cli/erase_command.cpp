#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "os/system.h"
#include "ui/messages.h"

namespace kvx::cli {

namespace {

std::string EraseQuestion() {
  return std::string("\"") + kEraseQuestionText + "\"";
}

}  // namespace

int RunErase(const EraseRequest& request, const CommandIo& io) {
  const std::string question = EraseQuestion();
  // Without a terminal the question could only be answered No; a script that means to erase
  // says so, and one that forgot has made a usage error, found before the probe is touched.
  if (!request.yes && !os::IsTerminal(io.in)) {
    return ReportRefusal(io, "erase", request.probe.json, kExitUsage,
                         "no terminal to ask " + question + "; give --yes to erase without asking");
  }
  ProbeJob job;
  if (!request.yes) {
    job.whyOnePort = "several probes cannot each be asked " + question +
                     " at one terminal; give --yes to erase them all without asking";
  }
  job.command = "erase";
  job.settings.updateDirectory = DefaultUpdateDirectory();
  job.settings.confirmation = request.yes ? Confirmation::kAssumeYes : Confirmation::kAsk;
  job.action = [](ProbeSession& session) { return session.Actions().OnErase(); };
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) { PrintIdentity(out, outcome); };
  return RunProbeJob(request.probe, job, io);
}

void AddEraseCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto request = std::make_shared<EraseRequest>();
  CLI::App* command = app.add_subcommand(
      "erase", "Erase the probe's EPLD and all flash sectors (firmware and network setup)");
  AddProbeOptions(*command, request->probe);
  command->add_flag("-y,--yes", request->yes,
                    "Answer " + EraseQuestion() + " with Yes instead of asking");
  command->callback([request, &io, &exitStatus] { exitStatus = RunErase(*request, io); });
}

}  // namespace kvx::cli
