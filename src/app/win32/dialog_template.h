#pragma once

#include <windows.h>

#include <vector>

namespace kvx::win32 {

// The Update/Setup dialog's template as the dialog manager reads it from memory: a
// DLGTEMPLATEEX with the template's caption, size and font, and one DLGITEMTEMPLATEEX for each
// control in tab order. Dialog units and the font's metrics are then the system's own.
std::vector<WORD> UpdateSetupDialogTemplate();

}  // namespace kvx::win32
