#include "sim/fault_trigger.h"

#include <charconv>
#include <cstdlib>

namespace kvx::sim {

namespace {

std::optional<std::uint8_t> ParseCommandName(std::string_view name) {
  if (name == "ping") return kPingCommand;
  if (name == "speed") return kSpeedCommand;
  if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') {
    return static_cast<std::uint8_t>(name[0]);
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ParseIndex(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value == 0) return std::nullopt;
  return value;
}

std::optional<double> ParseChance(std::string_view text) {
  // strtod needs a terminated string; from_chars for double is missing in older libraries.
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) return std::nullopt;
  if (!(value >= 0.0 && value <= 1.0)) return std::nullopt;
  return value;
}

}  // namespace

Result<FaultTrigger> FaultTrigger::Parse(std::string_view text,
                                         std::optional<std::uint8_t> defaultCommand) {
  FaultTrigger trigger;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    Result<Rule> rule = ParseRule(item, defaultCommand);
    if (!rule) return rule.failure();
    trigger.rules_.push_back(*rule);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (text.empty()) return Failure{"trailing comma", {}};
  }
  return trigger;
}

Result<FaultTrigger::Rule> FaultTrigger::ParseRule(std::string_view text,
                                                   std::optional<std::uint8_t> defaultCommand) {
  Rule rule;
  rule.command = defaultCommand;
  std::string_view selector = text;
  if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
    rule.command = ParseCommandName(text.substr(0, colon));
    if (!rule.command) {
      return Failure{"unknown command '" + std::string(text.substr(0, colon)) +
                         "' (use a letter a-z, ping or speed)",
                     {}};
    }
    selector = text.substr(colon + 1);
  }
  if (selector == "*") {
    rule.kind = Kind::kEvery;
  } else if (selector.find('.') != std::string_view::npos) {
    const std::optional<double> chance = ParseChance(selector);
    if (!chance) {
      return Failure{"'" + std::string(selector) + "' is not a probability between 0 and 1", {}};
    }
    rule.kind = Kind::kChance;
    rule.chance = *chance;
  } else {
    const std::optional<std::uint32_t> index = ParseIndex(selector);
    if (!index) {
      return Failure{
          "'" + std::string(selector) + "' is not a request number (1, 2, ...), * or a probability",
          {}};
    }
    rule.kind = Kind::kIndex;
    rule.index = *index;
  }
  return rule;
}

bool FaultTrigger::Fires(const RequestTag& tag, SeededRandom& random) const {
  bool fires = false;
  for (const Rule& rule : rules_) {
    if (rule.command && *rule.command != tag.command) continue;
    switch (rule.kind) {
      case Kind::kEvery:
        fires = true;
        break;
      case Kind::kIndex:
        fires |= rule.index == (rule.command ? tag.commandIndex : tag.overallIndex);
        break;
      case Kind::kChance:
        // Drawn even when an earlier rule already fired, so every request costs the same
        // draws whatever the outcome: later faults stay where the seed put them.
        fires |= random.NextUnit() < rule.chance;
        break;
    }
  }
  return fires;
}

}  // namespace kvx::sim
