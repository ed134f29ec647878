#include "images/program_plan.h"

#include <algorithm>

#include "loader/flash_commands.h"

namespace kvx {

namespace {

constexpr std::uint32_t kProgramAlignment = 4;

std::size_t PaddedLength(std::size_t n) {
  return (n + kProgramAlignment - 1) / kProgramAlignment * kProgramAlignment;
}

bool Continues(const ImageRecord& previous, const ImageRecord& next) {
  return std::uint64_t{previous.address} + previous.length == next.address;
}

std::uint64_t End(const FlashRequest& request) {
  return std::uint64_t{request.address} + request.bytes.size();
}

// Adds `n` bytes of `data` for `address` to the last request when it ends there, starting a
// new one wherever it does not or a request holds `maxBytes`.
void AppendBytes(std::vector<FlashRequest>& requests, std::uint32_t address,
                 const std::uint8_t* data, std::size_t n, std::size_t maxBytes) {
  std::size_t taken = 0;
  while (taken < n) {
    if (requests.empty() || End(requests.back()) != address + taken ||
        requests.back().bytes.size() == maxBytes) {
      requests.push_back({static_cast<std::uint32_t>(address + taken), {}});
    }
    std::vector<std::uint8_t>& bytes = requests.back().bytes;
    const std::size_t part = std::min(n - taken, maxBytes - bytes.size());
    bytes.insert(bytes.end(), data + taken, data + taken + part);
    taken += part;
  }
}

}  // namespace

bool ProgramRequests::Next(ProgramRequest& request) {
  if (record_ == records_.size()) return false;
  const ImageRecord* current = &records_[record_];
  request.address = static_cast<std::uint32_t>(current->address + offset_);
  request.dataOffset = current->offset + offset_;
  request.dataBytes = 0;
  request.firstRecord = record_;
  for (;;) {
    const std::size_t part = std::min<std::size_t>(current->length - offset_,
                                                   kMaxJoinedProgramBytes - request.dataBytes);
    request.dataBytes += part;
    offset_ += part;
    request.lastRecord = record_;
    if (offset_ < current->length) break;  // the request is full
    offset_ = 0;
    const ImageRecord* previous = current;
    if (++record_ == records_.size()) break;
    current = &records_[record_];
    if (!joined_ || !Continues(*previous, *current)) break;
    if (request.dataBytes == kMaxJoinedProgramBytes) break;
  }
  request.bytes = PaddedLength(request.dataBytes);
  return true;
}

std::vector<FlashRequest> PlanReadBack(const FirmwareImage& image) {
  std::vector<const ImageRecord*> byAddress;
  for (const ImageRecord& record : image.records) byAddress.push_back(&record);
  std::sort(byAddress.begin(), byAddress.end(),
            [](const ImageRecord* a, const ImageRecord* b) { return a->address < b->address; });
  std::vector<FlashRequest> requests;
  for (const ImageRecord* record : byAddress) {
    AppendBytes(requests, record->address, image.Data(*record), record->length,
                kMaxReadMemoryBytes);
  }
  return requests;
}

std::size_t SmallestSplit(const FirmwareImage& image) {
  std::size_t longest = 0;
  for (const ImageRecord& record : image.records)
    longest = std::max<std::size_t>(longest, record.length);
  return longest;
}

bool JoinsRequests(const FirmwareImage& image, FirmwareWriteMode mode) {
  return mode.joined && image.joinedProblem.empty();
}

std::string RecordByRecordReason(const FirmwareImage& image, FirmwareWriteMode mode) {
  return mode.joined && !image.joinedProblem.empty() ? "in joined requests " + image.joinedProblem
                                                     : "";
}

}  // namespace kvx
