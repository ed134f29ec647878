#pragma once

#include <windows.h>

namespace kvx::win32 {

// The About box (the program's dialog resource 100): the caption and the lines of the window
// model beside the program's icon, closed with OK.
void ShowAboutBox(HWND owner);

}  // namespace kvx::win32
