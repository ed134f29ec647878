#pragma once

#include <windows.h>

namespace kvx::win32 {

// The help: a window of its own beside the main window, showing one page of the program's
// help text at a time (a text resource, KVX_HELP_INDEX or KVX_HELP_USING). Closing it hides
// it, so the main window can show it again.
HWND CreateHelpWindow(HWND owner);
void ShowHelpPage(HWND help, int page);

}  // namespace kvx::win32
