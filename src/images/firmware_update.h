#pragma once

#include <cstdint>

#include "images/firmware_image.h"
#include "images/program_plan.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/flash_commands.h"
#include "loader/part_change.h"
#include "ui/dialog_services.h"
#include "ui/messages.h"

namespace kvx {

// How often an update that reads back erases and programs again when the flash differs.
inline constexpr int kFirmwareProgrammingPasses = 3;

// The last percentage the firmware progress showed. It lives as long as the program, so a
// second update in the same run does not repeat a text that is already on screen.
struct FirmwareProgress {
  std::uint16_t lastShownPercent = 0;
};

// Shows "Firmware: Programming Flash ... ( N% )" for `position` of `length` bytes, unless N
// is the percentage shown last.
void ShowFirmwareProgress(std::uint32_t length, std::uint32_t position, DialogServices& services,
                          FirmwareProgress& progress);
// The same for another step on the flash: `stem` followed by " ( N% )".
void ShowFirmwareProgress(const char* stem, std::uint64_t length, std::uint64_t position,
                          DialogServices& services, FirmwareProgress& progress);

// Replaces the probe's firmware with a loaded image: erases the firmware sectors, programs
// every data record in file order, each padded with 0xFF to a multiple of 4 bytes, and
// programs the image marker (MarkerToWrite) last, so the marker is there only after a faultless
// pass.
//
// With `mode.joined` the records go out as ProgramRequests joins them and the progress
// follows the data bytes programmed, unless joining would fail for this image: then it goes
// out record by record, and the status says so first; with `mode.verify` the flash is read back
// before the marker, and the marker's word after it: a difference erases and programs again, up
// to kFirmwareProgrammingPasses passes in all, and fails the update with its address in the
// status text when it is still there. A joined request or a read that gets no valid reply in its
// attempts goes out again in smaller pieces, down to one record's bytes (SmallestSplit); record
// by record, each request is sent as it stands.
//
// Returns 0, kErrFirmwareFile when the file could not be read (status untouched) or is not
// programmable (nothing erased), kErrFirmwareMismatch when the read-back differs, or the
// failing loader command's code. `report` learns that the firmware is changing once the erase
// begins, and then that it was written, or that only the image marker's word is in doubt:
// its request went out, but no answer said whether it was carried out.
ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress, FirmwareWriteMode mode = {},
                         const PartChangeReport& report = {});

// Reports an erase of several sectors, the update's or the Erase button's, to `services` as
// bytes of flash erased of the bytes to erase. The erase's status text carries no
// percentage, so it stays as it is: a progress bar moves, nothing else does.
inline EraseProgress ShowEraseProgress(DialogServices& services) {
  return [&services](std::uint64_t erasedBytes, std::uint64_t bytesToErase) {
    services.SetProgress("", ProgressAmount{erasedBytes, bytesToErase, ProgressUnit::kBytes});
  };
}

}  // namespace kvx
