#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "images/update_catalogue.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/version_number.h"
#include "ui/dialog_services.h"

namespace kvx {

inline constexpr char kFirmwareErasingText[] = "Firmware: Erasing Flash ...";
inline constexpr char kFirmwareEraseFailedText[] = "Firmware: Erasing Flash ... failed!";
inline constexpr char kFirmwareProgrammingText[] = "Firmware: Programming Flash ...";
inline constexpr char kFirmwareProgramFailedText[] = "Firmware: Programming Flash ... failed!";
inline constexpr char kFirmwareProgramPassedText[] = "Firmware: Programming Flash ... passed!";

// The last percentage the firmware progress showed. It lives as long as the program, so a
// second update in the same run does not repeat a text that is already on screen.
struct FirmwareProgress {
  std::uint16_t lastShownPercent = 0;
};

// Shows "Firmware: Programming Flash ... ( N% )" for `position` of `length` bytes, unless N
// is the percentage shown last.
void ShowFirmwareProgress(std::uint32_t length, std::uint32_t position, DialogServices& services,
                          FirmwareProgress& progress);

// What programming an image will send: its data records and their bytes before padding.
struct ImageSummary {
  std::size_t records = 0;
  std::size_t dataBytes = 0;
};

// Checks that every line of an image parses as an S-record and every data record lies in the
// firmware area, so programming it cannot fail on the file's account nor touch the setup
// block or the loader. Nothing when it does not.
std::optional<ImageSummary> CheckFirmwareImage(const std::string& content);

// Replaces the probe's firmware with update file `imageNumber` of `catalogue`: erases the
// firmware sectors, programs every data record in file order, each padded with 0xFF to a
// multiple of 4 bytes, and programs the image marker last, so the marker is there only after
// a faultless pass. The file is read and checked completely before anything is erased.
//
// Returns 0, kErrFirmwareFile when the file cannot be opened (status untouched) or is not a
// programmable image (nothing erased), or the failing loader command's code.
ErrorCode UpdateFirmware(ProbeLink& link, const UpdateCatalogue& catalogue,
                         VersionNumber imageNumber, DialogServices& services,
                         FirmwareProgress& progress);

}  // namespace kvx
