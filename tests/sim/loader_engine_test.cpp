#include "sim/loader_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

// Line bytes in, line bytes out. Broken frames get no answer, and the ping behind them is
// still found.
TEST(LoaderWire, AnswersFramesByteForByte) {
  const std::vector<std::tuple<const char*, Bytes, Bytes>> cases = {
      // A request whose checksum is 0x10 comes doubled; 0x11 is no command.
      {"DoubledChecksum",
       {0x10, 0x02, 0x00, 0x01, 0x11, 0x10, 0x03, 0x10, 0x10},
       Frame({0x00, 0x02, '?', 0x11})},
      {"FullSizeRequest", Frame(Request(Program(0x01008000, Bytes(1491, 0)))),
       Frame(Cat({{0x10, 0x06, 'h', 0}, U32(0x010085D3)}))},
      {"OneByteTooLong", Cat({{0x10, 0x02}, Bytes(1501, 0x41), {0x10, 0x03, 0x41}, kPing}), kPing},
      {"WrongChecksum", Cat({{0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x01}, kPing}), kPing},
      // The host gave up on a frame half-way and started the next one.
      {"NewStartInsideFrame", Cat({{0x10, 0x02, 0x00, 0x01}, kPing}), kPing},
      // An escaped 0x10 followed by 0x02 starts nothing: what follows is noise.
      {"EscapedDleBeforeStx", Cat({{0x10, 0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00}, kPing}),
       kPing}};
  for (const auto& [name, in, out] : cases) {
    Bytes sent;
    for (const Transmission& t : Harness().Feed(in)) sent = Cat({sent, t.wire});
    EXPECT_EQ(sent, out) << name;
  }
}

// The field: a USB adapter's latency holds every reply, a pulled cable ends the line after so
// many requests, and on a line that flips a bit of every byte no request gets through.
TEST(FieldFaults, LatencyHoldsEveryReplyACablePulledEndsTheLineNoiseBreaksFrames) {
  SimulatorOptions field;
  field.faults.usbLatencyMs = 16;
  field.faults.unplugAfter = 2;
  Harness adapter(field);
  for (int request = 1; request <= 3; ++request) {
    const Transmission t = adapter.Feed(kPing).at(0);
    EXPECT_EQ(t.faults.unplug, request == 3);
    EXPECT_EQ(t.wire.empty(), request == 3);
    EXPECT_EQ(t.faults.holdMs, request < 3 ? 16u : 0u);
  }
  SimulatorOptions noisy;
  noisy.faults.bitFlipChance = 1;
  Harness line(noisy);
  EXPECT_TRUE(line.Feed(Cat({kPing, kPing})).empty());
  EXPECT_EQ(line.engine.Counters().requests, 0u);
}

std::string Bits(const std::string& unit, std::size_t n = 240) {
  std::string bits;
  while (bits.size() < n) bits += unit;
  return bits.substr(0, n);
}

