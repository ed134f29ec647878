#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "os/system.h"

namespace kvx::cli {

namespace {

struct EraseOptions {
  ProbeOptions probe;
  bool yes = false;
};

}  // namespace

void AddEraseCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<EraseOptions>();
  CLI::App* command = app.add_subcommand(
      "erase", "Erase the probe's EPLD and all flash sectors (firmware and network setup)");
  AddProbeOptions(*command, options->probe);
  const std::string question = std::string("\"") + kEraseQuestionText + "\"";
  command->add_flag("-y,--yes", options->yes, "Answer " + question + " with Yes instead of asking");
  command->callback([options, question, &exitStatus] {
    // Without a terminal the question could only be answered No; a script that means to
    // erase says so, and one that forgot has made a usage error, found before the probe is
    // touched.
    if (!options->yes && !os::IsTerminal(stdin)) {
      exitStatus =
          ReportRefusal("erase", options->probe.json, kExitUsage,
                        "no terminal to ask " + question + "; give --yes to erase without asking");
      return;
    }
    ProbeJob job;
    if (!options->yes) {
      job.whyOnePort = "several probes cannot each be asked " + question +
                       " at one terminal; give --yes to erase them all without asking";
    }
    job.command = "erase";
    job.settings.updateDirectory = DefaultUpdateDirectory();
    job.settings.confirmation = options->yes ? Confirmation::kAssumeYes : Confirmation::kAsk;
    job.action = [](ProbeSession& session) { return session.Actions().OnErase(); };
    job.printText = [](const ProbeOutcome& outcome) { PrintIdentity(outcome); };
    exitStatus = RunProbeJob(options->probe, job);
  });
}

}  // namespace kvx::cli
