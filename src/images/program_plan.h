#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "images/firmware_image.h"

namespace kvx {

// Joined requests stay whole words and inside what one ProgramFlash request carries.
inline constexpr std::size_t kMaxJoinedProgramBytes = 1488;

// How an update programs an image. The window always uses the defaults.
struct FirmwareWriteMode {
  bool joined = false;  // records that continue each other go out in shared requests
  bool verify = false;  // the image is read back and compared before the marker is written
};

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

// How far a joined request or a read that gets no valid reply is split (SplitOnNoReply): down
// to the image's longest record, the most that record by record sends in one request.
std::size_t SmallestSplit(const FirmwareImage& image);

// The bytes one read-back request expects, the image's data in address order.
struct FlashRequest {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

// The image's data in address order, cut into ReadMemory requests.
std::vector<FlashRequest> PlanReadBack(const FirmwareImage& image);

}  // namespace kvx
