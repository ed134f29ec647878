#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/update_preview.h"
#include "images/text_file.h"

namespace kvx::cli {

namespace {

// What the update programs: the files named, or without any the catalogue's newest.
struct UpdateChoice {
  NamedUpdateFiles named;
  FirmwareWriteMode mode;
};

UpdatePlan PlanFor(const ProbeSession& session, const UpdateChoice& choice) {
  UpdatePlan plan =
      choice.named.Any() ? PlanNamedUpdate(choice.named) : session.Actions().PlanUpdate();
  plan.firmware.mode = choice.mode;
  return plan;
}

// A kind of update file that is missing is not due, so the window offers no update that can
// only fail; on the command line, where the folder is typed, a folder without any is most
// likely the wrong one, and a missing kind is worth a line. True when there is something to
// update with.
bool FoundUpdateFiles(ProbeSession& session, const UpdateChoice& choice) {
  if (choice.named.Any()) return true;
  const NewestNumbers& newest = session.Actions().Newest();
  const std::string folder = session.UpdateDirectory().string();
  if (newest.firmware == 0 && newest.logic == 0) {
    session.Services().Explain(folder + " holds no update files (" + kFirmwareBaseName + ".nnn, " +
                               kLogicBaseName + ".nnn): nothing to update with");
    return false;
  }
  if (newest.firmware == 0) {
    session.Services().Note("no " + std::string(kFirmwareBaseName) + " update file in " + folder +
                            ": the firmware is left as it is");
  }
  if (newest.logic == 0) {
    session.Services().Note("no " + std::string(kLogicBaseName) + " update file in " + folder +
                            ": the logic is left as it is");
  }
  return true;
}

// The files the plan used, proved by the bytes that were checked and sent, not by another read
// of a file that may have changed or gone since.
std::vector<FileProof> ProveFiles(const UpdatePlan& plan, const ProbeChanges& changes) {
  std::vector<FileProof> files;
  if (plan.firmware.due && plan.firmware.image.opened) {
    files.push_back(ProveFile("firmware", plan.firmware.path, plan.firmware.version,
                              plan.firmware.image.content));
    files.back().done = changes.firmware == PartChange::kWritten;
  }
  if (plan.logic.due && plan.logic.file.opened) {
    files.push_back(
        ProveFile("logic", plan.logic.path, plan.logic.version, plan.logic.file.content));
    files.back().done = changes.logic == PartChange::kWritten;
  }
  return files;
}

ProbeJob UpdateJob(const UpdateChoice& choice) {
  ProbeJob job;
  job.action = [choice](ProbeSession& session) {
    if (!FoundUpdateFiles(session, choice)) return false;
    const UpdatePlan plan = PlanFor(session, choice);
    const bool passed = session.Actions().RunUpdate(plan);
    ProbeOutcome& outcome = session.Outcome();
    outcome.files = ProveFiles(plan, session.Actions().Changes());
    outcome.alreadyUpToDate = passed && !plan.firmware.due && !plan.logic.due;
    return passed;
  };
  job.summarise = [](const ProbeOutcome& outcome) {
    const std::string versions = VersionsSummary(outcome, false);
    return outcome.alreadyUpToDate ? kAlreadyUpToDate + (", " + versions) : versions;
  };
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) {
    PrintIdentity(out, outcome);
    PrintFileProofs(out, outcome.files);
    if (outcome.alreadyUpToDate) std::fprintf(out, "Update:            %s\n", kAlreadyUpToDate);
    std::fprintf(out, "Transfer:          %llu bytes at %.0f bytes/s\n",
                 static_cast<unsigned long long>(outcome.bytesExchanged), outcome.bytesPerSecond);
  };
  return job;
}

ProbeJob DryRunJob(const UpdateChoice& choice) {
  ProbeJob job;
  job.action = [choice](ProbeSession& session) {
    if (!FoundUpdateFiles(session, choice)) return false;
    const auto plan = std::make_shared<const UpdatePlan>(PlanFor(session, choice));
    session.Outcome().preview = plan;
    session.Outcome().reason = plan->NothingSentReason();
    return plan->Passes();
  };
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) {
    if (outcome.preview) PrintPreview(out, *outcome.preview, outcome.baudRate);
  };
  return job;
}

// Why a file named to be programmed cannot be read, found before any port opens: it is
// missing, closed to the user, or no regular file. Whether it is a good image is the plan's.
Result<void> NamedFilesReadable(const NamedUpdateFiles& named) {
  for (const std::filesystem::path* path : {&named.firmware, &named.logic}) {
    if (path->empty()) continue;
    if (const Result<RegularFile> file = OpenRegularFile(*path); !file)
      return Failure{path->string() + " " + file.failure().text, {}};
  }
  return {};
}

}  // namespace

int RunUpdate(const UpdateRequest& request, const CommandIo& io) {
  const UpdateChoice choice{{request.firmwareFile, request.logicFile}, request.mode};
  ProbeJob job = request.dryRun ? DryRunJob(choice) : UpdateJob(choice);
  job.command = "update";
  job.files = {{"--firmware", request.firmwareFile}, {"--logic", request.logicFile}};
  job.preflight = [named = choice.named] { return NamedFilesReadable(named); };
  job.settings.updateDirectory = ChosenUpdateDirectory(request.directory);
  return RunProbeJob(request.probe, job, io);
}

void AddUpdateCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto options = std::make_shared<UpdateRequest>();
  CLI::App* command = app.add_subcommand(
      "update",
      "Program the newest firmware and logic files into the probe where they differ, or "
      "exactly the files named");
  AddProbeOptions(*command, options->probe);
  AddDirectoryOption(*command, options->directory);
  CLI::Option* firmware =
      command->add_option("--firmware", options->firmwareFile,
                          "Program this firmware file (S-records), whatever its name or "
                          "version; without --logic the logic is left as it is");
  CLI::Option* logic = command->add_option(
      "--logic", options->logicFile,
      "Program this logic file (JEDEC), whatever its name or version; without --firmware "
      "the firmware is left as it is");
  for (CLI::Option* named : {firmware, logic}) named->excludes("--dir")->check(NamesA("file"));
  command->add_flag("--dry-run", options->dryRun,
                    "Check both files and show what would be erased and programmed, changing "
                    "nothing");
  command->add_flag("--fast,!--record-by-record", options->mode.joined,
                    "Program records that continue each other in shared requests of up to " +
                        std::to_string(kMaxJoinedProgramBytes) +
                        " bytes (the default); --record-by-record sends one request a record, as "
                        "the window does");
  command->add_flag("--verify,!--no-verify", options->mode.verify,
                    "Read the programmed firmware back and write the image marker only if it "
                    "matches, then read the marker back (the default); --no-verify leaves the "
                    "read-back out, as the window does");
  command->callback([options, &io, &exitStatus] { exitStatus = RunUpdate(*options, io); });
}

}  // namespace kvx::cli