// Each script runs on a fresh loader with its options; every request must get exactly its
// reply (empty: nothing goes out).
TEST(LoaderCommands, AnswerEveryRequestAsTheLoaderDoes) {
  const auto row = [](const std::string& f) { return Cat({{'l', 0}, Text(f)}); };
  const auto fuses = [](const std::string& f) { return Cat({{'k'}, Text(f), Text(f)}); };
  const auto h = [](std::uint8_t s, std::uint32_t at) { return Cat({{'h', s}, U32(at)}); };
  const auto e = [](std::uint32_t at, const Bytes& data) {
    return Cat({Read(at, data.size()), data});
  };
  const Bytes four = {1, 2, 3, 4};
  const std::string a = Bits("0110"), b = Bits("01");
  using Script = std::tuple<const char*, std::function<void(SimulatorOptions&)>,
                            std::vector<std::pair<Bytes, Bytes>>>;
  const std::vector<Script> scripts = {
      // Statuses: 0 done, 1 no sector begins there, 2 outside the sectors, 3 not erased.
      {"Flash",
       nullptr,
       {{Program(0x0100BFFE, four), h(0, 0x0100C002)},
        // All or nothing: a programmed byte at its end spoils the whole request.
        {Program(0x0100BFFC, {5, 6, 7}), h(3, 0x0100BFFC)},
        {Erase(0x0100C001), {'g', 1}},
        {Erase(0x0100C000), {'g', 0}},
        {Read(0x0100BFFD, 6), e(0x0100BFFD, {0xFF, 1, 2, 0xFF, 0xFF, 0xFF})},
        {Program(0x01007FFF, four), h(2, 0x01007FFF)},
        {Program(0xFFFFFFFE, four), h(2, 0xFFFFFFFE)},
        {Read(0x01008000, 1491), e(0x01008000, Bytes(1491, 0xFF))},
        {Read(0x01008000, 1492), {'?', 'e'}}}},
      {"MalformedAndUnknown",
       nullptr,
       {{{'z'}, {'?', 'z'}},
        {{'i', 2}, {'?', 'i'}},
        {Cat({Program(0x01008000, {1}), {3}}), {'?', 'h'}}}},
      // Logic commands work only in ISP mode; cells only go from 1 to 0, so without an
      // erase a row reads back as old AND new.
      {"Logic",
       nullptr,
       {{row(a), {'!', 'l'}},
        {{'i', 1}, {'i', 1}},
        {row(a), {'l', 0}},
        {row(b), {'l', 0}},
        {{'k', 0}, fuses(Bits("0100"))},
        {{'k', 134}, {'?', 'k'}}}},
      // For 'r' the wrong letter is the echo it must never be.
      {"WrongLetter",
       [](SimulatorOptions& o) { o.faults.wrongLetter = Trigger("1,r:*"); },
       {{Erase(0x01008000), {'G', 0}}, {{'r'}, {'r'}}}},
      // A bare number counts only requests of the failing command; a failure changes nothing.
      {"FailErase",
       [](SimulatorOptions& o) { o.faults.failErase = Trigger("2", 'g'); },
       {{Program(0x0100C000, {0}), h(0, 0x0100C001)},
        {Erase(0x01008000), {'g', 0}},
        {Erase(0x0100C000), {'g', 4}},
        {Read(0x0100C000, 1), e(0x0100C000, {0})}}},
      // A weak cell answers success and stores one bit wrong; the next request is sound.
      {"WeakCell",
       [](SimulatorOptions& o) { o.faults.weakCell = Trigger("1", 'h'); },
       {{Program(0x0100C000, {0x5A, 0x11}), h(0, 0x0100C002)},
        {Program(0x0100C002, {0x5A}), h(0, 0x0100C003)},
        {Read(0x0100C000, 3), e(0x0100C000, {0x5B, 0x11, 0x5A})}}},
  };
  for (const auto& [name, configure, steps] : scripts) {
    SCOPED_TRACE(name);
    SimulatorOptions options;
    if (configure) configure(options);
    Harness harness(options);
    for (const auto& [request, reply] : steps) EXPECT_EQ(harness.Command(request), reply);
  }
}

using Logged = std::tuple<std::uint32_t, std::uint16_t, FlashStatus>;

// The host repeats a request whose reply it lost. Carrying it out again would turn a
// program's success into "not erased", so only an identical request is answered from memory,
// and it is not logged twice. Failed programs are logged with their status, malformed ones
// not at all.
TEST(Repeats, OnlyAnIdenticalRequestIsAnsweredFromMemoryAndLoggedOnce) {
  SimulatorOptions options;
  options.faults.dropReply = Trigger("1");
  options.faults.failProgram = Trigger("h:4", 'h');  // repeats count too
  Harness harness(options);
  const Bytes program = Program(0x01040010, {1, 2, 3, 4}), failing = Program(0x01040020, {9});
  EXPECT_TRUE(harness.Exchange(Request(program, 2)).wire.empty());
  EXPECT_EQ(harness.Exchange(Request(program, 2)).wire,
            Frame(Cat({{0x90, 0x06, 'h', 0}, U32(0x01040014)})));
  EXPECT_EQ(harness.Exchange(Request(program, 3)).reply[3], 3);  // a new request
  EXPECT_EQ(harness.Exchange(Request(failing, 1)).reply[3], 4);
  harness.Exchange({0x00, 0x01, 0x01});  // a start-up message ends the memory
  EXPECT_EQ(harness.Exchange(Request(failing, 1)).reply[3], 0);
  harness.Exchange(Request({'h', 0x01, 0x04, 0x00, 0x30, 0x00, 0x02, 7}, 2));

  std::vector<Logged> logged;
  for (const ProgramRecord& r : harness.engine.ProgramLog())
    logged.emplace_back(r.address, r.length, r.status);
  EXPECT_EQ(logged, (std::vector<Logged>{{0x01040010, 4, FlashStatus::kOk},
                                         {0x01040010, 4, FlashStatus::kNotErased},
                                         {0x01040020, 1, FlashStatus::kDeviceFault},
                                         {0x01040020, 1, FlashStatus::kOk}}));
}

TEST(FaultTrigger, RefusesMalformedTextsSayingWhy) {
  for (const char* text : {"0", "x", "d:", "dd:1", "D:1", "1.5", "1,", "1,,2", "speed:0"}) {
    const Result<FaultTrigger> trigger = FaultTrigger::Parse(text, std::nullopt);
    ASSERT_FALSE(trigger) << text;
    EXPECT_FALSE(trigger.failure().text.empty()) << text;
  }
}

}  // namespace
}  // namespace kvx::sim::testing
