#include "sim/fault_trigger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kvx::sim {
namespace {

// A request stream: d r d g g ping d, tagged as the engine tags it.
std::vector<RequestTag> Stream() {
  const std::vector<std::uint8_t> commands = {'d', 'r', 'd', 'g', 'g', kPingCommand, 'd'};
  std::vector<RequestTag> tags;
  std::vector<std::uint32_t> perCommand(256, 0);
  for (std::uint8_t command : commands) {
    tags.push_back({command, static_cast<std::uint32_t>(tags.size() + 1), ++perCommand[command]});
  }
  return tags;
}

std::string FiringPattern(const FaultTrigger& trigger, std::uint64_t seed = 1) {
  SeededRandom random(seed);
  std::string pattern;
  for (const RequestTag& tag : Stream()) pattern += trigger.Fires(tag, random) ? 'X' : '.';
  return pattern;
}

struct TriggerCase {
  std::string text;
  std::optional<std::uint8_t> defaultCommand;
  std::string pattern;  // over d r d g g ping d
};

class TriggerSelection : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(TriggerSelection, FiresOnExactlyTheChosenRequests) {
  std::string error;
  const std::optional<FaultTrigger> trigger =
      FaultTrigger::Parse(GetParam().text, GetParam().defaultCommand, error);
  ASSERT_TRUE(trigger) << error;
  EXPECT_EQ(FiringPattern(*trigger), GetParam().pattern) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, TriggerSelection,
                         ::testing::Values(TriggerCase{"", std::nullopt, "......."},
                                           TriggerCase{"1", std::nullopt, "X......"},
                                           TriggerCase{"2,5", std::nullopt, ".X..X.."},
                                           TriggerCase{"d:2", std::nullopt, "..X...."},
                                           TriggerCase{"d:*", std::nullopt, "X.X...X"},
                                           TriggerCase{"*", std::nullopt, "XXXXXXX"},
                                           TriggerCase{"ping:1", std::nullopt, ".....X."},
                                           TriggerCase{"2", std::uint8_t{'g'}, "....X.."},
                                           TriggerCase{"r:1,g:1", std::uint8_t{'g'}, ".X.X..."},
                                           TriggerCase{"1.0", std::nullopt, "XXXXXXX"},
                                           TriggerCase{"0.0", std::nullopt, "......."},
                                           TriggerCase{"g:1.0", std::nullopt, "...XX.."}));

TEST(FaultTrigger, RefusesMalformedTexts) {
  for (const char* text : {"0", "-1", "x", "d:", ":1", "dd:1", "D:1", "1.5", "d:0.5.1", "1,", ",1",
                           "1,,2", "ping:", "speed:0"}) {
    std::string error;
    EXPECT_FALSE(FaultTrigger::Parse(text, std::nullopt, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(FaultTrigger, ChanceRulesRepeatUnderTheSameSeedAndFollowTheSeed) {
  std::string error;
  const std::optional<FaultTrigger> half = FaultTrigger::Parse("0.5", std::nullopt, error);
  ASSERT_TRUE(half);
  std::vector<std::string> patterns;
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    EXPECT_EQ(FiringPattern(*half, seed), FiringPattern(*half, seed));
    patterns.push_back(FiringPattern(*half, seed));
  }
  // Eight seeds over seven fair coins: not all alike, and both outcomes occur.
  EXPECT_NE(std::count(patterns.begin(), patterns.end(), patterns[0]), 8);
  std::string all;
  for (const std::string& p : patterns) all += p;
  EXPECT_NE(all.find('X'), std::string::npos);
  EXPECT_NE(all.find('.'), std::string::npos);
}

}  // namespace
}  // namespace kvx::sim
