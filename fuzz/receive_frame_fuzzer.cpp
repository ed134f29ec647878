// Feeds arbitrary line bytes to the frame receiver. The first input byte picks the caller's
// capacity and how many port reads fail first, so short buffers and line errors are covered.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/frame_codec.h"
#include "scripted_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kvx::test::ScriptedChannel channel;
  const std::int32_t capacity = (data[0] & 0x0F) == 0 ? 1500 : data[0] & 0x0F;
  channel.failReads = data[0] >> 6;
  channel.Feed(kvx::test::Bytes(data + 1, data + size));
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(capacity));
  for (int frames = 0; frames < 8; ++frames) {
    const kvx::Reply frame = kvx::ReceiveFrame(channel, capacity, buffer.data(), 200);
    if (frame.length > capacity || frame.length < 0) __builtin_trap();
    if (!frame.Ok() && frame.length != 0) __builtin_trap();
    if (frame.error == kvx::kErrTimeout) break;
  }
  return 0;
}
