#pragma once

#include <windows.h>

#include "app/document_commands.h"
#include "ui/dialog_services.h"

namespace kvx::win32 {

// Shows `message` in the system's message box over `owner` and waits for the answer.
MessageAnswer ShowMessageBox(HWND owner, const MessageBox& message);

// Real message boxes, the common file dialogs and the folder dialog over the thread's active
// window, and the given Update/Setup dialog.
UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog);

}  // namespace kvx::win32
