#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/update_plan.h"
#include "cli/command_report.h"
#include "loader/version_text.h"

namespace kvx::cli {

namespace {

// The newest numbers as the dialog finds them, and the files an update would read: the
// logic number is always KVXLOG70's, also for the KVXLOG71 file.
struct NewestFiles {
  std::filesystem::path directory;
  VersionNumber firmware = 0;
  VersionNumber logic = 0;
  std::filesystem::path firmwarePath;
  std::filesystem::path logicPath;
  std::filesystem::path logicPathRevisionC;
};

NewestFiles FindNewestFiles(const UpdateCatalogue& catalogue) {
  NewestFiles files;
  files.directory = catalogue.Directory();
  const NewestNumbers newest = FindNewestNumbers(catalogue);
  files.firmware = newest.firmware;
  files.logic = newest.logic;
  files.firmwarePath = catalogue.UpdateFilePath(kFirmwareBaseName, files.firmware);
  files.logicPath = catalogue.UpdateFilePath(kLogicBaseName, files.logic);
  files.logicPathRevisionC = catalogue.UpdateFilePath(kLogicBaseNameRevisionC, files.logic);
  return files;
}

void PrintText(std::FILE* out, const NewestFiles& files) {
  std::fprintf(out, "Directory:         %s\n", files.directory.string().c_str());
  std::fprintf(out, "Newest firmware:   %s (%u)\n", FormatVersion(files.firmware).c_str(),
               static_cast<unsigned>(files.firmware));
  std::fprintf(out, "Newest logic:      %s (%u)\n", FormatVersion(files.logic).c_str(),
               static_cast<unsigned>(files.logic));
  std::fprintf(out, "Firmware file:     %s\n", files.firmwarePath.string().c_str());
  std::fprintf(out, "Logic file:        %s\n", files.logicPath.string().c_str());
  std::fprintf(out, "Logic file (C):    %s\n", files.logicPathRevisionC.string().c_str());
}

nlohmann::json FilesJson(const NewestFiles& files) {
  return {
      {"directory", files.directory.string()},
      {"firmware",
       {{"version", FormatVersion(files.firmware)},
        {"number", files.firmware},
        {"path", files.firmwarePath.string()}}},
      {"logic",
       {{"version", FormatVersion(files.logic)},
        {"number", files.logic},
        {"path", files.logicPath.string()},
        {"pathRevisionC", files.logicPathRevisionC.string()}}},
  };
}

}  // namespace

int RunFilesCommand(const FilesRequest& request, const CommandIo& io) {
  const UpdateCatalogue catalogue(ChosenUpdateDirectory(request.directory));
  // A mistyped directory would otherwise look like one without update files.
  std::error_code error;
  const std::filesystem::path& folder = catalogue.Directory();
  if (!std::filesystem::is_directory(folder, error)) {
    return ReportRefusal(io, "files", request.json, kExitFailure,
                         std::filesystem::exists(folder, error)
                             ? folder.string() + " is not a directory"
                             : "no such directory: " + folder.string());
  }
  // And one that cannot be read, like one that holds none.
  if (std::filesystem::directory_iterator(catalogue.Directory(), error); error) {
    return ReportRefusal(
        io, "files", request.json, kExitFailure,
        "cannot read the directory " + catalogue.Directory().string() + ": " + error.message());
  }
  const NewestFiles files = FindNewestFiles(catalogue);
  if (request.json) {
    PrintJson(io.out, FilesJson(files));
  } else {
    PrintText(io.out, files);
  }
  return kExitOk;
}

void AddFilesCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto request = std::make_shared<FilesRequest>();
  CLI::App* command =
      app.add_subcommand("files", "Show the newest update files and the paths an update would use");
  AddDirectoryOption(*command, request->directory);
  command->add_flag("--json", request->json, "Print the result as one JSON object");
  command->callback([request, &io, &exitStatus] { exitStatus = RunFilesCommand(*request, io); });
}

}  // namespace kvx::cli
