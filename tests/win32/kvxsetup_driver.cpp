// Works kvxsetup.exe as a user would, through the window system's messages and through keys and
// pointer moves sent under X (xdotool, which wine runs as the Linux program it is), and prints
// what it saw, one "name: value" line each, for the test that runs it under wine to check.
// Stops with exit status 1 and the reason on standard error when a window does not come as
// expected.
//
//   kvxsetup_driver KVXSETUP.EXE FOLDER COM-NUMBER
//
// FOLDER gets a sub-folder with a non-ASCII name holding a copy of FOLDER\start.gdb, which the
// first run of the window opens from its command line; the second run starts without one and
// prints on a printer whose port is FOLDER\printed.ps; the third runs a copy of the program
// whose toolbar pictures are damaged.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <winspool.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_commands.h"
#include "app/update_setup_template.h"
#include "app/win32/wide_text.h"
#include "ui/dialog_services.h"

namespace {

using kvx::CommandId;

constexpr wchar_t kFrameClass[] = L"kvxsetupFrame";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kUnicodeFolder[] = L"Pr\u00fcfung \u03a9";
constexpr wchar_t kPrinter[] = L"kvxsetup test printer";
constexpr wchar_t kPrinterDriver[] = L"Wine PostScript Driver";

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

// Runs xdotool with `arguments` and waits for it: keys and pointer moves as a person makes them.
void Xdotool(const std::string& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring line = L"/usr/bin/xdotool " + Wide(arguments);
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    Fail("cannot run xdotool " + arguments);
  }
  ::WaitForSingleObject(process.hProcess, 30000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // The keys reach the window through the X server and wine's queue.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// X gives the keyboard to the window under the pointer.
void PointAt(HWND window, int x, int y) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  Xdotool("mousemove " + std::to_string(rect.left + x) + " " + std::to_string(rect.top + y));
}

void TypeKeys(HWND window, const std::string& keys) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  PointAt(window, (rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2);
  Xdotool("key --delay 80 " + keys);
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
  DWORD WaitForExit() const {
    if (::WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) Fail("kvxsetup lives on");
    DWORD status = 0;
    ::GetExitCodeProcess(process_.hProcess, &status);
    return status;
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

HWND StatusBarOf(HWND frame) {
  return ::FindWindowExW(frame, nullptr, STATUSCLASSNAMEW, nullptr);
}

void ReportStatusBar(HWND frame, const std::string& name) {
  Report(name, Utf8(TextOf(StatusBarOf(frame))));
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

// The message box the window shows now under `caption`: the text it shows, what it keeps behind
// its expander if anything, then the answer given.
void AnswerMessageBox(int answer, const std::wstring& caption = Wide(kvx::kApplicationTitle)) {
  const HWND box = WaitForWindow(kDialogClass, caption);
  std::wstring shown;
  std::wstring hidden;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t childClass[32] = {};
    ::GetClassNameW(child, childClass, 32);
    if (std::wstring(childClass) != L"Static" || TextOf(child).empty()) continue;
    (::IsWindowVisible(child) ? shown : hidden) = TextOf(child);
  }
  Report("message", Utf8(shown));
  if (!hidden.empty()) Report("behind the expander", Utf8(hidden));
  PostCommand(box, answer);
  WaitUntilGone(kDialogClass, caption);
}

HWND OpenSetup(HWND frame) {
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kSetup), 0);
  return WaitForWindow(kDialogClass, Wide(kvx::kUpdateSetupCaption));
}

void SetEdit(HWND dialog, int id, const wchar_t* text) {
  ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The screen's pixels inside `rect`, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  std::vector<COLORREF> pixels;
  for (int at = 0; at < width * height; ++at) {
    const DWORD bgr = static_cast<const DWORD*>(bits)[at];
    pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

// Where the pictures of the program's toolbar bitmap (resource 2, 16 pixels high) show in
// `toolBar`, left to right: "yes" when all six are there in order, their magenta left out.
std::string ToolBarShowsOwnPictures(HWND toolBar, const std::wstring& program) {
  const HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const auto bitmap = static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(2), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) Fail("kvxsetup.exe has no toolbar bitmap");
  BITMAP strip{};
  ::GetObjectW(bitmap, sizeof strip, &strip);
  const HDC memory = ::CreateCompatibleDC(nullptr);
  ::SelectObject(memory, bitmap);
  const RECT bar = WindowRect(toolBar);
  const std::vector<COLORREF> shown = ScreenPixels(bar);
  const int width = bar.right - bar.left;
  const int size = strip.bmHeight;
  const auto matches = [&](int picture, int x, int y) {
    for (int row = 0; row < size; ++row) {
      for (int column = 0; column < size; ++column) {
        const COLORREF own = ::GetPixel(memory, picture * size + column, row);
        const auto at = static_cast<std::size_t>((y + row) * width + x + column);
        if (own != RGB(255, 0, 255) && shown[at] != own) return false;
      }
    }
    return true;
  };
  int x = 0;
  std::string found = "yes";
  for (int picture = 0; picture < strip.bmWidth / size && found == "yes"; ++picture) {
    found = "picture " + std::to_string(picture) + " is missing";
    for (; x + size <= width && found != "yes"; ++x) {
      for (int y = 0; y + size <= bar.bottom - bar.top; ++y) {
        if (matches(picture, x, y)) found = "yes";
      }
    }
  }
  ::DeleteDC(memory);
  ::DeleteObject(bitmap);
  ::FreeLibrary(module);
  return found;
}

// The lock keys' panes as drawn, the last three runs of text in the status bar: each "grey"
// when its letters have the system's greyed text colour, else "black".
std::string LockPanes(HWND frame) {
  const RECT bar = WindowRect(StatusBarOf(frame));
  const std::vector<COLORREF> pixels = ScreenPixels(bar);
  const int width = bar.right - bar.left;
  const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
  const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
  // Per column: 0 nothing, 1 greyed letters, 2 letters.
  std::vector<int> columns(static_cast<std::size_t>(width));
  for (std::size_t at = 0; at < pixels.size(); ++at) {
    int& column = columns[at % static_cast<std::size_t>(width)];
    if (pixels[at] == text) column = 2;
    if (pixels[at] == grey && column == 0) column = 1;
  }
  std::vector<std::string> panes;
  for (int x = width - 1, gap = 99; x >= 0; --x) {
    const int column = columns[static_cast<std::size_t>(x)];
    if (column != 0 && gap > 5) panes.insert(panes.begin(), "grey");
    if (column == 2) panes.front() = "black";
    gap = column == 0 ? gap + 1 : 0;
  }
  if (panes.size() < 3) return "fewer than three panes";
  return panes[panes.size() - 3] + " " + panes[panes.size() - 2] + " " + panes.back();
}

// WM_QUERYENDSESSION as the system sends it at log-off, answered as `answer` does meanwhile:
// "ends" or "held".
std::string EndSession(HWND frame, const std::function<void()>& meanwhile) {
  DWORD_PTR result = FALSE;
  std::thread query([&] {
    ::SendMessageTimeoutW(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000,
                          &result);
  });
  meanwhile();
  query.join();
  return result ? "ends" : "held";
}

std::wstring ProfileText(const wchar_t* section, const wchar_t* key);

// What the profile keeps of Setup > Fast Update (under wine another process's menu cannot be
// read, so its check mark is not).
std::string FastUpdateShown() {
  return "kept as '" + Utf8(ProfileText(L"Settings", L"FastUpdate")) + "'";
}

// The bars as drawn and as the pointer and the lock keys change them; Ctrl+P without a printer,
// context help, then the Setup button: what it does, not the dialog.
void WorkTheFrame(HWND frame, const std::wstring& program) {
  const HWND toolBar = ::FindWindowExW(frame, nullptr, TOOLBARCLASSNAMEW, nullptr);
  Report("toolbar entries", std::to_string(::SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0)));
  Report("status panes", std::to_string(::SendMessageW(StatusBarOf(frame), SB_GETPARTS, 0, 0)));
  ReportStatusBar(frame, "idle status");
  ::SendMessageW(frame, WM_MENUSELECT, MAKEWPARAM(static_cast<int>(CommandId::kSetup), MF_STRING),
                 reinterpret_cast<LPARAM>(::GetMenu(frame)));
  ReportStatusBar(frame, "setup prompt");
  ::SendMessageW(frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  Report("toolbar shows its own pictures", ToolBarShowsOwnPictures(toolBar, program));
  const LRESULT button = ::SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0);
  PointAt(toolBar, LOWORD(button) / 2, HIWORD(button) / 2);
  ReportStatusBar(frame, "pointing at the first button");
  PointAt(frame, 300, 200);
  Report("lock panes", LockPanes(frame));
  TypeKeys(frame, "Caps_Lock");
  Report("lock panes with Caps Lock on", LockPanes(frame));
  TypeKeys(frame, "Caps_Lock ctrl+p");
  AnswerMessageBox(IDOK, L"Print");
  Report("fast update at first", FastUpdateShown());
  ::SendMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kFastUpdate), 0);
  Report("fast update turned on", FastUpdateShown());
  ::SendMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kFastUpdate), 0);
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kContextHelp), 0);
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kSetup), 0);
  AnswerMessageBox(IDOK);
}

