// How much of our own CPU one request/response exchange costs, against the time the same
// bytes take on the line at 115200 baud. The simulator runs unpaced on its own thread, so the
// figure is this thread's CPU time alone: frame building, stuffing, system calls, parsing.
//
// The exchanges run in batches and the median batch is reported, since the cost is mostly
// the kernel's (pty writes, waking the simulator, sleeping in poll) and varies with the load.
//
// Usage: exchange_bench [exchanges]   (default 2000)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/channel_ops.h"
#include "link/frame_codec.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "loader/flash_map.h"
#include "loader/loader_commands.h"
#include "simulated_probe.h"

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr std::uint32_t kRecordBytes = 32;
constexpr double kTargetShare = 0.0025;
constexpr int kBatches = 5;

struct Sample {
  double cpu;
  double wall;
};

double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::size_t WireBytes(std::size_t payloadBytes, std::uint8_t fill) {
  std::vector<std::uint8_t> payload(payloadBytes, fill), wire(kvx::kMaxEncodedFrame);
  return kvx::EncodeFrame(payload.data(), payload.size(), wire.data());
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (exchanges < kBatches || static_cast<std::uint32_t>(exchanges) * kRecordBytes > 0x40000) {
    std::fprintf(stderr, "usage: exchange_bench [5..8192]\n");
    return 2;
  }
  kvx::sim::SimulatorOptions options;
  options.rate = kRate;
  kvx::test::SimulatedProbe probe(options);
  kvx::PosixSerialChannel channel;
  kvx::ProbeLink link(channel);
  if (kvx::ConnectProbeLink(link, probe->SlavePath(), kRate) != kvx::kOk ||
      kvx::EraseSector(link, kvx::kFirmwareAreaStart) != kvx::kOk) {
    std::fprintf(stderr, "exchange_bench: the simulated probe did not answer\n");
    return 1;
  }

  std::vector<std::uint8_t> record(kRecordBytes, 0x5A);
  std::vector<Sample> batches;
  std::uint32_t address = kvx::kFirmwareAreaStart;
  for (int batch = 0; batch < kBatches; ++batch) {
    const Sample start{Seconds(CLOCK_THREAD_CPUTIME_ID), Seconds(CLOCK_MONOTONIC)};
    for (int i = 0; i < exchanges / kBatches; ++i, address += kRecordBytes) {
      if (kvx::ProgramFlash(link, address, record.size(), record.data()) != kvx::kOk) {
        std::fprintf(stderr, "exchange_bench: exchange at 0x%08X failed\n", address);
        return 1;
      }
    }
    const double perExchange = 1.0 / (exchanges / kBatches);
    batches.push_back({(Seconds(CLOCK_THREAD_CPUTIME_ID) - start.cpu) * perExchange,
                       (Seconds(CLOCK_MONOTONIC) - start.wall) * perExchange});
  }
  std::sort(batches.begin(), batches.end(),
            [](const Sample& a, const Sample& b) { return a.cpu < b.cpu; });
  const double cpu = batches[kBatches / 2].cpu;
  const double wall = batches[kBatches / 2].wall;
  kvx::StartFirmware(link);
  kvx::CloseProbeLink(link);

  // Request: header, 'h', address, length, data. Reply: header, 'h', status, value.
  const std::size_t lineBytes = WireBytes(2 + 7 + kRecordBytes, 0x5A) + WireBytes(2 + 6, 0);
  const double lineTime = static_cast<double>(lineBytes) * 10.0 / kRate;
  const double share = cpu / lineTime;
  std::printf("exchange carrying a %u-byte record, %d exchanges, over a pty, unpaced\n",
              static_cast<unsigned>(kRecordBytes), exchanges);
  std::printf("  our CPU per exchange   %8.2f us  (median of %d batches; best %.2f us)\n",
              cpu * 1e6, kBatches, batches.front().cpu * 1e6);
  std::printf("  wall time per exchange %8.2f us\n", wall * 1e6);
  std::printf("  line time at %u baud %8.2f us (%zu bytes on the wire)\n", kRate, lineTime * 1e6,
              lineBytes);
  std::printf("  CPU share of line time %8.3f %%  (target at most %.2f %%: %s)\n", share * 100,
              kTargetShare * 100, share <= kTargetShare ? "met" : "NOT met");
  return 0;
}
