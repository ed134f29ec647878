#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "link/serial_channel.h"

namespace kvx::cli {

// Writes every frame crossing the link to a stream, one line each: milliseconds since the
// first frame, the direction ("->" sent, "<-" received, "=>" raw bytes outside a frame, "=="
// what the port's driver granted) and the payload in hexadecimal, or in words why nothing
// usable came back.
class FrameTrace : public FrameTap {
 public:
  explicit FrameTrace(std::FILE* out) : out_(out) {}

  void FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) override;
  void FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) override;
  void RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) override;
  void ReceiveFailed(std::uint32_t tickMs, ErrorCode why) override;
  // Once: a Connect opens the port again for every attempt, and the driver answers alike.
  void PortOpened(std::uint32_t tickMs, const std::string& note) override;

 private:
  void Stamp(std::uint32_t tickMs, const char* direction);
  void Line(std::uint32_t tickMs, const char* direction, const std::uint8_t* bytes, std::size_t n);

  std::FILE* out_;
  std::optional<std::uint32_t> startMs_;
  std::string lastNote_;
};

}  // namespace kvx::cli
