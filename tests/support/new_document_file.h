#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "app/setup_document.h"

namespace kvx::test {

// A new document as saved: version 3, speed 0, port 0, "0.0.0.0", "255.255.255.255", an
// empty configuration file name, "255.255.255.255" twice and `reserved` 0.
inline std::vector<std::uint8_t> NewDocumentFile() {
  // clang-format off
  const std::string bytes("\x03\x00\x00\x00\x00\x00"
                           "\x07" "0.0.0.0"
                           "\x0F" "255.255.255.255"
                           "\x00"
                           "\x0F" "255.255.255.255"
                           "\x0F" "255.255.255.255"
                           "\x00\x00",
                           65);
  // clang-format on
  return {bytes.begin(), bytes.end()};
}

// Every value of a document, for comparing two in one check.
inline auto DocumentValues(const SetupDocument& d) {
  return std::tie(d.fileVersion, d.speedIndex, d.portIndex, d.network.probeIpAddress,
                  d.network.hostIpAddress, d.network.configFileName, d.network.subnetMask,
                  d.network.defaultGateway, d.reserved);
}

}  // namespace kvx::test
