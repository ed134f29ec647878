// kvxctl.exe started the way a double click starts it: in a console window of its own, which
// closes when it ends. Windows only; run under wine.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using ::testing::HasSubstr;

// The build's path of kvxctl.exe as this system names it: wine shows the build machine's
// root as drive Z:.
std::wstring KvxctlPath() {
  std::wstring path = L"Z:";
  for (const char c : std::string(KVXCTL_EXE)) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

// Everything the pipe brings until its writers are gone.
std::string ReadAll(HANDLE pipe) {
  std::string text;
  char chunk[512];
  DWORD got = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  return text;
}

TEST(KvxctlConsole, StartedInAConsoleOfItsOwnItShowsItsHelpAndWaitsForEnter) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, inRead = nullptr, inWrite = nullptr;
  ASSERT_TRUE(CreatePipe(&outRead, &outWrite, &inherited, 0));
  ASSERT_TRUE(CreatePipe(&inRead, &inWrite, &inherited, 0));
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = outWrite;
  startup.hStdError = outWrite;
  std::wstring command = L"\"" + KvxctlPath() + L"\"";
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                             nullptr, nullptr, &startup, &process));
  CloseHandle(outWrite);
  CloseHandle(inRead);

  // Still there, waiting for the person to read it.
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 2000), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD written = 0;
  WriteFile(inWrite, "\r\n", 2, &written, nullptr);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  const std::string shown = ReadAll(outRead);
  EXPECT_THAT(shown, HasSubstr("Usage: kvxctl"));
  EXPECT_THAT(shown, HasSubstr("Press Enter to close this window."));
  EXPECT_THAT(shown, testing::Not(HasSubstr("A subcommand is required")));
  CloseHandle(inWrite);
  CloseHandle(outRead);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
