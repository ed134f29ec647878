#pragma once

// One firmware update against a fresh simulator on a pseudo-terminal, timed from the first
// sector erase to the image marker's reply, with the wire bytes of every frame in between:
// what the firmware and adapter benchmarks both measure.
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "images/firmware_update.h"
#include "link/channel_ops.h"
#include "link/frame_codec.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "loader/flash_map.h"
#include "simulated_probe.h"
#include "srecord_tools.h"
#include "temp_directory.h"

namespace kvx::bench {

inline double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Watches the frames of one update: from the first erase request to the reply that follows
// the image marker's program request.
class UpdateWindow final : public FrameTap {
 public:
  void FrameSent(std::uint32_t, const std::uint8_t* payload, std::size_t n) override {
    const std::uint8_t letter = n > 2 ? payload[2] : 0;
    if (!open_ && letter == 'g') {
      open_ = true;
      start_ = Seconds(CLOCK_MONOTONIC);
    }
    markerSent_ = letter == 'h' && n == 2 + 7 + 4 && payload[3] == 0x01 && payload[4] == 0x04 &&
                  payload[5] == 0 && payload[6] == 0;
    if (open_) wireBytes_ += WireBytes(payload, n);
  }
  void FrameReceived(std::uint32_t, const std::uint8_t* payload, std::size_t n) override {
    if (!open_) return;
    wireBytes_ += WireBytes(payload, n);
    if (markerSent_) {
      end_ = Seconds(CLOCK_MONOTONIC);
      open_ = false;
    }
  }
  void RawSent(std::uint32_t, const std::uint8_t*, std::size_t n) override {
    if (open_) wireBytes_ += n;
  }
  void ReceiveFailed(std::uint32_t, ErrorCode) override { ++receiveFailures_; }

  double Elapsed() const { return end_ - start_; }
  double LineTime(std::uint32_t rate) const {
    return static_cast<double>(wireBytes_) * 10.0 / rate;
  }
  std::size_t WireBytesSeen() const { return wireBytes_; }
  int ReceiveFailures() const { return receiveFailures_; }

 private:
  std::size_t WireBytes(const std::uint8_t* payload, std::size_t n) {
    return EncodeFrame(payload, n, wire_.data());
  }

  std::vector<std::uint8_t> wire_ = std::vector<std::uint8_t>(kMaxEncodedFrame);
  bool open_ = false;
  bool markerSent_ = false;
  double start_ = 0;
  double end_ = 0;
  std::size_t wireBytes_ = 0;
  int receiveFailures_ = 0;
};

// Tells the user nothing, so that what the update costs is the update's own.
class SilentServices final : public DialogServices {
 public:
  void SetStatus(const std::string&) override {}
  MessageAnswer ShowMessage(const MessageBox&) override { return MessageAnswer::kAccepted; }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

// An image of `bytes` pattern bytes right after the image marker, in S3 records of `recordBytes`.
inline FirmwareImage PatternImage(std::size_t bytes, unsigned recordBytes) {
  const test::TempDirectory directory;
  return CheckFirmwareImage(
      test::SRecordTools(directory.Path())
          .Objcopy(test::PatternBytes(bytes), kFirmwareAreaStart + 4, recordBytes));
}

struct MeasuredUpdate {
  bool ok = false;
  double cpuSeconds = 0;  // of this thread, for the whole update
  UpdateWindow window;
};

// One update against a simulator started with `options`.
inline MeasuredUpdate UpdateOnce(const FirmwareImage& image, FirmwareWriteMode mode,
                                 const sim::SimulatorOptions& options) {
  test::SimulatedProbe probe(options);
  PosixSerialChannel channel;
  ProbeLink link(channel);
  MeasuredUpdate run;
  channel.SetTap(&run.window);
  SilentServices services;
  FirmwareProgress progress;
  if (ConnectProbeLink(link, probe->SlavePath(), options.rate) != kOk) return run;
  const double cpuStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
  run.ok = UpdateFirmware(link, image, services, progress, mode) == kOk;
  run.cpuSeconds = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
  CloseProbeLink(link);
  return run;
}

}  // namespace kvx::bench
