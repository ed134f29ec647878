// A whole firmware update of a 256 KiB image in 32-byte S3 records against the simulator at
// 115200 baud, measured twice:
//
//  paced:   the simulator answers no faster than a real line. Reported is the time from the
//           first sector erase going out to the image marker's reply coming in, over the line
//           time of every byte exchanged in between. Requests and replies take turns on the
//           line, so 1.00 is the bound of this protocol.
//  unpaced: our own thread's CPU per programmed record, as a share of that record's line time.
//
// Usage: firmware_update_bench [kibibytes]   (default 256)
#include <time.h>

#include <cstdio>
#include <cstdlib>
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

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr unsigned kRecordBytes = 32;
constexpr double kTargetRatio = 1.02;
constexpr double kTargetShare = 0.0025;
constexpr kvx::VersionNumber kImageNumber = 105;

double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::size_t WireBytes(const std::uint8_t* payload, std::size_t n) {
  static std::vector<std::uint8_t> wire(kvx::kMaxEncodedFrame);
  return kvx::EncodeFrame(payload, n, wire.data());
}

// Watches the frames of one update: from the first erase request to the reply that follows
// the image marker's program request, with the wire bytes of every frame in between.
class UpdateWindow final : public kvx::FrameTap {
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
  void ReceiveFailed(std::uint32_t, kvx::ErrorCode) override { ++receiveFailures_; }

  double Elapsed() const { return end_ - start_; }
  double LineTime() const { return static_cast<double>(wireBytes_) * 10.0 / kRate; }
  std::size_t WireBytesSeen() const { return wireBytes_; }
  int ReceiveFailures() const { return receiveFailures_; }

 private:
  bool open_ = false;
  bool markerSent_ = false;
  double start_ = 0;
  double end_ = 0;
  std::size_t wireBytes_ = 0;
  int receiveFailures_ = 0;
};

class SilentServices final : public kvx::DialogServices {
 public:
  void SetStatus(const std::string&) override {}
  kvx::MessageAnswer ShowMessage(const kvx::MessageBox&) override {
    return kvx::MessageAnswer::kAccepted;
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

struct Run {
  bool ok = false;
  double cpuSeconds = 0;
  UpdateWindow window;
};

// One update against a fresh simulator; `pace` holds its replies to line speed.
Run UpdateOnce(const kvx::test::TempDirectory& updates, bool pace) {
  kvx::sim::SimulatorOptions options;
  options.rate = kRate;
  options.pace = pace;
  kvx::test::SimulatedProbe probe(options);
  kvx::PosixSerialChannel channel;
  kvx::ProbeLink link(channel);
  Run run;
  channel.SetTap(&run.window);
  SilentServices services;
  kvx::FirmwareProgress progress;
  if (kvx::ConnectProbeLink(link, probe->SlavePath(), kRate) != kvx::kOk) return run;
  const double cpuStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
  run.ok = kvx::UpdateFirmware(link, kvx::UpdateCatalogue(updates.Path()), kImageNumber, services,
                               progress) == kvx::kOk;
  run.cpuSeconds = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
  kvx::CloseProbeLink(link);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const long kibibytes = argc > 1 ? std::atol(argv[1]) : 256;
  if (kibibytes < 1 || kibibytes > 760) {
    std::fprintf(stderr, "usage: firmware_update_bench [1..760 KiB]\n");
    return 2;
  }
  const kvx::test::TempDirectory updates;
  const std::size_t imageBytes = static_cast<std::size_t>(kibibytes) * 1024;
  const std::size_t records = imageBytes / kRecordBytes;
  updates.Write("KVXARMFW.105", kvx::test::SRecordTools(updates.Path())
                                    .Objcopy(kvx::test::PatternBytes(imageBytes),
                                             kvx::kFirmwareAreaStart + 4, kRecordBytes));

  const Run unpaced = UpdateOnce(updates, false);
  const Run paced = UpdateOnce(updates, true);
  if (!unpaced.ok || !paced.ok) {
    std::fprintf(stderr, "firmware_update_bench: the update failed\n");
    return 1;
  }

  const double ratio = paced.window.Elapsed() / paced.window.LineTime();
  std::printf("firmware update, %ld KiB in %zu records of %u bytes, %u baud\n", kibibytes, records,
              kRecordBytes, kRate);
  std::printf("  paced: first erase to marker reply %8.2f s\n", paced.window.Elapsed());
  std::printf("         line time of those bytes    %8.2f s (%zu bytes on the wire)\n",
              paced.window.LineTime(), paced.window.WireBytesSeen());
  std::printf("         ratio                       %8.3f   (target at most %.2f: %s)\n", ratio,
              kTargetRatio, ratio <= kTargetRatio ? "met" : "NOT met");

  const double perRecordCpu = unpaced.cpuSeconds / static_cast<double>(records);
  const double exchanges = static_cast<double>(records + kvx::kFirmwareSectors.size() + 1);
  const double perRecordLine = unpaced.window.LineTime() / exchanges;
  const double share = perRecordCpu / perRecordLine;
  std::printf(
      "  unpaced: wall time per exchange    %8.2f us (the pty's and the simulator's "
      "round trip, which pacing adds to the line time)\n",
      unpaced.window.Elapsed() / exchanges * 1e6);
  std::printf("  unpaced: our CPU per record        %8.2f us\n", perRecordCpu * 1e6);
  std::printf("           line time per exchange    %8.2f us\n", perRecordLine * 1e6);
  std::printf("           CPU share of line time    %8.3f %% (target at most %.2f %%: %s)\n",
              share * 100, kTargetShare * 100, share <= kTargetShare ? "met" : "NOT met");
  if (paced.window.ReceiveFailures() + unpaced.window.ReceiveFailures() > 0) {
    std::printf("  (%d receives failed and were retried)\n",
                paced.window.ReceiveFailures() + unpaced.window.ReceiveFailures());
  }
  return 0;
}
