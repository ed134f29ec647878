#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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

// A firmware image file, read and checked completely before anything is sent to the probe.
struct FirmwareImage {
  bool opened = false;  // the file was read; when not, `problem` says why
  std::string content;
  ImageSummary summary;
  std::string problem;  // why programming it would fail or leave the probe unusable
  bool Programmable() const { return opened && problem.empty(); }
};

// Checks an image's text: every line an S-record, at least one data record, and every data
// record, padded to whole words, inside the firmware area behind the image marker without
// overlapping another. Erasing for anything less would cost the probe its firmware: an
// image without data, or one that overwrites the marker's place, would leave a marked but
// useless area, and one outside the area or overlapping itself would fail halfway.
FirmwareImage CheckFirmwareImage(std::string content);

// Reads and checks the image file at `path`.
FirmwareImage LoadFirmwareImage(const std::filesystem::path& path);

// Replaces the probe's firmware with a loaded image: erases the firmware sectors, programs
// every data record in file order, each padded with 0xFF to a multiple of 4 bytes, and
// programs the image marker last, so the marker is there only after a faultless pass.
//
// Returns 0, kErrFirmwareFile when the file could not be read (status untouched) or is not
// programmable (nothing erased), or the failing loader command's code.
ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress);

// The same for update file `imageNumber` of `catalogue`.
ErrorCode UpdateFirmware(ProbeLink& link, const UpdateCatalogue& catalogue,
                         VersionNumber imageNumber, DialogServices& services,
                         FirmwareProgress& progress);

}  // namespace kvx
