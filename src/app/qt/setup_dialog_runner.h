#pragma once

#include <functional>
#include <optional>

#include "app/dialog_controls.h"

namespace kvx::qt {

// Runs the Update/Setup dialog modally, opened with `fields`; the fields it ended with when
// the user left it with OK, nothing after Cancel.
using SetupDialogRunner = std::function<std::optional<DialogFields>(const DialogFields& fields)>;

}  // namespace kvx::qt
