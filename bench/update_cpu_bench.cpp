// kvxctl's CPU for a whole firmware update against the CPU of the barest host that could do
// the same: a loop that writes the very frames of such an update and reads each reply up to
// its end, nothing else. kvxsim plays the probe in a process of its own, unpaced (its CPU is
// not counted), with firmware 1.04; the update is 1.05, a 512 KiB image in 32-byte S3
// records, in kvxctl's default mode and record by record. Measured, seven runs each:
//
//  1. kvxctl update, start to exit: its user and system CPU from wait4, program start, file
//     reading and checking, the link, the terminal output and all;
//  2. the bare host, a child process replaying the frames of the same update (recorded from
//     the library driving a simulated probe: wake-up, identity, erases, records, marker,
//     identity, start) over a port of its own: its CPU from wait4.
//
// Reported is (1) over (2), medians and best runs; at most 1.05. The CPU of reading and
// checking the image in-process comes first, to show what of (1) is the image's. Beside it, the
// bare host once more, discarding pending input before each write as every exchange of ours does:
// what that costs on a pseudo-terminal is the link's, not the image's. The kvxctl default, joined
// and verified, sends a few hundred frames, so there its start and the image's reading and
// checking outweigh the link; record by record the link is nearly all of it.
//
// Usage: update_cpu_bench [kibibytes]   (default 512)
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "images/firmware_update.h"
#include "link/channel_ops.h"
#include "link/frame_codec.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "loader/flash_commands.h"
#include "loader/probe_identity.h"
#include "program_run.h"
#include "recording_services.h"
#include "simulated_probe.h"
#include "update_files.h"

namespace {

constexpr std::uint32_t kRate = 115200;
constexpr int kRuns = 7;
constexpr double kTarget = 1.05;

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// Waits for `child` and returns its user and system CPU; throws unless it exited with 0.
double ChildCpuSeconds(pid_t child, const char* what) {
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(std::string(what) + " failed");
  }
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// How kvxctl is asked to program, and the same for the library.
struct Mode {
  const char* name;
  const char* kvxctlOption;  // nullptr: kvxctl's default
  kvx::FirmwareWriteMode mode;
};

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void Show(const char* what, const std::vector<double>& seconds) {
  std::printf("  %-18s %8.4f s (runs from %.4f to %.4f s)\n", what, Median(seconds), Best(seconds),
              *std::max_element(seconds.begin(), seconds.end()));
}

// The part of kvxctl's CPU that is the image's: reading the file and checking it, in-process.
double ImageCpuSeconds(const kvx::test::UpdateFiles& files) {
  std::vector<double> runs;
  for (int run = 0; run < kRuns; ++run) {
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    const bool programmable = kvx::LoadFirmwareImage(files / "KVXARMFW.105").Programmable();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    if (!programmable) throw std::runtime_error("the image is not programmable");
    runs.push_back(static_cast<double>(end.tv_sec - start.tv_sec) +
                   static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9);
  }
  return Best(runs);
}

double KvxctlUpdate(const kvx::test::UpdateFiles& files, const Mode& mode) {
  const kvx::test::SimulatorProcess sim(KVXSIM_PATH, {"--rate", std::to_string(kRate)});
  if (sim.Path().empty()) throw std::runtime_error("kvxsim did not start");
  const pid_t child = fork();
  if (child == 0) {
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    execl(KVXCTL_PATH, KVXCTL_PATH, "update", "--dir", files.Path().c_str(), "--port",
          sim.Path().c_str(), mode.kvxctlOption, mode.kvxctlOption ? "--no-verify" : nullptr,
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return ChildCpuSeconds(child, "kvxctl update");
}

// One write of the host: the bytes as they go on the line, and whether a reply frame follows.
struct Send {
  std::vector<std::uint8_t> wire;
  bool replied = false;
};

class Recorder final : public kvx::FrameTap {
 public:
  std::vector<Send> sends;

  void FrameSent(std::uint32_t, const std::uint8_t* payload, std::size_t n) override {
    std::vector<std::uint8_t> wire(kvx::kMaxEncodedFrame);
    wire.resize(kvx::EncodeFrame(payload, n, wire.data()));
    sends.push_back({std::move(wire), false});
  }
  void FrameReceived(std::uint32_t, const std::uint8_t*, std::size_t) override {
    sends.back().replied = true;
  }
  void RawSent(std::uint32_t, const std::uint8_t* bytes, std::size_t n) override {
    sends.push_back({{bytes, bytes + n}, false});
  }
  void ReceiveFailed(std::uint32_t, kvx::ErrorCode) override {
    throw std::runtime_error("a reply failed while recording");
  }
};

std::vector<Send> RecordUpdate(const kvx::test::UpdateFiles& files, const Mode& mode) {
  kvx::test::SimulatedProbe probe(kvx::test::ProbeWithVersions(104, 104));
  kvx::PosixSerialChannel channel;
  kvx::ProbeLink link(channel);
  Recorder recorder;
  channel.SetTap(&recorder);
  kvx::ProbeIdentity identity;
  kvx::test::RecordingServices services;
  kvx::FirmwareProgress progress;
  const bool updated = kvx::ConnectProbeLink(link, probe->SlavePath(), kRate) == kvx::kOk &&
                       kvx::QueryIdentity(link, identity) == kvx::kOk &&
                       kvx::UpdateFirmware(link, kvx::LoadFirmwareImage(files / "KVXARMFW.105"),
                                           services, progress, mode.mode) == kvx::kOk &&
                       kvx::QueryIdentity(link, identity) == kvx::kOk;
  kvx::StartFirmware(link);
  channel.SetTap(nullptr);
  kvx::CloseProbeLink(link);
  if (!updated) throw std::runtime_error("the recorded update failed");
  return recorder.sends;
}

// Reads until a frame has ended: DLE ETX and the checksum, doubled when it is a DLE.
bool ReadReply(int fd) {
  enum { kInFrame, kAfterDle, kChecksum, kDoubledChecksum } state = kInFrame;
  std::uint8_t buffer[4096];
  for (;;) {
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, 2000) != 1) return false;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    for (ssize_t i = 0; i < n; ++i) {
      const std::uint8_t byte = buffer[i];
      if (state == kDoubledChecksum || (state == kChecksum && byte != kvx::kDle)) return true;
      if (state == kChecksum) {
        state = kDoubledChecksum;
      } else if (state == kAfterDle) {
        state = byte == kvx::kEtx ? kChecksum : kInFrame;
      } else if (byte == kvx::kDle) {
        state = kAfterDle;
      }
    }
  }
}

// `purge`: discard pending input before each write, as every exchange of ours does.
void ReplayAndExit(const std::string& path, const std::vector<Send>& sends, bool purge) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  termios settings{};
  if (fd < 0 || tcgetattr(fd, &settings) != 0) _exit(1);
  cfmakeraw(&settings);
  cfsetspeed(&settings, B115200);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) _exit(1);
  for (const Send& send : sends) {
    if (purge) tcflush(fd, TCIFLUSH);
    if (write(fd, send.wire.data(), send.wire.size()) != static_cast<ssize_t>(send.wire.size()))
      _exit(1);
    if (send.replied && !ReadReply(fd)) _exit(1);
  }
  _exit(0);
}

