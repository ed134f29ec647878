#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/fault_trigger.h"

namespace kvx::test {

// A fault trigger in the simulator's option text form ("2", "h:0.03"); a malformed text
// throws, failing the test that wrote it.
inline sim::FaultTrigger Trigger(const std::string& text,
                                 std::optional<std::uint8_t> counts = std::nullopt) {
  return sim::FaultTrigger::Parse(text, counts).value();
}

}  // namespace kvx::test
