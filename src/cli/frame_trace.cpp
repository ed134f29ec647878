#include "cli/frame_trace.h"

namespace kvx::cli {

namespace {

const char* ReceiveFailureText(ErrorCode why) {
  switch (why) {
    case kErrTimeout:
      return "nothing within the time-out";
    case kErrPortState:
      return "the port failed";
    case kErrBadEscape:
      return "broken frame: bad escape";
    case kErrChecksum:
      return "broken frame: checksum mismatch";
    case kErrFrameTooLong:
      return "broken frame: too long";
    default:
      return "no frame";
  }
}

}  // namespace

void FrameTrace::FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) {
  Line(tickMs, "->", payload, n);
}

void FrameTrace::FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) {
  Line(tickMs, "<-", payload, n);
}

void FrameTrace::RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) {
  Line(tickMs, "=>", bytes, n);
}

void FrameTrace::ReceiveFailed(std::uint32_t tickMs, ErrorCode why) {
  Stamp(tickMs, "<-");
  std::fprintf(out_, " (%s)\n", ReceiveFailureText(why));
}

void FrameTrace::Stamp(std::uint32_t tickMs, const char* direction) {
  if (!startMs_) startMs_ = tickMs;
  std::fprintf(out_, "%8u ms %s", static_cast<unsigned>(tickMs - *startMs_), direction);
}

void FrameTrace::Line(std::uint32_t tickMs, const char* direction, const std::uint8_t* bytes,
                      std::size_t n) {
  Stamp(tickMs, direction);
  for (std::size_t i = 0; i < n; ++i) std::fprintf(out_, " %02X", bytes[i]);
  std::fputc('\n', out_);
}

}  // namespace kvx::cli
