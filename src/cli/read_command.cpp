#include "cli/commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command_report.h"
#include "cli/output_file.h"
#include "cli/probe_action.h"
#include "images/probe_readback.h"
#include "loader/command_exchange.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

constexpr char kSerialField[] = "{serial}";

struct ReadOptions {
  ProbeOptions probe;
  std::string firmwareFile;
  std::string logicFile;
  bool force = false;
};

// A serial number goes into a file name only when it cannot lead anywhere else: a probe
// that reports "../x" must not write outside the folder named.
bool FitsFileName(const std::string& serialNumber) {
  return !serialNumber.empty() && std::all_of(serialNumber.begin(), serialNumber.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
  });
}

// `pattern` with every {serial} replaced by the probe's serial number.
std::string OutputName(std::string pattern, const std::string& serialNumber) {
  for (std::size_t at = pattern.find(kSerialField); at != std::string::npos;
       at = pattern.find(kSerialField, at + serialNumber.size())) {
    pattern.replace(at, sizeof kSerialField - 1, serialNumber);
  }
  return pattern;
}

// One part read into one file: what `read` returns, written whole, then proved.
template <typename Read>
bool ReadPart(ProbeSession& session, const char* part, const std::string& path,
              VersionNumber version, Read read) {
  std::string content;
  if (!read(content)) return false;
  if (const std::string problem = WriteFileWhole(path, content); !problem.empty()) {
    session.Services().Explain(problem);
    return false;
  }
  session.Outcome().files.push_back(ProveFile(part, path, version, content));
  session.Outcome().files.back().done = true;
  return true;
}

bool ReadFirmware(ProbeSession& session, const std::string& path) {
  return ReadPart(session, "firmware", path, session.Actions().Identity().firmwareVersion,
                  [&session](std::string& content) {
                    FirmwareReading reading;
                    if (ReadFirmwareArea(session.Link(), session.Services(), reading) != kOk) {
                      session.Services().Explain("reading the firmware area: " +
                                                 DescribeExchangeFailure(session.Link()));
                      return false;
                    }
                    session.Outcome().imageMarker = reading.MarkerState();
                    content = FormatFirmwareSRecords(reading);
                    return true;
                  });
}

bool ReadLogic(ProbeSession& session, const std::string& path) {
  return ReadPart(session, "logic", path, session.Actions().Identity().logicVersion,
                  [&session](std::string& content) {
                    LogicReading reading;
                    if (!ReadLogicDevice(session.Link(), session.Services(), reading)) return false;
                    content = FormatLogicJedec(reading);
                    return true;
                  });
}

// The output names for this probe, checked before anything is read; false after saying why.
bool ChooseOutputs(ProbeSession& session, const ReadOptions& options, std::string& firmware,
                   std::string& logic) {
  const std::string& serialNumber = session.Actions().Identity().serialNumber;
  const bool named =
      (options.firmwareFile + options.logicFile).find(kSerialField) != std::string::npos;
  if (named && !FitsFileName(serialNumber)) {
    session.Services().Explain("the serial number " + ShownText(serialNumber) +
                               " cannot go into a file name");
    return false;
  }
  firmware = OutputName(options.firmwareFile, serialNumber);
  logic = OutputName(options.logicFile, serialNumber);
  if (!firmware.empty() && firmware == logic) {
    session.Services().Explain("--firmware and --logic name the same file " + firmware);
    return false;
  }
  for (const std::string* path : {&firmware, &logic}) {
    if (path->empty()) continue;
    if (const std::string problem = OutputFileProblem(*path, options.force); !problem.empty()) {
      session.Services().Explain(problem);
      return false;
    }
  }
  return true;
}

ProbeJob ReadJob(const ReadOptions& options) {
  ProbeJob job;
  job.command = "read";
  job.settings.updateDirectory = DefaultUpdateDirectory();
  const auto separate = [](const std::string& name) {
    return name.empty() || name.find(kSerialField) != std::string::npos;
  };
  if (!separate(options.firmwareFile) || !separate(options.logicFile)) {
    job.whyOnePort =
        "several probes would write the same files; put {serial} in each output name, such "
        "as --firmware 'fw-{serial}.srec'";
  }
  job.action = [options](ProbeSession& session) {
    std::string firmware;
    std::string logic;
    if (!ChooseOutputs(session, options, firmware, logic)) return false;
    return (firmware.empty() || ReadFirmware(session, firmware)) &&
           (logic.empty() || ReadLogic(session, logic));
  };
  job.summarise = [](const ProbeOutcome& outcome) {
    std::string summary;
    for (const FileProof& file : outcome.files)
      summary += (summary.empty() ? "" : ", ") + file.path.string();
    return summary;
  };
  job.printText = [](const ProbeOutcome& outcome) {
    PrintIdentity(outcome);
    if (outcome.imageMarker)
      std::printf("Image marker:      %s\n", MarkerStateName(*outcome.imageMarker));
    PrintFileProofs(outcome.files);
  };
  return job;
}

}  // namespace

void AddReadCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ReadOptions>();
  CLI::App* command = app.add_subcommand(
      "read", "Read the probe's firmware and logic back into files that update programs back");
  AddProbeOptions(*command, options->probe);
  CLI::Option* firmware = command->add_option(
      "--firmware", options->firmwareFile,
      "Write the firmware area to this file as S-records, the image marker's state in its "
      "header, so that update programs a copy in that state; {serial} stands for the probe's "
      "serial number");
  CLI::Option* logic = command->add_option(
      "--logic", options->logicFile,
      "Write the logic device's fuses and signature to this file as JEDEC; {serial} as above");
  command->add_flag("--force", options->force, "Replace output files that exist");
  command->callback([options, firmware, logic, &exitStatus] {
    if (firmware->empty() && logic->empty()) {
      exitStatus = ReportRefusal("read", options->probe.json, kExitUsage,
                                 "give --firmware FILE, --logic FILE or both");
      return;
    }
    exitStatus = RunProbeJob(options->probe, ReadJob(*options));
  });
}

}  // namespace kvx::cli
