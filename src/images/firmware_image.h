#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "images/image_marker.h"

namespace kvx {

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

// Reads and checks the image file at `path`.
FirmwareImage LoadFirmwareImage(const std::filesystem::path& path,
                                MarkerRecordUse markerRecord = MarkerRecordUse::kIgnore);

}  // namespace kvx
