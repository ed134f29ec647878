#include "sim/listen_rate.h"

#include <gtest/gtest.h>

namespace kvx::sim {
namespace {

using std::chrono::milliseconds;

const Clock::time_point kStart{};
const Clock::time_point kDue = kStart + milliseconds(300);

TEST(ListenRate, SwitchesWhenDueAndNotBefore) {
  ListenRate rate(9600);
  rate.SwitchAt(115200, kDue);
  EXPECT_FALSE(rate.Update(kDue - milliseconds(1), 0));
  EXPECT_EQ(rate.Current(), 9600u);
  EXPECT_EQ(rate.NextSwitch(), kDue);
  EXPECT_TRUE(rate.Update(kDue, 0));
  EXPECT_EQ(rate.Current(), 115200u);
  EXPECT_FALSE(rate.NextSwitch());
}

TEST(ListenRate, TakesTheHostAtTheNewRateSlightlyEarly) {
  ListenRate rate(9600);
  rate.SwitchAt(115200, kDue);
  // Bytes still at the old rate, or at the new one long before the switch, change nothing.
  EXPECT_FALSE(rate.Update(kDue - ListenRate::kEarlyTolerance, 9600));
  EXPECT_FALSE(rate.Update(kDue - ListenRate::kEarlyTolerance - milliseconds(1), 115200));
  EXPECT_TRUE(rate.Update(kDue - ListenRate::kEarlyTolerance, 115200));
  EXPECT_EQ(rate.Current(), 115200u);
}

TEST(ListenRate, RateZeroChangesNothing) {
  ListenRate rate(19200);
  rate.SwitchAt(0, kDue);
  EXPECT_FALSE(rate.NextSwitch());
  EXPECT_FALSE(rate.Update(kDue, 0));
  EXPECT_EQ(rate.Current(), 19200u);
}

}  // namespace
}  // namespace kvx::sim
