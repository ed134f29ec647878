#include "app/win32/session_end.h"

#include "app/win32/wide_text.h"

namespace kvx::win32 {

// The reason only explains the refusal to the user; a system that cannot show it still
// refuses.
SessionEndHold::SessionEndHold(HWND window, const char* reason) : window_(window) {
  ::ShutdownBlockReasonCreate(window_, ToWide(reason).c_str());
}

SessionEndHold::~SessionEndHold() {
  ::ShutdownBlockReasonDestroy(window_);
}

}  // namespace kvx::win32
