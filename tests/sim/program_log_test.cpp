#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

using Record = std::tuple<std::uint32_t, std::uint16_t, FlashStatus>;

std::vector<Record> Log(const LoaderEngine& engine) {
  std::vector<Record> records;
  for (const ProgramRecord& r : engine.ProgramLog())
    records.emplace_back(r.address, r.length, r.status);
  return records;
}

// A repeat answered from memory was not carried out again, so it is not logged twice; a
// request that fails is carried out and logged with its status; a malformed one is not.
TEST(ProgramLog, RecordsEveryProgramCarriedOutInOrder) {
  SimulatorOptions options;
  options.faults.dropReply = Trigger("1");
  options.faults.failProgram = Trigger("h:5", 'h');  // repeats count too
  Harness harness(options);
  const Bytes record = Program(0x01040010, {1, 2, 3, 4});
  harness.Exchange(Request(record, 2));
  harness.Exchange(Request(record, 2));
  harness.Exchange(Request(record, 3));
  harness.Exchange(Request(Program(0x01040000, {0xAA, 0x55}), 0));
  harness.Exchange(Request(Program(0x01040020, {9}), 1));
  harness.Exchange(Request({'h', 0x01, 0x04, 0x00, 0x30, 0x00, 0x02, 7}, 2));

  // clang-format off
  const std::vector<Record> expected = {
      {0x01040010, 4, FlashStatus::kOk},
      {0x01040010, 4, FlashStatus::kNotErased},
      {0x01040000, 2, FlashStatus::kOk},
      {0x01040020, 1, FlashStatus::kDeviceFault},
  };
  // clang-format on
  EXPECT_EQ(Log(harness.engine), expected);
}

}  // namespace
}  // namespace kvx::sim::testing
