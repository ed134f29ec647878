#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "images/image_marker.h"
#include "images/update_catalogue.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/flash_commands.h"
#include "loader/version_number.h"
#include "ui/dialog_services.h"

namespace kvx {

inline constexpr char kFirmwareErasingText[] = "Firmware: Erasing Flash ...";
inline constexpr char kFirmwareEraseFailedText[] = "Firmware: Erasing Flash ... failed!";
inline constexpr char kFirmwareProgrammingText[] = "Firmware: Programming Flash ...";
inline constexpr char kFirmwareProgramFailedText[] = "Firmware: Programming Flash ... failed!";
inline constexpr char kFirmwareProgramPassedText[] = "Firmware: Programming Flash ... passed!";
inline constexpr char kFirmwareVerifyingText[] = "Firmware: Verifying Flash ...";
// Followed by why joined requests would not do for the image.
inline constexpr char kFirmwareRecordByRecordText[] = "Firmware: Programming record by record: ";

// Joined requests stay whole words and inside what one ProgramFlash request carries.
inline constexpr std::size_t kMaxJoinedProgramBytes = 1488;

// How an update programs an image. The window always uses the defaults.
struct FirmwareWriteMode {
  bool joined = false;  // records that continue each other go out in shared requests
  bool verify = false;  // the image is read back and compared before the marker is written
};

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

// What programming an image will send: its data records and their bytes before padding.
struct ImageSummary {
  std::size_t records = 0;
  std::size_t dataBytes = 0;
};

// One data record of an image, on line `line` of its file: `length` data bytes for `address`,
// kept in the image's `data` from `offset` on.
struct ImageRecord {
  std::uint32_t address = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t line = 0;
  std::uint32_t lineEnd = 0;  // the file position just behind the line
};

// A firmware image file, read and checked completely before anything is sent to the probe.
// It is parsed once: an update sends from its records, whose bytes lie one after the other in
// `data`, so an image of thousands of records is a handful of allocations.
struct FirmwareImage {
  bool opened = false;  // the file was read; when not, `problem` says why
  std::string content;
  std::vector<std::uint8_t> data;    // every record's data bytes, in file order
  std::vector<ImageRecord> records;  // in file order
  // The file position just behind each line that programs nothing (a header, a count, the
  // end record), in file order: the progress passes them as the file is sent.
  std::vector<std::uint32_t> otherLineEnds;
  ImageSummary summary;
  std::string problem;  // why programming it would fail or leave the probe unusable
  // Why joined requests would fail where record by record does not; empty when they would
  // not. Joined, the padding follows the runs rather than the records.
  std::string joinedProblem;
  // The word a file read back from a probe records for the marker's place, when the file has
  // such a record and it is followed: see MarkerRecordUse.
  std::optional<MarkerWord> recordedMarker;
  bool Programmable() const { return opened && problem.empty(); }
  // What the update leaves at the marker's place: the marker, or the word the file records;
  // all 0xFF is left as the erase leaves it.
  MarkerWord MarkerToWrite() const;
  const std::uint8_t* Data(const ImageRecord& record) const { return data.data() + record.offset; }
};

// Whether an image's header record of the marker's state (FirmwareAreaHeader) is followed. The
// update files found beside the program are programmed and marked as they always were, whatever
// their header; a file the user names keeps the state of the probe it was read from.
enum class MarkerRecordUse {
  kIgnore,
  kFollow,  // every header's checksum is checked too, since one decides what is written
};

// Checks an image's text: every line an S-record, the file whole (SRecordFileCheck), at
// least one data record (or, followed, a marker record: a probe read back with its firmware
// area erased is restored erased), and record by record every programmed byte, padding included,
// inside the firmware area behind the image marker and never on a byte an earlier request
// already programmed with data. Padding may fall on bytes a later record programs: it is
// 0xFF, which leaves them erased. Erasing for anything less would cost the probe its
// firmware: a file cut short would be marked good with half an image, one without data or
// one that overwrites the marker's place would leave a marked but useless area, and one
// outside the area or overlapping itself would fail halfway. The joined requests are checked
// the same way into `joinedProblem`: an image they would fail goes out record by record.
FirmwareImage CheckFirmwareImage(std::string content,
                                 MarkerRecordUse markerRecord = MarkerRecordUse::kIgnore);

// Whether an update in `mode` sends the image in joined requests.
bool JoinsRequests(const FirmwareImage& image, FirmwareWriteMode mode);
// Why an update asked for joined requests programs the image record by record instead
// ("in joined requests lines 1 and 3 both program 0x0104000A"); empty when it does not.
std::string RecordByRecordReason(const FirmwareImage& image, FirmwareWriteMode mode);

// One ProgramFlash request of an update: `dataBytes` of the image's data from `dataOffset` on,
// padded with 0xFF to `bytes`, a multiple of 4. The image data of a request lie one after the
// other: a request joins only records that follow each other in the file.
struct ProgramRequest {
  std::uint32_t address = 0;
  std::size_t dataOffset = 0;
  std::size_t dataBytes = 0;
  std::size_t bytes = 0;
  std::size_t firstRecord = 0;  // the record its first data byte belongs to
  std::size_t lastRecord = 0;   // and its last
};

// The ProgramFlash requests for the records, in file order, one at a time, so an update holds
// none of them. Record by record, each record is one request. Joined, records that start where
// the previous one ended share requests of up to kMaxJoinedProgramBytes; anything else starts
// a new request, and only the last request of such a run is padded.
class ProgramRequests {
 public:
  ProgramRequests(const std::vector<ImageRecord>& records, bool joined)
      : records_(records), joined_(joined) {}
  // The next request into `request`; false after the last.
  bool Next(ProgramRequest& request);

