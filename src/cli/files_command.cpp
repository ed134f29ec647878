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

struct FilesOptions {
  std::string directory;
  bool json = false;
};

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

void PrintText(const NewestFiles& files) {
  std::printf("Directory:         %s\n", files.directory.string().c_str());
  std::printf("Newest firmware:   %s (%u)\n", FormatVersion(files.firmware).c_str(),
              static_cast<unsigned>(files.firmware));
  std::printf("Newest logic:      %s (%u)\n", FormatVersion(files.logic).c_str(),
              static_cast<unsigned>(files.logic));
  std::printf("Firmware file:     %s\n", files.firmwarePath.string().c_str());
  std::printf("Logic file:        %s\n", files.logicPath.string().c_str());
  std::printf("Logic file (C):    %s\n", files.logicPathRevisionC.string().c_str());
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

void AddFilesCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<FilesOptions>();
  CLI::App* command =
      app.add_subcommand("files", "Show the newest update files and the paths an update would use");
  AddDirectoryOption(*command, options->directory);
  command->add_flag("--json", options->json, "Print the result as one JSON object");
  command->callback([options, &exitStatus] {
    const UpdateCatalogue catalogue(ChosenUpdateDirectory(options->directory));
    // A mistyped directory would otherwise look like one without update files.
    std::error_code error;
    const std::filesystem::path& folder = catalogue.Directory();
    if (!std::filesystem::is_directory(folder, error)) {
      exitStatus = ReportRefusal("files", options->json, kExitFailure,
                                 std::filesystem::exists(folder, error)
                                     ? folder.string() + " is not a directory"
                                     : "no such directory: " + folder.string());
      return;
    }
    // And one that cannot be read, like one that holds none.
    if (std::filesystem::directory_iterator(catalogue.Directory(), error); error) {
      exitStatus = ReportRefusal(
          "files", options->json, kExitFailure,
          "cannot read the directory " + catalogue.Directory().string() + ": " + error.message());
      return;
    }
    const NewestFiles files = FindNewestFiles(catalogue);
    if (options->json) {
      PrintJson(FilesJson(files));
    } else {
      PrintText(files);
    }
    exitStatus = kExitOk;
  });
}

}  // namespace kvx::cli
