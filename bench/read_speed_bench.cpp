// Reading a probe's whole firmware area, 768 KiB, against the simulator at 115200 baud
// answering no faster than a real line. The area holds data throughout (a probe's flash full
// of firmware, DLE bytes and all), written beforehand by an unpaced simulator whose state the
// paced one takes over.
//
// Reported is the wall time of ReadFirmwareArea over the data bound, the area's bytes at 10
// bits each: at most 1.06. It also says how much of that the line itself takes (every frame
// byte both ways, escapes included) and how much the turn-arounds between requests.
//
// Usage: read_speed_bench
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "connected_probe.h"
#include "images/firmware_update.h"
#include "images/probe_readback.h"
#include "link/frame_codec.h"
#include "loader/flash_commands.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "srecord_tools.h"
#include "temp_directory.h"

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr std::size_t kAreaBytes = kvx::kFirmwareAreaEnd - kvx::kFirmwareAreaStart;
constexpr double kTarget = 1.06;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Counts the bytes of every frame on the line, both ways.
class WireCount final : public kvx::FrameTap {
 public:
  std::size_t bytes = 0;

  void FrameSent(std::uint32_t, const std::uint8_t* payload, std::size_t n) override {
    Count(payload, n);
  }
  void FrameReceived(std::uint32_t, const std::uint8_t* payload, std::size_t n) override {
    Count(payload, n);
  }
  void RawSent(std::uint32_t, const std::uint8_t*, std::size_t n) override { bytes += n; }
  void ReceiveFailed(std::uint32_t, kvx::ErrorCode) override {
    throw std::runtime_error("a reply failed");
  }

 private:
  void Count(const std::uint8_t* payload, std::size_t n) {
    bytes += kvx::EncodeFrame(payload, n, wire_.data());
  }
  std::vector<std::uint8_t> wire_ = std::vector<std::uint8_t>(kvx::kMaxEncodedFrame);
};

kvx::sim::SimulatorOptions Probe(const std::string& statePath, bool pace) {
  kvx::sim::SimulatorOptions options = kvx::test::ConnectedProbe::WithRate(kRate);
  options.statePath = statePath;
  options.pace = pace;
  return options;
}

// Fills the firmware area of the probe kept in `statePath`.
void FillArea(const std::string& statePath) {
  kvx::test::ConnectedProbe probe(Probe(statePath, false));
  if (probe.startup != kvx::kOk) throw std::runtime_error("the simulated probe did not answer");
  const std::vector<std::uint8_t> bytes = kvx::test::PatternBytes(kAreaBytes);
  for (std::size_t at = 0; at < kAreaBytes; at += kvx::kMaxJoinedProgramBytes) {
    const std::size_t n = std::min(kvx::kMaxJoinedProgramBytes, kAreaBytes - at);
    if (kvx::ProgramFlash(probe.link, static_cast<std::uint32_t>(kvx::kFirmwareAreaStart + at), n,
                          bytes.data() + at) != kvx::kOk)
      throw std::runtime_error("filling the area failed");
  }
  if (const kvx::Result<void> saved = probe.probe->SaveState(); !saved)
    throw std::runtime_error(saved.failure().text);
}

}  // namespace

int main() try {
  const kvx::test::TempDirectory scratch;
  const std::string statePath = (scratch / "probe.state").string();
  FillArea(statePath);

  kvx::test::ConnectedProbe probe(Probe(statePath, true));
  if (probe.startup != kvx::kOk) throw std::runtime_error("the paced probe did not answer");
  WireCount wire;
  probe.channel.SetTap(&wire);
  kvx::test::RecordingServices services;
  kvx::FirmwareReading reading;
  const double start = MonotonicSeconds();
  const kvx::ErrorCode result = kvx::ReadFirmwareArea(probe.link, services, reading);
  const double elapsed = MonotonicSeconds() - start;
  probe.channel.SetTap(nullptr);
  if (result != kvx::kOk ||
      reading.area != probe.probe->ReadFlash(kvx::kFirmwareAreaStart, kAreaBytes))
    throw std::runtime_error("the area was not read as it is");

  const double dataBound = static_cast<double>(kAreaBytes) * 10.0 / kRate;
  const double lineTime = static_cast<double>(wire.bytes) * 10.0 / kRate;
  const double overData = elapsed / dataBound;
  std::printf("reading the firmware area, %zu KiB, %u baud, paced\n", kAreaBytes / 1024, kRate);
  std::printf("  wall time              %8.2f s, %zu bytes on the wire\n", elapsed, wire.bytes);
  std::printf("  data bound             %8.2f s\n", dataBound);
  std::printf("  line time of the frames%8.2f s (%.3f of the data bound)\n", lineTime,
              lineTime / dataBound);
  std::printf("  over the data bound    %8.3f   (target at most %.2f: %s)\n", overData, kTarget,
              overData <= kTarget ? "met" : "NOT met");
  return 0;
} catch (const std::exception& failure) {
  std::fprintf(stderr, "read_speed_bench: %s\n", failure.what());
  return 1;
}
