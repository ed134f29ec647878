// Works kvxsetup.exe as a user would, through the window system's messages, and prints what it
// saw, one "name: value" line each, for the test that runs it under wine to check. Stops with
// exit status 1 and the reason on standard error when a window does not come as expected.
//
//   kvxsetup_driver KVXSETUP.EXE FOLDER COM-NUMBER
//
// FOLDER gets a sub-folder with a non-ASCII name holding a copy of FOLDER\start.gdb, which the
// first run of the window opens from its command line; the second run starts without one.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "app/frame_commands.h"
#include "app/update_setup_template.h"
#include "app/win32/wide_text.h"
#include "ui/dialog_services.h"

namespace {

using kvx::CommandId;

constexpr wchar_t kFrameClass[] = L"kvxsetupFrame";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kUnicodeFolder[] = L"Pr\u00fcfung \u03a9";

std::string Utf8(const std::wstring& wide) {
  return kvx::ToUtf8(wide);
}

std::wstring Wide(const std::string& text) {
  return kvx::ToWide(text);
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "kvxsetup_driver: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

void Report(const std::string& name, const std::string& value) {
  std::printf("%s: %s\n", name.c_str(), value.c_str());
  std::fflush(stdout);
}

// Waits until `condition` holds; the driver stops with `what` when a minute was not enough.
void Eventually(const std::function<bool()>& condition, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) Fail("gave up waiting for " + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A window's text as the window gives it (an edit's own buffer included), across processes.
std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &ignored);
  return text;
}

// A dialog is shown once it has set up its controls.
HWND WaitForWindow(const wchar_t* windowClass, const std::wstring& title) {
  HWND found = nullptr;
  Eventually(
      [&] {
        found = ::FindWindowW(windowClass, title.c_str());
        return found != nullptr && ::IsWindowVisible(found);
      },
      "the window \"" + Utf8(title) + "\"");
  return found;
}

void WaitUntilGone(const wchar_t* windowClass, const std::wstring& title) {
  Eventually([&] { return ::FindWindowW(windowClass, title.c_str()) == nullptr; },
             "\"" + Utf8(title) + "\" to close");
}

void PostCommand(HWND window, int id) {
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

class Window {
 public:
  Window(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process_)) {
      Fail("cannot start " + Utf8(commandLine));
    }
  }
  ~Window() {
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }

  HWND Frame(const std::wstring& title) const { return WaitForWindow(kFrameClass, title); }
  DWORD Thread() const { return process_.dwThreadId; }
  void WaitForExit() const {
    if (::WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) Fail("kvxsetup lives on");
  }

 private:
  PROCESS_INFORMATION process_{};
};

// The dialog's status line, after an action that ends with one of the two texts.
std::string WaitForStatus(HWND dialog, const std::string& passed, const std::string& failed) {
  std::wstring status;
  Eventually(
      [&] {
        status = TextOf(::GetDlgItem(dialog, kvx::kStatusLineId));
        return status == Wide(passed) || status == Wide(failed);
      },
      "\"" + passed + "\"");
  return Utf8(status);
}

void ReportControl(HWND dialog, const std::string& name, int id) {
  Report(name, Utf8(TextOf(::GetDlgItem(dialog, id))));
}

void ReportStatusBar(HWND frame, const std::string& name) {
  Report(name, Utf8(TextOf(::FindWindowExW(frame, nullptr, STATUSCLASSNAMEW, nullptr))));
}

int FocusedControl(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(thread, &info);
  return ::GetDlgCtrlID(info.hwndFocus);
}

// The control that has the focus, then the ones Tab moves it to, once round.
void ReportTabOrder(HWND dialog, DWORD thread) {
  const int first = FocusedControl(thread);
  Report("focus", std::to_string(first));
  std::string order = std::to_string(first);
  for (int next = 0; next != first && order.size() < 1000;) {
    ::SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
    next = FocusedControl(thread);
    order += " " + std::to_string(next);
  }
  Report("tab order", order);
}

// The message box the window shows now: its text, then the answer given.
void AnswerMessageBox(int answer) {
  const HWND box = WaitForWindow(kDialogClass, Wide(kvx::kApplicationTitle));
  std::wstring text;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t childClass[32] = {};
    ::GetClassNameW(child, childClass, 32);
    if (std::wstring(childClass) == L"Static" && !TextOf(child).empty()) text = TextOf(child);
  }
  Report("message", Utf8(text));
  PostCommand(box, answer);
  WaitUntilGone(kDialogClass, Wide(kvx::kApplicationTitle));
}

HWND OpenSetup(HWND frame) {
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kSetup), 0);
  return WaitForWindow(kDialogClass, Wide(kvx::kUpdateSetupCaption));
}

