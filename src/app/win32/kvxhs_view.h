#pragma once

#include <windows.h>

#include <string>

namespace kvx::win32 {

// The document's view: an empty client window inside the main frame, which draws nothing.
HWND CreateView(HWND frame);

// Prints the view, one empty page, on the printer the user chooses in the print dialog; the
// job carries the document's title. A job that fails is said in a message box over `owner`.
void PrintView(HWND owner, const std::string& title);

}  // namespace kvx::win32