// While Update runs: whether the main window shows the wait cursor (it answers WM_SETCURSOR
// for itself, disabled behind the dialog) and whether the session may end.
void WhileUpdating(HWND frame, HWND dialog) {
  const HWND status = ::GetDlgItem(dialog, kvx::kStatusLineId);
  const std::wstring before = TextOf(status);
  PostCommand(dialog, kvx::kUpdateButtonId);
  Eventually([&] { return TextOf(status) != before; }, "Update to start");
  DWORD_PTR cursor = FALSE;
  ::SendMessageTimeoutW(frame, WM_SETCURSOR, reinterpret_cast<WPARAM>(frame),
                        MAKELPARAM(HTERROR, WM_MOUSEMOVE), SMTO_NORMAL, 5000, &cursor);
  Report("main window during Update", cursor ? "wait cursor" : "no wait cursor");
  Report("session end during Update", EndSession(frame, [] {}));
  Report("update", WaitForStatus(dialog, "Updating firmware and logic passed!",
                                 "Updating firmware and logic failed!"));
}

// Connect, Tab and Transmit from the keyboard; a euro sign typed into the configuration file
// name, and an omega, which the code page cannot hold.
void WorkTheDialog(HWND frame, HWND dialog, DWORD thread, int comNumber) {
  ReportTabOrder(dialog, thread);
  ::SendMessageW(::GetDlgItem(dialog, kvx::kPortListId), CB_SETCURSEL,
                 static_cast<WPARAM>(comNumber - 1), 0);
  ::SendMessageW(::GetDlgItem(dialog, kvx::kSpeedListId), CB_SETCURSEL, 4, 0);
  TypeKeys(dialog, "alt+c");
  Report("connect", WaitForStatus(dialog, "Connecting to KVX Loader passed!",
                                  "Connecting to KVX loader failed!"));
  Report("focus after Connect", std::to_string(FocusedControl(thread)));
  TypeKeys(dialog, "Tab");
  Report("focus after Tab", std::to_string(FocusedControl(thread)));
  ReportControl(dialog, "serial number", kvx::kSerialNumberId);
  ReportControl(dialog, "loader", kvx::kLoaderVersionId);
  ReportControl(dialog, "firmware", kvx::kCurrentFirmwareId);
  ReportControl(dialog, "newest firmware", kvx::kNewestFirmwareId);
  ReportControl(dialog, "logic", kvx::kCurrentLogicId);
  ReportControl(dialog, "newest logic", kvx::kNewestLogicId);

  WhileUpdating(frame, dialog);
  ReportControl(dialog, "updated firmware", kvx::kCurrentFirmwareId);

  SetEdit(dialog, kvx::kProbeIpEditId, L"192.168.7.70");
  SetEdit(dialog, kvx::kSubnetMaskEditId, L"255.255.255.0");
  SetEdit(dialog, kvx::kGatewayEditId, L"192.168.7.1");
  SetEdit(dialog, kvx::kHostIpEditId, L"192.168.7.2");
  SetEdit(dialog, kvx::kConfigFileEditId, L"probe.cfg");
  ::SendMessageW(dialog, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(::GetDlgItem(dialog, kvx::kConfigFileEditId)), TRUE);
  TypeKeys(dialog, "End Left Left Left Left EuroSign Greek_omega");
  AnswerMessageBox(IDOK);
  ReportControl(dialog, "configuration file typed", kvx::kConfigFileEditId);
  TypeKeys(dialog, "alt+t");
  Report("transmit",
         WaitForStatus(dialog, "Writing setup data passed", "Writing setup data failed!"));

  PostCommand(dialog, kvx::kEraseButtonId);
  AnswerMessageBox(IDNO);
  ReportControl(dialog, "after erase declined", kvx::kStatusLineId);
  PostCommand(dialog, IDOK);
  WaitUntilGone(kDialogClass, Wide(kvx::kUpdateSetupCaption));
}

