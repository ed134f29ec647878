#pragma once

namespace kvx::win32 {

// The program's one wait cursor, shown over every window of the program, the main window
// included, while a probe operation runs: Begin and End come in pairs that nest.
void BeginWaitCursor();
void EndWaitCursor();

// For a window's WM_SETCURSOR: sets the wait cursor and is true while one is shown.
bool ApplyWaitCursor();

}  // namespace kvx::win32