 private:
  const std::vector<ImageRecord>& records_;
  bool joined_;
  std::size_t record_ = 0;
  std::size_t offset_ = 0;  // into records_[record_]
};

// The bytes one read-back request expects, the image's data in address order.
struct FlashRequest {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

// The image's data in address order, cut into ReadMemory requests.
std::vector<FlashRequest> PlanReadBack(const FirmwareImage& image);

// What an update of a programmable image sends, for estimating its line time.
struct UpdateTraffic {
  std::size_t programRequests = 0;  // the image marker's not counted
  std::size_t readRequests = 0;     // the marker's read-back included
  std::size_t wireBytes = 0;        // every frame both ways, erases and marker included, unescaped
};
UpdateTraffic PlanTraffic(const FirmwareImage& image, FirmwareWriteMode mode);

// Reads and checks the image file at `path`.
FirmwareImage LoadFirmwareImage(const std::filesystem::path& path,
                                MarkerRecordUse markerRecord = MarkerRecordUse::kIgnore);

// What a failed update leaves at the image marker's place, as far as the answers tell.
enum class MarkerLeft {
  kUnwritten,  // its request never went out, or the loader answered that it failed
  kUnknown,    // its request went out, but no answer said whether it was carried out or held
};

// Replaces the probe's firmware with a loaded image: erases the firmware sectors, programs
// every data record in file order, each padded with 0xFF to a multiple of 4 bytes, and
// programs the image marker (MarkerToWrite) last, so the marker is there only after a faultless
// pass.
//
// With `mode.joined` the records go out as ProgramRequests joins them and the progress
// follows the data bytes programmed, unless joining would fail for this image: then it goes
// out record by record, and the status says so first; with `mode.verify` the flash is read back
// before the marker, and the marker's word after it, and a difference fails the update with its
// address in the status text.
//
// Returns 0, kErrFirmwareFile when the file could not be read (status untouched) or is not
// programmable (nothing erased), kErrFirmwareMismatch when the read-back differs, or the
// failing loader command's code; `markerLeft`, when given, learns what a failure left.
ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress, FirmwareWriteMode mode = {},
                         MarkerLeft* markerLeft = nullptr);

// Reports an erase of several sectors, the update's or the Erase button's, to `services` as
// bytes of flash erased of the bytes to erase. The erase's status text carries no
// percentage, so it stays as it is: a progress bar moves, nothing else does.
inline EraseProgress ShowEraseProgress(DialogServices& services) {
  return [&services](std::uint64_t erasedBytes, std::uint64_t bytesToErase) {
    services.SetProgress("", ProgressAmount{erasedBytes, bytesToErase, ProgressUnit::kBytes});
  };
}

}  // namespace kvx
