#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"
#include "sim/seeded_random.h"

namespace kvx::sim {

// Command bytes of the two start-up messages; loader commands are their letters.
inline constexpr std::uint8_t kPingCommand = 0x01;
inline constexpr std::uint8_t kSpeedCommand = 0x03;

// Where a request stands in the stream: numbered from 1 among all requests the simulator
// accepted, and among those with the same command byte.
struct RequestTag {
  std::uint8_t command = 0;
  std::uint32_t overallIndex = 0;
  std::uint32_t commandIndex = 0;
};

// Selects the requests a fault hits. Text form: comma-separated rules, each
//   N        the N-th request (of any command, or of the default command if one is given)
//   C:N      the N-th request of command C
//   C:*      every request of command C ("*" alone: every request)
//   P, C:P   each request (of command C) with probability P, a number with a decimal point
// C is a loader command letter, "ping" or "speed". Example: "d:1,g:3,0.05".
class FaultTrigger {
 public:
  FaultTrigger() = default;

  // `defaultCommand` is what a rule without "C:" refers to; std::nullopt means any request.
  // A malformed text fails, saying why.
  static Result<FaultTrigger> Parse(std::string_view text,
                                    std::optional<std::uint8_t> defaultCommand);

  // Decides for one request. Draws from `random` only for probability rules that match the
  // command, so the outcome depends on the seed and the request stream alone.
  bool Fires(const RequestTag& tag, SeededRandom& random) const;

  bool Empty() const { return rules_.empty(); }

 private:
  enum class Kind { kIndex, kEvery, kChance };
  struct Rule {
    std::optional<std::uint8_t> command;
    Kind kind = Kind::kEvery;
    std::uint32_t index = 0;
    double chance = 0.0;
  };

  static Result<Rule> ParseRule(std::string_view text, std::optional<std::uint8_t> defaultCommand);

  std::vector<Rule> rules_;
};

}  // namespace kvx::sim
