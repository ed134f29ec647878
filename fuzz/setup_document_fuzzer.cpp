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
  const kvx::Result<kvx::SetupDocument> read =
      kvx::ReadSetupDocument(std::vector<std::uint8_t>(data, data + size));
  if (!read) return 0;
  const kvx::Result<std::vector<std::uint8_t>> written = kvx::WriteSetupDocument(*read);
  if (!written) std::abort();
  const kvx::Result<kvx::SetupDocument> reread = kvx::ReadSetupDocument(*written);
  if (!reread) std::abort();
  if (reread->fileVersion != kvx::kDocumentFormatVersion || Values(*reread) != Values(*read)) {
    std::abort();
  }
  return 0;
}
