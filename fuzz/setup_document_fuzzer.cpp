// Feeds arbitrary file contents to the document reader. Whatever it accepts must be writable
// and survive being written and read again unchanged, as version 3.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

#include "app/setup_document.h"

namespace {

auto Values(const kvx::SetupDocument& d) {
  return std::tie(d.speedIndex, d.portIndex, d.network, d.reserved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kvx::SetupDocument read;
  if (!kvx::ReadSetupDocument(std::vector<std::uint8_t>(data, data + size), read).ok) return 0;
  const std::optional<std::vector<std::uint8_t>> written = kvx::WriteSetupDocument(read);
  kvx::SetupDocument reread;
  if (!written || !kvx::ReadSetupDocument(*written, reread).ok) std::abort();
  if (reread.fileVersion != kvx::kDocumentFormatVersion || Values(reread) != Values(read)) {
    std::abort();
  }
  return 0;
}
