#pragma once

#include <windows.h>

namespace kvx::win32 {

// While it lives, the system shows `reason` for `window` when it asks the user about ending the
// session, which the main window refuses while one of the program's dialogs is open: for a
// probe operation, which a log-off halfway through could leave without working firmware.
class SessionEndHold {
 public:
  SessionEndHold(HWND window, const char* reason);
  ~SessionEndHold();
  SessionEndHold(const SessionEndHold&) = delete;
  SessionEndHold& operator=(const SessionEndHold&) = delete;

 private:
  HWND window_;
};

}  // namespace kvx::win32
