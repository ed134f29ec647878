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
#include "os/whole_file.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

constexpr char kSerialField[] = "{serial}";

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

// An output of one probe's read: its name, and the file that takes its place, begun before the
// first request so that a name it cannot take is found before the minute the read takes.
struct Output {
  std::string path;
  os::WholeFile file;
};

bool HasSerialField(const std::string& name) {
  return name.find(kSerialField) != std::string::npos;
}

// One part read into one file: what `read` returns, written whole, then proved.
template <typename Read>
bool ReadPart(ProbeSession& session, const char* part, Output& output, VersionNumber version,
              Read read) {
  std::string content;
  if (!read(content)) return false;
  if (const Result<void> written = output.file.Commit(content); !written) {
    session.Services().Explain("cannot write " + output.path + ": " + written.failure().text);
    return false;
  }
  session.Outcome().files.push_back(ProveFile(part, output.path, version, content));
  session.Outcome().files.back().done = true;
  return true;
}

bool ReadFirmware(ProbeSession& session, Output& output) {
  return ReadPart(session, "firmware", output, session.Actions().Identity().firmwareVersion,
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

bool ReadLogic(ProbeSession& session, Output& output) {
  return ReadPart(session, "logic", output, session.Actions().Identity().logicVersion,
                  [&session](std::string& content) {
                    LogicReading reading;
                    if (!ReadLogicDevice(session.Link(), session.Services(), reading)) return false;
                    content = FormatLogicJedec(reading);
                    return true;
                  });
}

// Takes `pattern` with this probe's serial number for `output` (the option that named it), and
// begins its file; false after saying why it cannot be written. A name without {serial} was
// taken for the run before any port opened; one made from a serial number is taken now, so
// two probes that report the same serial number cannot write one file.
bool BeginOutput(ProbeSession& session, const ReadRequest& options, const std::string& pattern,
                 const char* option, Output& output) {
  output.path = OutputName(pattern, session.Actions().Identity().serialNumber);
  Result<void> begun =
      output.path != pattern ? session.Files().Claim(output.path, option) : Result<void>();
  if (begun) begun = MayWriteOutput(output.path, options.force);
  if (begun) {
    begun = output.file.Begin(output.path, {options.force, false});
    if (!begun) begun = Failure{"cannot write " + output.path + ": " + begun.failure().text, {}};
  }
  if (!begun) session.Services().Explain(begun.failure().text);
  return begun.ok();
}

// The outputs of this probe, named and begun before anything is read; false after saying why.
bool BeginOutputs(ProbeSession& session, const ReadRequest& options, Output& firmware,
                  Output& logic) {
  const std::string& serialNumber = session.Actions().Identity().serialNumber;
  const bool named = HasSerialField(options.firmwareFile) || HasSerialField(options.logicFile);
  if (named && !FitsFileName(serialNumber)) {
    session.Services().Explain("the serial number " + ShownText(serialNumber) +
                               " cannot go into a file name");
    return false;
  }
  return (options.firmwareFile.empty() ||
          BeginOutput(session, options, options.firmwareFile, "--firmware", firmware)) &&
         (options.logicFile.empty() ||
          BeginOutput(session, options, options.logicFile, "--logic", logic));
}

// Whether the outputs named without {serial} can be written, found before any port opens.
Result<void> MayWriteFixedOutputs(const ReadRequest& options) {
  for (const std::string* name : {&options.firmwareFile, &options.logicFile}) {
    if (name->empty() || HasSerialField(*name)) continue;
    if (Result<void> writable = MayWriteOutput(*name, options.force); !writable) return writable;
  }
  return {};
}

ProbeJob ReadJob(const ReadRequest& options) {
  ProbeJob job;
  job.command = "read";
  job.settings.updateDirectory = DefaultUpdateDirectory();
  const auto separate = [](const std::string& name) {
    return name.empty() || HasSerialField(name);
  };
  if (!separate(options.firmwareFile) || !separate(options.logicFile)) {
    job.whyOnePort =
        "several probes would write the same files; put {serial} in each output name, such "
        "as --firmware 'fw-{serial}.srec'";
  }
  job.files = {{"--firmware", options.firmwareFile}, {"--logic", options.logicFile}};
  job.preflight = [options] { return MayWriteFixedOutputs(options); };
  job.action = [options](ProbeSession& session) {
    Output firmware;
    Output logic;
    if (!BeginOutputs(session, options, firmware, logic)) return false;
    return (options.firmwareFile.empty() || ReadFirmware(session, firmware)) &&
           (options.logicFile.empty() || ReadLogic(session, logic));
  };
  job.summarise = [](const ProbeOutcome& outcome) {
    std::string summary;
    for (const FileProof& file : outcome.files)
      summary += (summary.empty() ? "" : ", ") + file.path.string();
    return summary;
  };
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) {
    PrintIdentity(out, outcome);
    if (outcome.imageMarker)
      std::fprintf(out, "Image marker:      %s\n", MarkerStateName(*outcome.imageMarker));
    PrintFileProofs(out, outcome.files);
  };
  return job;
}

}  // namespace

// An empty name is refused as the options are read, so an empty one was not given.
int RunRead(const ReadRequest& request, const CommandIo& io) {
  if (request.firmwareFile.empty() && request.logicFile.empty()) {
    return ReportRefusal(io, "read", request.probe.json, kExitUsage,
                         "give --firmware FILE, --logic FILE or both");
  }
  return RunProbeJob(request.probe, ReadJob(request), io);
}

void AddReadCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto options = std::make_shared<ReadRequest>();
  CLI::App* command = app.add_subcommand(
      "read", "Read the probe's firmware and logic back into files that update programs back");
  AddProbeOptions(*command, options->probe);
  command
      ->add_option(
          "--firmware", options->firmwareFile,
          "Write the firmware area to this file as S-records, the image marker's state in its "
          "header, so that update programs a copy in that state; {serial} stands for the probe's "
          "serial number")
      ->check(NamesA("file"));
  command
      ->add_option(
          "--logic", options->logicFile,
          "Write the logic device's fuses and signature to this file as JEDEC; {serial} as above")
      ->check(NamesA("file"));
  command->add_flag("--force", options->force, "Replace output files that exist");
  command->callback([options, &io, &exitStatus] { exitStatus = RunRead(*options, io); });
}

}  // namespace kvx::cli
