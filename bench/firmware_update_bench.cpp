// A whole firmware update of a 256 KiB image in 32-byte S3 records against the simulator at
// 115200 baud, record by record, joined (--fast) and joined with read-back (--fast --verify),
// each measured twice:
//
//  paced:   the simulator answers no faster than a real line. Reported is the time from the
//           first sector erase going out to the image marker's reply coming in, over the line
//           time of every byte exchanged in between (requests and replies take turns on the
//           line, so 1.00 is the bound of this protocol), and over the pure data bound, the
//           image's data bytes at 10 bits each.
//  unpaced: our own thread's CPU, as a share of the line time of what it exchanged.
//
// Usage: firmware_update_bench [kibibytes]   (default 256)
#include <cstdio>
#include <cstdlib>

#include "measured_update.h"

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr unsigned kRecordBytes = 32;
constexpr double kTargetOverLine = 1.02;
constexpr double kTargetShare = 0.0025;

// One update against a fresh simulator; `pace` holds its replies to line speed.
kvx::bench::MeasuredUpdate UpdateOnce(const kvx::FirmwareImage& image, kvx::FirmwareWriteMode mode,
                                      bool pace) {
  kvx::sim::SimulatorOptions options;
  options.rate = kRate;
  options.pace = pace;
  return kvx::bench::UpdateOnce(image, mode, options);
}

struct Mode {
  const char* name;
  kvx::FirmwareWriteMode mode;
  double targetOverData;  // 0: no goal
};

}  // namespace

int main(int argc, char** argv) {
  const long kibibytes = argc > 1 ? std::atol(argv[1]) : 256;
  if (kibibytes < 1 || kibibytes > 760) {
    std::fprintf(stderr, "usage: firmware_update_bench [1..760 KiB]\n");
    return 2;
  }
  const std::size_t imageBytes = static_cast<std::size_t>(kibibytes) * 1024;
  const std::size_t records = imageBytes / kRecordBytes;
  const kvx::FirmwareImage image = kvx::bench::PatternImage(imageBytes, kRecordBytes);
  const double dataBound = static_cast<double>(imageBytes) * 10.0 / kRate;
  std::printf("firmware update, %ld KiB in %zu records of %u bytes, %u baud, data bound %.2f s\n",
              kibibytes, records, kRecordBytes, kRate, dataBound);

  const Mode modes[] = {{"record by record", {false, false}, 0},
                        {"--fast", {true, false}, 1.06},
                        {"--fast --verify", {true, true}, 2.10}};
  int failures = 0;
  for (const Mode& m : modes) {
    const kvx::bench::MeasuredUpdate unpaced = UpdateOnce(image, m.mode, false);
    const kvx::bench::MeasuredUpdate paced = UpdateOnce(image, m.mode, true);
    if (!unpaced.ok || !paced.ok) {
      std::fprintf(stderr, "firmware_update_bench: the %s update failed\n", m.name);
      return 1;
    }
    const double overLine = paced.window.Elapsed() / paced.window.LineTime(kRate);
    const double overData = paced.window.Elapsed() / dataBound;
    const double share = unpaced.cpuSeconds / unpaced.window.LineTime(kRate);
    std::printf("%s:\n", m.name);
    std::printf("  paced: first erase to marker reply %8.2f s, %zu bytes on the wire\n",
                paced.window.Elapsed(), paced.window.WireBytesSeen());
    std::printf("         over their line time       %8.3f   (target at most %.2f: %s)\n", overLine,
                kTargetOverLine, overLine <= kTargetOverLine ? "met" : "NOT met");
    if (m.targetOverData > 0) {
      std::printf("         over the data bound        %8.3f   (target at most %.2f: %s)\n",
                  overData, m.targetOverData, overData <= m.targetOverData ? "met" : "NOT met");
    } else {
      std::printf("         over the data bound        %8.3f\n", overData);
    }
    std::printf("  unpaced: wall time                 %8.2f s\n", unpaced.window.Elapsed());
    std::printf("           our CPU                   %8.3f s, %.2f us a record\n",
                unpaced.cpuSeconds, unpaced.cpuSeconds / static_cast<double>(records) * 1e6);
    std::printf("           CPU share of line time    %8.3f %% (target at most %.2f %%: %s)\n",
                share * 100, kTargetShare * 100, share <= kTargetShare ? "met" : "NOT met");
    failures += paced.window.ReceiveFailures() + unpaced.window.ReceiveFailures();
  }
  if (failures > 0) std::printf("(%d receives failed and were retried)\n", failures);
  return 0;
}
