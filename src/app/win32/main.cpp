// windows.h first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/document_commands.h"
#include "app/fast_update.h"
#include "app/kvxhs_doc.h"
#include "app/probe_station.h"
#include "app/profile.h"
#include "app/recent_file_list.h"
#include "app/update_folder.h"
#include "app/win32/main_frame.h"
#include "app/win32/update_setup_dialog.h"
#include "app/win32/user_dialogs.h"
#include "app/win32/wide_text.h"
#include "os/profile.h"

namespace {

// The command line as the shell split it, in UTF-8, whatever the system's code page.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int index = 0; index < count; ++index) arguments.push_back(kvx::ToUtf8(wide[index]));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // The folder dialog is a shell object.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  kvx::Profile profile(kvx::os::ProfileFilePath());
  kvx::UpdateFolder updateFolder(profile);
  kvx::FastUpdate fastUpdate(profile);
  kvx::ProbeStation station(
      kvx::ConfiguredPorts(profile), [&updateFolder] { return updateFolder.Path(); },
      [&fastUpdate] { return fastUpdate.WriteMode(); }, kvx::win32::HandleWindowEvents);
  const kvx::UserDialogs dialogs =
      kvx::win32::StandardUserDialogs([&station](const kvx::DialogFields& fields) {
        return kvx::win32::RunUpdateSetupDialog(station, fields, kvx::win32::DialogOwner());
      });
  kvx::RecentFileList recentFiles(profile);
  kvx::CKvxhsDoc document(dialogs.showMessage);
  kvx::DocumentCommands commands(document, recentFiles, updateFolder, fastUpdate, dialogs);
  if (!commands.OpenStartupDocument(kvx::CommandLineDocument(Arguments()))) return 1;

  kvx::win32::CMainFrame frame(document, commands, recentFiles, profile);
  if (!frame.Create(showCommand)) return 1;
  const int status = frame.Run();
  ::CoUninitialize();
  return status;
}
