#pragma once

#include <windows.h>

#include "app/document_commands.h"
#include "ui/dialog_services.h"

namespace kvx::win32 {

// The window a modal dialog belongs to, and disables while it is open, so nothing behind it
// can start a second command: the thread's active window, else the main window, which a
// desktop without a window manager never activates.
HWND DialogOwner();
void SetMainWindow(HWND window);

// Shows `message` in the system's message box over `owner` and waits for the answer.
MessageAnswer ShowMessageBox(HWND owner, const MessageBox& message);

// Real message boxes, the common file dialogs and the folder dialog over the thread's active
// window, and the given Update/Setup dialog.
UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog);

}  // namespace kvx::win32