void SetEdit(HWND dialog, int id, const wchar_t* text) {
  ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Open, the frame's bars, the dialog's actions on the probe, Ok, and Exit saving the changes.
void FirstRun(const std::wstring& program, const std::wstring& document, int comNumber) {
  const Window window(L"\"" + program + L"\" \"" + document + L"\"");
  const std::wstring title = document.substr(document.find_last_of(L'\\') + 1) + L" - kvxGDB";
  const HWND frame = window.Frame(title);
  Report("title", Utf8(title));
  const HWND toolBar = ::FindWindowExW(frame, nullptr, TOOLBARCLASSNAMEW, nullptr);
  const HWND statusBar = ::FindWindowExW(frame, nullptr, STATUSCLASSNAMEW, nullptr);
  Report("toolbar entries", std::to_string(::SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0)));
  Report("status panes", std::to_string(::SendMessageW(statusBar, SB_GETPARTS, 0, 0)));
  ReportStatusBar(frame, "idle status");
  ::SendMessageW(frame, WM_MENUSELECT, MAKEWPARAM(static_cast<int>(CommandId::kSetup), MF_STRING),
                 reinterpret_cast<LPARAM>(::GetMenu(frame)));
  ReportStatusBar(frame, "setup prompt");
  ::SendMessageW(frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  // Context help, then the Setup button: what it does, not the dialog.
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kContextHelp), 0);
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kSetup), 0);
  AnswerMessageBox(IDOK);

  const HWND dialog = OpenSetup(frame);
  ReportTabOrder(dialog, window.Thread());
  ::SendMessageW(::GetDlgItem(dialog, kvx::kPortListId), CB_SETCURSEL,
                 static_cast<WPARAM>(comNumber - 1), 0);
  ::SendMessageW(::GetDlgItem(dialog, kvx::kSpeedListId), CB_SETCURSEL, 4, 0);

  PostCommand(dialog, kvx::kConnectButtonId);
  Report("connect", WaitForStatus(dialog, "Connecting to KVX Loader passed!",
                                  "Connecting to KVX loader failed!"));
  ReportControl(dialog, "serial number", kvx::kSerialNumberId);
  ReportControl(dialog, "loader", kvx::kLoaderVersionId);
  ReportControl(dialog, "firmware", kvx::kCurrentFirmwareId);
  ReportControl(dialog, "newest firmware", kvx::kNewestFirmwareId);
  ReportControl(dialog, "logic", kvx::kCurrentLogicId);
  ReportControl(dialog, "newest logic", kvx::kNewestLogicId);

  PostCommand(dialog, kvx::kUpdateButtonId);
  Report("update", WaitForStatus(dialog, "Updating firmware and logic passed!",
                                 "Updating firmware and logic failed!"));
  ReportControl(dialog, "updated firmware", kvx::kCurrentFirmwareId);

  SetEdit(dialog, kvx::kProbeIpEditId, L"192.168.7.70");
  SetEdit(dialog, kvx::kSubnetMaskEditId, L"255.255.255.0");
  SetEdit(dialog, kvx::kGatewayEditId, L"192.168.7.1");
  SetEdit(dialog, kvx::kHostIpEditId, L"192.168.7.2");
  SetEdit(dialog, kvx::kConfigFileEditId, L"probe.cfg");
  PostCommand(dialog, kvx::kTransmitButtonId);
  Report("transmit",
         WaitForStatus(dialog, "Writing setup data passed", "Writing setup data failed!"));

  PostCommand(dialog, kvx::kEraseButtonId);
  AnswerMessageBox(IDNO);
  ReportControl(dialog, "after erase declined", kvx::kStatusLineId);

  PostCommand(dialog, IDOK);
  WaitUntilGone(kDialogClass, Wide(kvx::kUpdateSetupCaption));
  ::SetWindowPos(frame, nullptr, 123, 77, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  AnswerMessageBox(IDYES);
  window.WaitForExit();
}

// The most recent document comes back, saved, at the window's last place.
void SecondRun(const std::wstring& program, const std::wstring& document) {
  const Window window(L"\"" + program + L"\"");
  const HWND frame = window.Frame(document.substr(document.find_last_of(L'\\') + 1) + L" - kvxGDB");
  RECT rect{};
  ::GetWindowRect(frame, &rect);
  Report("reopened at", std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
                            std::to_string(rect.right - rect.left) + "x" +
                            std::to_string(rect.bottom - rect.top));
  const HWND dialog = OpenSetup(frame);
  ReportControl(dialog, "reopened probe address", kvx::kProbeIpEditId);
  ReportControl(dialog, "reopened configuration file", kvx::kConfigFileEditId);
  Report("reopened port",
         std::to_string(::SendMessageW(::GetDlgItem(dialog, kvx::kPortListId), CB_GETCURSEL, 0, 0) +
                        1));
  PostCommand(dialog, IDCANCEL);
  WaitUntilGone(kDialogClass, Wide(kvx::kUpdateSetupCaption));
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  window.WaitForExit();
}

// "File1" of the recent-file list in the profile under %APPDATA%.
std::wstring ProfilePath() {
  wchar_t appData[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
  return std::wstring(appData) + L"\\kvxsetup\\kvxsetup.ini";
}

std::wstring MostRecentFile() {
  wchar_t file[MAX_PATH] = {};
  ::GetPrivateProfileStringW(L"Recent File List", L"File1", L"", file, MAX_PATH,
                             ProfilePath().c_str());
  return file;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end as the test reads them
  if (argc != 4) Fail("usage: kvxsetup_driver KVXSETUP.EXE FOLDER COM-NUMBER");
  const std::wstring program = argv[1];
  const std::wstring folder = std::wstring(argv[2]) + L'\\' + kUnicodeFolder;
  const std::wstring document = folder + L"\\probe.gdb";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  if (!::CopyFileW((std::wstring(argv[2]) + L"\\start.gdb").c_str(), document.c_str(), FALSE)) {
    Fail("cannot copy the document");
  }
  // A start without the profile of an earlier run.
  ::DeleteFileW(ProfilePath().c_str());

  FirstRun(program, document, _wtoi(argv[3]));
  Report("recent file is the document", MostRecentFile() == document ? "yes" : "no");
  SecondRun(program, document);
  return 0;
}
