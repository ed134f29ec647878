#include "images/firmware_update.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "images/progress_text.h"
#include "loader/flash_map.h"
#include "ui/messages.h"

namespace kvx {

namespace {

std::string MismatchText(std::uint32_t address, std::uint8_t expected, std::uint8_t read) {
  char text[64];
  std::snprintf(text, sizeof text, "0x%08X: expected 0x%02X, read 0x%02X",
                static_cast<unsigned>(address), expected, read);
  return text;
}

// Sends one request from the image's data, padded in a buffer of its own.
ErrorCode SendRequest(ProbeLink& link, const FirmwareImage& image, const ProgramRequest& request) {
  std::array<std::uint8_t, kMaxJoinedProgramBytes> padded;
  const auto data = image.data.begin() + static_cast<std::ptrdiff_t>(request.dataOffset);
  std::copy(data, data + static_cast<std::ptrdiff_t>(request.dataBytes), padded.begin());
  std::fill(padded.begin() + static_cast<std::ptrdiff_t>(request.dataBytes),
            padded.begin() + static_cast<std::ptrdiff_t>(request.bytes), 0xFF);
  return ProgramFlash(link, request.address, request.bytes, padded.data());
}

// Programs the data records of a checked image one by one in file order. The progress follows
// the file position line by line, the lines that program nothing included, as it did when
// the file was read as it went.
ErrorCode ProgramRecords(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress) {
  const auto length = static_cast<std::uint32_t>(image.content.size());
  auto other = image.otherLineEnds.begin();
  const auto passLinesBefore = [&](std::uint32_t position) {
    for (; other != image.otherLineEnds.end() && *other < position; ++other)
      ShowFirmwareProgress(length, *other, services, progress);
  };
  ProgramRequests requests(image.records, false);
  for (ProgramRequest request; requests.Next(request);) {
    const std::uint32_t lineEnd = image.records[request.lastRecord].lineEnd;
    passLinesBefore(lineEnd);
    const ErrorCode result = SendRequest(link, image, request);
    if (result != kOk) services.SetStatus(kFirmwareProgramFailedText);
    ShowFirmwareProgress(length, lineEnd, services, progress);
    if (result != kOk) return result;
  }
  passLinesBefore(length + 1);
  return kOk;
}

// Sends a joined request, split into smaller ones where it gets no valid reply. Every piece
// but the last is whole words, so only the last is padded, as the whole request was.
ErrorCode SendJoinedRequest(ProbeLink& link, const FirmwareImage& image,
                            const ProgramRequest& request) {
  return SplitOnNoReply(
      0, request.dataBytes, SmallestSplit(image), 4, [&](std::size_t offset, std::size_t n) {
        ProgramRequest piece = request;
        piece.address = static_cast<std::uint32_t>(request.address + offset);
        piece.dataOffset = request.dataOffset + offset;
        piece.dataBytes = n;
        piece.bytes = offset + n == request.dataBytes ? request.bytes - offset : n;
        return SendRequest(link, image, piece);
      });
}

// Programs the joined requests; the progress follows the image's data bytes.
ErrorCode ProgramJoined(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                        FirmwareProgress& progress) {
  std::size_t done = 0;
  ProgramRequests requests(image.records, true);
  for (ProgramRequest request; requests.Next(request);) {
    if (const ErrorCode result = SendJoinedRequest(link, image, request); result != kOk)
      return result;
    done += request.dataBytes;
    ShowFirmwareProgress(kFirmwareProgrammingText, image.summary.dataBytes, done, services,
                         progress);
  }
  return kOk;
}

// Reads one read-back request into `read` and returns where the flash first differs from the
// image, or its size. Each difference is read again, one record's bytes from there on, and that
// reading decides: on a noisy line a long reply passes its XOR checksum damaged about as often as
// it arrives whole, a short one hardly ever, and a good update should not fail for the line.
ErrorCode ReadBack(ProbeLink& link, const FlashRequest& request, std::size_t smallestRead,
                   std::vector<std::uint8_t>& read, std::size_t& differsAt) {
  const std::size_t size = request.bytes.size();
  if (const ErrorCode result =
          ReadMemoryInHalves(link, request.address, size, read.data(), smallestRead);
      result != kOk) {
    return result;
  }
  for (std::size_t from = 0;; from = differsAt + 1) {
    differsAt = static_cast<std::size_t>(
        std::mismatch(request.bytes.begin() + static_cast<std::ptrdiff_t>(from),
                      request.bytes.end(), read.begin() + static_cast<std::ptrdiff_t>(from))
            .first -
        request.bytes.begin());
    if (differsAt == size) return kOk;
    if (const ErrorCode result = ReadMemoryInHalves(
            link, static_cast<std::uint32_t>(request.address + differsAt),
            std::min(smallestRead, size - differsAt), read.data() + differsAt, smallestRead);
        result != kOk) {
      return result;
    }
    if (read[differsAt] != request.bytes[differsAt]) return kOk;
  }
}

// Reads the image's data back and compares; at the first difference says where in `reason`.
// Its percentages start afresh under their own status text: the programming's last, 100,
// would otherwise hide the read-back's end, and all of it for an image one read covers.
ErrorCode VerifyImage(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                      std::string& reason) {
  services.SetStatus(kFirmwareVerifyingText);
  FirmwareProgress progress;
  std::vector<std::uint8_t> read(kMaxReadMemoryBytes);
  std::size_t done = 0;
  for (const FlashRequest& request : PlanReadBack(image)) {
    std::size_t differsAt = 0;
    if (const ErrorCode result = ReadBack(link, request, SmallestSplit(image), read, differsAt);
        result != kOk) {
      return result;
    }
    if (differsAt != request.bytes.size()) {
      reason = MismatchText(static_cast<std::uint32_t>(request.address + differsAt),
                            request.bytes[differsAt], read[differsAt]);
      return NoteExchangeFailure(link, kErrFirmwareMismatch, link.commandRequest.data(), 8,
                                 "the flash differs from the image at %s", reason.c_str());
    }
    done += request.bytes.size();
    ShowFirmwareProgress(kFirmwareVerifyingText, image.summary.dataBytes, done, services, progress);
  }
  return kOk;
}

// Programs what the image leaves at the marker's place; an erased word needs no request.
// `unconfirmed` learns whether a failure leaves the word in doubt.
ErrorCode ProgramImageMarker(ProbeLink& link, const FirmwareImage& image, bool& unconfirmed) {
  const MarkerWord word = image.MarkerToWrite();
  if (word == kErasedMarkerWord) return kOk;
  const ErrorCode result = ProgramFlash(link, kImageMarkerAddress, word.size(), word.data());
  // The loader programs all or nothing, so only a failure it reported leaves the word as it was.
  if (result != kOk && result != kErrProgramFailed) unconfirmed = true;
  return result;
}

// Reads the marker's word back: a cell that fails silently there would leave a word the loader
// does not take for the marker, or one that marks a copy of an unfinished image as finished.
ErrorCode VerifyImageMarker(ProbeLink& link, const FirmwareImage& image, std::string& reason,
                            bool& unconfirmed) {
  const MarkerWord expected = image.MarkerToWrite();
  MarkerWord read{};
  const ErrorCode result = ReadMemory(link, kImageMarkerAddress, read.size(), read.data());
  if (result != kOk) {
    if (expected != kErasedMarkerWord) unconfirmed = true;
    return result;
  }
  const auto [want, got] = std::mismatch(expected.begin(), expected.end(), read.begin());
  if (want == expected.end()) return kOk;
  reason = MismatchText(static_cast<std::uint32_t>(kImageMarkerAddress + (want - expected.begin())),
                        *want, *got);
  return NoteExchangeFailure(link, kErrFirmwareMismatch, link.commandRequest.data(), 7,
                             "the image marker's word differs at %s", reason.c_str());
}

// What one pass of an update leaves to say when it fails.
struct PassOutcome {
  bool erased = false;
  bool markerUnconfirmed = false;
  std::string reason;  // where the read-back found the flash differing from the image
};

// One pass of an update over a checked image: the erase, the programming, and with
// `mode.verify` the read-back around the marker.
ErrorCode ProgrammingPass(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                          FirmwareProgress& progress, FirmwareWriteMode mode,
                          PassOutcome& outcome) {
  services.SetStatus(kFirmwareErasingText);
  if (const ErrorCode result = EraseFirmwareSectors(link, ShowEraseProgress(services));
      result != kOk) {
    services.SetStatus(kFirmwareEraseFailedText);
    return result;
  }
  outcome.erased = true;
  if (const std::string why = RecordByRecordReason(image, mode); !why.empty()) {
    services.SetStatus(std::string(kFirmwareRecordByRecordText) + why);
  }
  services.SetStatus(kFirmwareProgrammingText);
  ErrorCode result = JoinsRequests(image, mode) ? ProgramJoined(link, image, services, progress)
                                                : ProgramRecords(link, image, services, progress);
  if (result == kOk && mode.verify) result = VerifyImage(link, image, services, outcome.reason);
  if (result == kOk) result = ProgramImageMarker(link, image, outcome.markerUnconfirmed);
  if (result == kOk && mode.verify)
    result = VerifyImageMarker(link, image, outcome.reason, outcome.markerUnconfirmed);
  return result;
}

std::string ProgramFailedText(const std::string& reason) {
  return reason.empty() ? kFirmwareProgramFailedText
                        : std::string(kFirmwareProgramFailedText) + " " + reason;
}

}  // namespace

void ShowFirmwareProgress(std::uint32_t length, std::uint32_t position, DialogServices& services,
                          FirmwareProgress& progress) {
  ShowFirmwareProgress(kFirmwareProgrammingText, length, position, services, progress);
}

void ShowFirmwareProgress(const char* stem, std::uint64_t length, std::uint64_t position,
                          DialogServices& services, FirmwareProgress& progress) {
  // 64-bit, so an image over 42 MB cannot wrap the product into a wrong percentage.
  const ProgressAmount amount{position, length, ProgressUnit::kBytes};
  const auto percent = static_cast<std::uint16_t>(amount.Percent());
  if (percent == progress.lastShownPercent) return;
  progress.lastShownPercent = percent;
  services.SetProgress(ProgressText(stem, percent), amount);
}

ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress, FirmwareWriteMode mode,
                         const PartChangeReport& report) {
  if (!image.opened) return kErrFirmwareFile;
  if (!image.Programmable()) {
    services.SetStatus(kFirmwareProgramFailedText);
    return kErrFirmwareFile;
  }
  ReportChange(report, ProbePart::kFirmware, PartChange::kChanging);
  PassOutcome outcome;
  ErrorCode result = ProgrammingPass(link, image, services, progress, mode, outcome);
  // A read-back that found the flash differing (a damaged request that passed its checksum, a
  // cell that failed once) programs again from the erase; what fails every pass is the flash.
  for (int pass = 2; result == kErrFirmwareMismatch && pass <= kFirmwareProgrammingPasses; ++pass) {
    services.SetStatus(ProgramFailedText(outcome.reason) + "; programming again, pass " +
                       std::to_string(pass) + " of " + std::to_string(kFirmwareProgrammingPasses));
    outcome = {};
    result = ProgrammingPass(link, image, services, progress, mode, outcome);
  }
  if (result == kOk) {
    ReportChange(report, ProbePart::kFirmware, PartChange::kWritten);
    services.SetStatus(kFirmwareProgramPassedText);
  } else if (outcome.erased) {
    if (outcome.markerUnconfirmed)
      ReportChange(report, ProbePart::kFirmware, PartChange::kUnconfirmed);
    services.SetStatus(ProgramFailedText(outcome.reason));
  }
  return result;
}

}  // namespace kvx