// "%APPDATA%\kvxsetup\kvxsetup.ini", the program's profile.
std::wstring ProfilePath() {
  wchar_t appData[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
  return std::wstring(appData) + L"\\kvxsetup\\kvxsetup.ini";
}

std::wstring ProfileText(const wchar_t* section, const wchar_t* key) {
  wchar_t value[MAX_PATH] = {};
  ::GetPrivateProfileStringW(section, key, L"", value, MAX_PATH, ProfilePath().c_str());
  return value;
}

std::string RecentFiles() {
  std::string files;
  for (const wchar_t* key : {L"File1", L"File2", L"File3", L"File4"}) {
    const std::wstring file = ProfileText(L"Recent File List", key);
    if (!file.empty()) files += (files.empty() ? "" : " | ") + Utf8(file);
  }
  return files;
}

// Open, the frame's bars, the dialog worked from the keyboard, Ok, and the session's end,
// saving the changes.
void FirstRun(const std::wstring& program, const std::wstring& document, int comNumber) {
  const Window window(L"\"" + program + L"\" \"" + document + L"\"");
  const std::wstring title = document.substr(document.find_last_of(L'\\') + 1) + L" - kvxGDB";
  const HWND frame = window.Frame(title);
  Report("title", Utf8(title));
  WorkTheFrame(frame, program);
  WorkTheDialog(frame, OpenSetup(frame), window.Thread(), comNumber);

  ::SetWindowPos(frame, nullptr, 123, 77, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  Report("session end, saving cancelled", EndSession(frame, [] { AnswerMessageBox(IDCANCEL); }));
  Report("session end, saving", EndSession(frame, [] { AnswerMessageBox(IDYES); }));
  ::SendMessageW(frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  Report("place kept at the session's end",
         Utf8(ProfileText(L"WindowPos", L"leftPos") + L"," + ProfileText(L"WindowPos", L"topPos")));
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  window.WaitForExit();
}

// A printer whose port is the file `path` (on wine's drive of the Linux file system), with
// wine's generic PostScript description; the one printer there is.
void InstallFilePrinter(const std::wstring& path) {
  const HMODULE spooler = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC description = ::FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE");
  const HANDLE file = ::CreateFileW(L"C:\\windows\\system32\\spool\\drivers\\x64\\3\\generic.ppd",
                                    GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, ::LockResource(::LoadResource(spooler, description)),
              ::SizeofResource(spooler, description), &written, nullptr);
  ::CloseHandle(file);
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kPrinterDriver);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(L"generic.ppd");
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  ::AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
  std::wstring port = path.substr(2);  // the Linux path, without "Z:"
  std::replace(port.begin(), port.end(), L'\\', L'/');
  PRINTER_INFO_2W printer{};
  printer.pPrinterName = const_cast<wchar_t*>(kPrinter);
  printer.pPortName = port.data();
  printer.pDriverName = const_cast<wchar_t*>(kPrinterDriver);
  printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  printer.pDatatype = const_cast<wchar_t*>(L"RAW");
  const HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (added == nullptr) Fail("cannot add a printer");
  ::ClosePrinter(added);
  ::SetDefaultPrinterW(kPrinter);
}

void RemovePrinter() {
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!::OpenPrinterW(const_cast<wchar_t*>(kPrinter), &printer, &access)) return;
  ::DeletePrinter(printer);
  ::ClosePrinter(printer);
}

// The most recent document comes back, saved, at the window's last place; a recent file that
// is gone leaves it open; the document under another spelling is listed once; it prints.
void SecondRun(const std::wstring& program, const std::wstring& document,
               const std::wstring& printed) {
  const Window window(L"\"" + program + L"\"");
  const std::wstring title = document.substr(document.find_last_of(L'\\') + 1) + L" - kvxGDB";
  const HWND frame = window.Frame(title);
  const RECT rect = WindowRect(frame);
  Report("reopened at", std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
                            std::to_string(rect.right - rect.left) + "x" +
                            std::to_string(rect.bottom - rect.top));
  const HWND dialog = OpenSetup(frame);
  ReportControl(dialog, "reopened probe address", kvx::kProbeIpEditId);
  ReportControl(dialog, "reopened configuration file", kvx::kConfigFileEditId);
  Report("reopened port",
         std::to_string(::SendMessageW(::GetDlgItem(dialog, kvx::kPortListId), CB_GETCURSEL, 0, 0) +
                        1));
  TypeKeys(dialog, "Escape");
  WaitUntilGone(kDialogClass, Wide(kvx::kUpdateSetupCaption));

  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kRecentFile) + 2, 0);
  AnswerMessageBox(IDOK);
  Report("title after a failed open", Utf8(TextOf(frame)));
  ::PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(CommandId::kRecentFile) + 1, 0);
  // FindWindow ignores letter case.
  Eventually([frame] { return TextOf(frame) == L"PROBE.GDB - kvxGDB"; }, "the document reopened");
  Report("recent files", RecentFiles());

  InstallFilePrinter(printed);
  TypeKeys(frame, "ctrl+p");
  PostCommand(WaitForWindow(kDialogClass, L"Print"), IDOK);
  Eventually([&] { return ::GetFileAttributesW(printed.c_str()) != INVALID_FILE_ATTRIBUTES; },
             "the printed page");
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  window.WaitForExit();
  RemovePrinter();
}