double BareHostUpdate(const std::vector<Send>& sends, bool purge) {
  const kvx::test::SimulatorProcess sim(KVXSIM_PATH, {"--rate", std::to_string(kRate)});
  if (sim.Path().empty()) throw std::runtime_error("kvxsim did not start");
  const pid_t child = fork();
  if (child == 0) ReplayAndExit(sim.Path(), sends, purge);
  return ChildCpuSeconds(child, "the bare host's replay");
}

}  // namespace

int main(int argc, char** argv) try {
  const long kibibytes = argc > 1 ? std::atol(argv[1]) : 512;
  if (kibibytes < 1 || kibibytes > 760) {
    std::fprintf(stderr, "usage: update_cpu_bench [1..760 KiB]\n");
    return 2;
  }
  kvx::test::UpdateFiles files;
  files.AddFirmware(105, static_cast<std::size_t>(kibibytes) * 1024);
  files.AddLogic("KVXLOG70.104");
  std::printf("firmware update, %ld KiB in %u-byte records, unpaced, median of %d runs\n",
              kibibytes, kvx::test::UpdateFiles::kRecordBytes, kRuns);
  std::printf("  reading and checking the image, best run: %.2f ms of CPU\n",
              ImageCpuSeconds(files) * 1e3);
  const Mode modes[] = {{"kvxctl's default, joined and verified", nullptr, {true, true}},
                        {"--record-by-record --no-verify", "--record-by-record", {false, false}}};
  for (const Mode& mode : modes) {
    const std::vector<Send> sends = RecordUpdate(files, mode);
    std::vector<double> kvxctl;
    std::vector<double> bare;
    std::vector<double> purging;
    for (int run = 0; run < kRuns; ++run) {
      kvxctl.push_back(KvxctlUpdate(files, mode));
      bare.push_back(BareHostUpdate(sends, false));
      purging.push_back(BareHostUpdate(sends, true));
    }
    const double ratio = Median(kvxctl) / Median(bare);
    std::printf("%s, %zu writes:\n", mode.name, sends.size());
    Show("kvxctl CPU", kvxctl);
    Show("bare host CPU", bare);
    Show("  purging input", purging);
    std::printf(
        "  kvxctl over the bare host %6.3f, best over best %.3f   (target at most %.2f: %s)\n",
        ratio, Best(kvxctl) / Best(bare), kTarget, ratio <= kTarget ? "met" : "NOT met");
    std::printf("  kvxctl over the purging bare host %6.3f, best over best %.3f\n",
                Median(kvxctl) / Median(purging), Best(kvxctl) / Best(purging));
  }
  return 0;
} catch (const std::exception& failure) {
  std::fprintf(stderr, "update_cpu_bench: %s\n", failure.what());
  return 1;
}
