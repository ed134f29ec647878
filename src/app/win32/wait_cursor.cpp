#include "app/win32/wait_cursor.h"

#include <windows.h>

namespace kvx::win32 {

namespace {

int depth = 0;

}  // namespace

void BeginWaitCursor() {
  if (depth++ == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void EndWaitCursor() {
  if (--depth == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

bool ApplyWaitCursor() {
  if (depth == 0) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

}  // namespace kvx::win32
