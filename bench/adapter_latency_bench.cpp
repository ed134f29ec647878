// A firmware update behind a USB serial adapter, whose latency timer holds every short reply
// until it runs out (16 ms by default on Linux and Windows; 1 ms when set low), against the
// simulator at 115200 baud answering no faster than a real line. Each exchange at 0, 1 and
// 16 ms, as its time from the first sector erase to the image marker's reply over the data
// bound (the image's data bytes at 10 bits each):
//
//  record by record: the window's exchange, one request per record;
//  joined, read back: Fast Update in the window and kvxctl's default, joined requests and
//                     the programmed image read back before the marker is written.
//
// Goal: the joined exchange at 16 ms within 1.2 times its time at 0 ms.
//
// Usage: adapter_latency_bench [kibibytes]   (default 512)
#include <cstdio>
#include <cstdlib>

#include "measured_update.h"

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr unsigned kRecordBytes = 32;
constexpr double kTargetSlowdown = 1.2;
constexpr std::uint32_t kLatenciesMs[] = {0, 1, 16};

struct Exchange {
  const char* name;
  kvx::FirmwareWriteMode mode;
  bool goal;  // held against kTargetSlowdown
};

}  // namespace

int main(int argc, char** argv) {
  const long kibibytes = argc > 1 ? std::atol(argv[1]) : 512;
  if (kibibytes < 1 || kibibytes > 760) {
    std::fprintf(stderr, "usage: adapter_latency_bench [1..760 KiB]\n");
    return 2;
  }
  const std::size_t imageBytes = static_cast<std::size_t>(kibibytes) * 1024;
  const kvx::FirmwareImage image = kvx::bench::PatternImage(imageBytes, kRecordBytes);
  const double dataBound = static_cast<double>(imageBytes) * 10.0 / kRate;
  std::printf(
      "firmware update behind a USB adapter, %ld KiB in records of %u bytes, %u baud, "
      "data bound %.2f s\n",
      kibibytes, kRecordBytes, kRate, dataBound);
  std::printf("%-20s %14s %14s %14s\n", "exchange", "0 ms", "1 ms", "16 ms");

  const Exchange exchanges[] = {{"record by record", {false, false}, false},
                                {"joined, read back", {true, true}, true}};
  for (const Exchange& exchange : exchanges) {
    double seconds[std::size(kLatenciesMs)] = {};
    for (std::size_t i = 0; i < std::size(kLatenciesMs); ++i) {
      kvx::sim::SimulatorOptions options;
      options.rate = kRate;
      options.pace = true;
      options.faults.usbLatencyMs = kLatenciesMs[i];
      const kvx::bench::MeasuredUpdate run = kvx::bench::UpdateOnce(image, exchange.mode, options);
      if (!run.ok) {
        std::fprintf(stderr, "adapter_latency_bench: the %s update at %u ms failed\n",
                     exchange.name, kLatenciesMs[i]);
        return 1;
      }
      seconds[i] = run.window.Elapsed();
    }
    std::printf("%-20s", exchange.name);
    for (const double s : seconds) std::printf(" %7.1f s %4.2fx", s, s / dataBound);
    std::printf("\n");
    if (exchange.goal) {
      const double slowdown = seconds[2] / seconds[0];
      std::printf("  16 ms over 0 ms: %.2f (target at most %.2f: %s)\n", slowdown, kTargetSlowdown,
                  slowdown <= kTargetSlowdown ? "met" : "NOT met");
    }
  }
  return 0;
}
