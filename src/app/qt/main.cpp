#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/fast_update.h"
#include "app/probe_station.h"
#include "app/profile.h"
#include "app/qt/kvx_application.h"
#include "app/qt/update_setup_dialog.h"
#include "app/qt/user_dialogs.h"
#include "app/update_folder.h"
#include "com_port_rule.h"
#include "os/profile.h"
#include "program_version.h"

namespace {

constexpr char kUsageStart[] =
    "Usage: kvxsetup [FILE.gdb]\n"
    "The KVX7000 update and setup window. Opens FILE.gdb, else the document used last, else a\n"
    "new one. Everything after the program's name is one path, spaces included.\n"
    "\n"
    "  -h, --help  print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "Environment:\n";
constexpr char kUsageEnd[] =
    "  KVXSETUP_UPDATE_DIR  where the update files are; else the folder chosen with Setup >\n"
    "                       Update Files Folder..., else the program's own directory\n"
    "\n"
    "A document literally named --help is opened as ./--help.\n";

// The COMn rule beside its variable's name, each line under the one before.
std::string Usage() {
  const std::string indent(23, ' ');
  std::string rule = kComPortRule;  // every line ends in a newline
  for (std::size_t at = rule.find('\n'); at + 1 < rule.size(); at = rule.find('\n', at + 1)) {
    rule.insert(at + 1, indent);
  }
  return kUsageStart + ("  KVXSETUP_COMn        " + rule) + kUsageEnd;
}

// --help and --version answer without a window, so they work where there is no display.
bool AnswersOption(const char* argument) {
  if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
    std::fputs(Usage().c_str(), stdout);
    return true;
  }
  if (std::strcmp(argument, "--version") == 0) {
    std::puts(kvx::VersionText("kvxsetup").c_str());
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && AnswersOption(argv[1])) return 0;
  QApplication application(argc, argv);
  kvx::Profile profile(kvx::os::ProfileFilePath());
  kvx::UpdateFolder updateFolder(profile);
  kvx::FastUpdate fastUpdate(profile);
  kvx::ProbeStation station(
      kvx::ConfiguredPorts(profile), [&updateFolder] { return updateFolder.Path(); },
      [&fastUpdate] { return fastUpdate.WriteMode(); }, kvx::qt::HandleWindowEvents);
  kvx::qt::KvxApplication kvxApplication(
      profile, updateFolder,
      kvx::qt::StandardUserDialogs([&station](const kvx::DialogFields& fields) {
        return kvx::qt::RunUpdateSetupDialog(station, fields);
      }));
  if (!kvxApplication.InitInstance(QApplication::arguments())) return 1;
  return QApplication::exec();
}
