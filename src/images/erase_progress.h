#pragma once

#include <cstdint>

#include "loader/flash_commands.h"
#include "ui/dialog_services.h"

namespace kvx {

// Reports an erase of several sectors to `services` as bytes of flash erased of the bytes to
// erase. The erase's status text carries no percentage, so it stays as it is: a progress bar
// moves, nothing else does.
inline EraseProgress ShowEraseProgress(DialogServices& services) {
  return [&services](std::uint64_t erasedBytes, std::uint64_t bytesToErase) {
    services.SetProgress("", ProgressAmount{erasedBytes, bytesToErase, ProgressUnit::kBytes});
  };
}

}  // namespace kvx