// A copy of the program whose toolbar pictures are damaged: its window cannot be made, and it
// ends at once, saying nothing.
void ThirdRun(const std::wstring& program, const std::wstring& folder) {
  const std::wstring copy = folder + L"\\damaged.exe";
  if (!::CopyFileW(program.c_str(), copy.c_str(), FALSE)) Fail("cannot copy kvxsetup.exe");
  const HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
  char damaged[] = "not a bitmap";
  for (int picture : {2, 3, 4}) {
    ::UpdateResourceW(update, RT_BITMAP, MAKEINTRESOURCEW(picture),
                      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), damaged, sizeof damaged);
  }
  if (!::EndUpdateResourceW(update, FALSE)) Fail("cannot damage the pictures");
  const Window window(L"\"" + copy + L"\"");
  Report("with damaged toolbar pictures, exit status", std::to_string(window.WaitForExit()));
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
  // A start without the profile of an earlier run, and without a printer.
  ::DeleteFileW(ProfilePath().c_str());
  RemovePrinter();

  FirstRun(program, document, _wtoi(argv[3]));
  Report("recent file is the document",
         Utf8(ProfileText(L"Recent File List", L"File1")) == Utf8(document) ? "yes" : "no");
  // The same document under another spelling, and one that is gone.
  std::wstring shouted = document;
  for (wchar_t& c : shouted) c = c < 0x80 ? static_cast<wchar_t>(::towupper(c)) : c;
  ::WritePrivateProfileStringW(L"Recent File List", L"File2", shouted.c_str(),
                               ProfilePath().c_str());
  ::WritePrivateProfileStringW(L"Recent File List", L"File3", (folder + L"\\gone.gdb").c_str(),
                               ProfilePath().c_str());
  SecondRun(program, document, std::wstring(argv[2]) + L"\\printed.ps");
  ThirdRun(program, std::wstring(argv[2]));
  return 0;
}
