#include "sim/loader_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "sim/frame_parser.h"
#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

const Bytes kPing = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};

// Line bytes in, line bytes out. Broken frames, and frames whose length field disagrees,
// get no answer, and the ping behind them is still found.
TEST(LoaderWire, AnswersFramesByteForByte) {
  const std::vector<std::tuple<const char*, Bytes, Bytes>> cases = {
      {"PingAfterWakeUpBytes", Cat({{0xDB, 0xDE}, kPing}), kPing},
      // The first request after start-up, 'r': its flag byte 0x10 goes doubled.
      {"FirstRequest",
       {0x10, 0x02, 0x10, 0x10, 0x01, 0x72, 0x10, 0x03, 0x63},
       {0x10, 0x02, 0x10, 0x10, 0x01, 0x00, 0x10, 0x03, 0x11}},
      // 'd' with sequence 1, echoed; defaults: loader 103, firmware 1.04, logic 1.04.
      {"IdentityDefaults",
       {0x10, 0x02, 0x50, 0x01, 0x64, 0x10, 0x03, 0x35},
       Frame(Cat({{0x50, 0x0F, 'd', 0x00, 0x67, 0x0E, 0x68, 0x1F, 0xA8}, Text("12345678")}))},
      // A request whose checksum is 0x10 comes doubled; 0x11 is no command.
      {"DoubledChecksum",
       {0x10, 0x02, 0x00, 0x01, 0x11, 0x10, 0x03, 0x10, 0x10},
       Frame({0x00, 0x02, '?', 0x11})},
      {"FullSizeRequest", Frame(Request(Program(0x01008000, Bytes(1491, 0)))),
       Frame(Cat({{0x10, 0x06, 'h', 0}, U32(0x010085D3)}))},
      {"OneByteTooLong", Cat({{0x10, 0x02}, Bytes(1501, 0x41), {0x10, 0x03, 0x41}, kPing}), kPing},
      {"LengthFieldTooLarge", Cat({Frame({0x10, 0x02, 'r'}), kPing}), kPing},
      {"WrongChecksum", Cat({{0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x01}, kPing}), kPing},
      {"BadEscape", Cat({{0x10, 0x02, 0x00, 0x10, 0x05}, kPing}), kPing},
      {"UndoubledChecksumDle", Cat({{0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10, 0x00}, kPing}),
       kPing},
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

// The loader names the rate it listens at next: the one asked for when it lies between 1200
// and 460800, otherwise the current one, or whatever --speed-reply-rate forces.
TEST(LoaderWire, SpeedReplyNamesTheRateItListensAtNext) {
  using Forced = std::optional<std::uint32_t>;
  const std::vector<std::tuple<std::uint32_t, std::uint32_t, Forced, std::uint32_t>> cases = {
      {9600, 1200, {}, 1200},       {9600, 460800, {}, 460800}, {9600, 50000, {}, 50000},
      {9600, 1199, {}, 9600},       {38400, 460801, {}, 38400}, {9600, 0, {}, 9600},
      {9600, 115200, 57600, 57600}, {9600, 115200, 0, 0}};
  for (const auto& [listening, asked, forced, named] : cases) {
    SimulatorOptions options;
    options.faults.speedReplyRate = forced;
    Harness harness(options);
    harness.engine.SetListenRate(listening);
    const Transmission t = harness.Exchange(Cat({{0x00, 0x05, 0x03}, U32(asked)}));
    EXPECT_EQ(t.reply, Cat({{0x00, 0x05, 0x03}, U32(named)})) << asked;
    EXPECT_EQ(t.nextRate, named) << asked;
  }
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
  const std::string ones(240, '1'), a = Bits("0110"), b = Bits("01"), sig = Bits("0011", 120);
  using Script = std::tuple<const char*, std::function<void(SimulatorOptions&)>,
                            std::vector<std::pair<Bytes, Bytes>>>;
  const std::vector<Script> scripts = {
      {"StartFirmwareAndServeOn", nullptr, {{{'q'}, {'q'}}, {{'r'}, {0x00}}}},
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
        {Program(0x010FFFFE, four), h(2, 0x010FFFFE)},
        {Program(0xFFFFFFFE, four), h(2, 0xFFFFFFFE)},
        {Program(0x010FFFFC, four), h(0, 0x01100000)},
        {Read(0xFFFFFFFF, 2), e(0xFFFFFFFF, {0xFF, 0xFF})},
        {Read(0x01008000, 1491), e(0x01008000, Bytes(1491, 0xFF))},
        {Read(0x01008000, 1492), {'?', 'e'}}}},
      {"MalformedAndUnknown",
       nullptr,
       {{{'z'}, {'?', 'z'}},
        {{'g', 0x01, 0x00}, {'?', 'g'}},
        {{'i', 2}, {'?', 'i'}},
        {Cat({Program(0x01008000, {1, 2}), {3}}), {'?', 'h'}}}},
      // Logic commands work only in ISP mode; cells only go from 1 to 0, so without an
      // erase a row reads back as old AND new.
      {"Logic",
       nullptr,
       {{row(a), {'!', 'l'}},
        {{'i', 1}, {'i', 1}},
        {{'k', 0}, fuses(ones)},
        {{'j'}, {'j', 19}},
        {row(a), {'l', 0}},
        {row(b), {'l', 0}},
        {{'k', 0}, fuses(Bits("0100"))},
        {{'p'}, {'p', 0}},
        {{'k', 0}, fuses(ones)},
        {Cat({{'n'}, Text(sig)}), {'n', 0}},
        {{'m'}, Cat({{'m'}, Text(sig)})},
        {{'k', 134}, {'?', 'k'}}}},
      // For 'r' the wrong letter is the echo it must never be.
      {"WrongLetter",
       [](SimulatorOptions& o) { o.faults.wrongLetter = Trigger("1,r:*"); },
       {{Erase(0x01008000), {'G', 0}}, {{'r'}, {'r'}}}},
      {"WrongLength",
       [](SimulatorOptions& o) { o.faults.wrongLength = Trigger("g:2,i:*"); },
       {{Erase(0x01008000), {'g', 0}}, {Erase(0x01008000), {'g'}}, {{'i', 1}, {'i'}}}},
      // A bare number counts only requests of the failing command; a failure changes nothing.
      {"FailErase",
       [](SimulatorOptions& o) { o.faults.failErase = Trigger("2", 'g'); },
       {{Program(0x0100C000, {0}), h(0, 0x0100C001)},
        {Erase(0x01008000), {'g', 0}},
        {Erase(0x0100C000), {'g', 4}},
        {Read(0x0100C000, 1), e(0x0100C000, {0})}}},
      {"FailProgram",
       [](SimulatorOptions& o) { o.faults.failProgram = Trigger("1", 'h'); },
       {{Program(0x0100C000, {0}), h(4, 0x0100C000)},
        {Program(0x0100C000, {0}), h(0, 0x0100C001)}}},
      // A weak cell answers success and stores one bit wrong; the next request is sound.
      {"WeakCell",
       [](SimulatorOptions& o) { o.faults.weakCell = Trigger("1", 'h'); },
       {{Program(0x0100C000, {0x5A, 0x11}), h(0, 0x0100C002)},
        {Program(0x0100C002, {0x5A}), h(0, 0x0100C003)},
        {Read(0x0100C000, 3), e(0x0100C000, {0x5B, 0x11, 0x5A})}}},
      {"IdentityAsConfigured",
       [](SimulatorOptions& o) { o.identity = {0x0203, 0xCE69, 8300, "123456789C"}; },
       {{{'d'}, Cat({{'d', 0x02, 0x03, 0xCE, 0x69, 0x20, 0x6C}, Text("123456789C")})}}},
      {"SilentAfter",
       [](SimulatorOptions& o) { o.faults.silentAfter = 1; },
       {{{'r'}, {0x00}}, {{'r'}, {}}, {{'d'}, {}}}}};
  for (const auto& [name, configure, steps] : scripts) {
    SCOPED_TRACE(name);
    SimulatorOptions options;
    if (configure) configure(options);
    Harness harness(options);
    for (const auto& [request, reply] : steps) EXPECT_EQ(harness.Command(request), reply);
  }
}

// The host repeats a request whose reply it lost. Carrying it out again would turn a
// program's success into "not erased".
TEST(Repeats, OnlyAnIdenticalRequestIsAnsweredFromMemory) {
  SimulatorOptions options;
  options.faults.dropReply = Trigger("1");
  Harness harness(options);
  const Bytes program = Program(0x01008000, {1, 2, 3, 4});
  EXPECT_TRUE(harness.Exchange(Request(program, 2)).wire.empty());
  EXPECT_EQ(harness.Exchange(Request(program, 2)).wire,
            Frame(Cat({{0x90, 0x06, 'h', 0}, U32(0x01008004)})));
  EXPECT_EQ(harness.Exchange(Request(program, 3)).reply[3], 3);  // a new request
  harness.Exchange(Request(Erase(0x01008000), 0));
  harness.Exchange(Request(program, 1));
  harness.Exchange({0x00, 0x01, 0x01});  // a start-up message ends the memory
  EXPECT_EQ(harness.Exchange(Request(program, 1)).reply[3], 3);
}

// Noise is 1 to 16 bytes, never 0x10, before the frame; a wrong checksum replaces the right
// one, also one sent doubled as 10 10; lateness goes along as a hold time.
TEST(ReplyFaults, NoiseChecksumAndLatenessSpoilOnlyTheirPart) {
  SimulatorOptions options;
  options.faults.noise = Trigger("*");
  options.faults.corruptChecksum = Trigger("*");
  options.faults.late = Trigger("2");
  options.faults.lateMs = 1234;
  Harness harness(options);
  const Bytes data = {0x00, 0xEC};  // a read of the second gets the checksum 0x10
  harness.engine.Device().flash.Program(0x01008000, data.data(), data.size());
  for (std::uint32_t i = 0; i < 20; ++i) {
    const Transmission t = harness.Exchange(Request(Read(0x01008000 + i % 2, 1)));
    EXPECT_EQ(t.faults.holdMs, i == 1 ? 1234u : 0u);
    const Bytes clean = Frame(t.reply);
    const std::size_t checksum = clean.back() == kDle ? 2 : 1;
    ASSERT_EQ(checksum, 1 + i % 2);
    const auto noise = static_cast<std::ptrdiff_t>(t.wire.size() + checksum - 1 - clean.size());
    ASSERT_TRUE(noise >= 1 && noise <= 16) << noise;
    EXPECT_EQ(std::count(t.wire.begin(), t.wire.begin() + noise, kDle), 0);
    EXPECT_TRUE(std::equal(t.wire.begin() + noise, t.wire.end() - 1, clean.begin()));
    FrameParser parser;
    for (std::uint8_t byte : t.wire) EXPECT_NE(parser.Push(byte), FrameParser::Event::kFrame);
  }
}

TEST(FaultTrigger, RefusesMalformedTextsSayingWhy) {
  for (const char* text : {"0", "x", "d:", "dd:1", "D:1", "1.5", "1,", "1,,2", "speed:0"}) {
    std::string error;
    EXPECT_FALSE(FaultTrigger::Parse(text, std::nullopt, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

// The whole wire output of 60 requests under random faults.
Bytes RandomRun(std::uint64_t seed) {
  SimulatorOptions options;
  options.faults.seed = seed;
  options.faults.dropReply = Trigger("0.3");
  options.faults.noise = Trigger("0.5");
  options.faults.corruptChecksum = Trigger("d:0.5");
  Harness harness(options);
  Bytes all;
  for (std::uint8_t i = 0; i < 60; ++i) {
    all = Cat({all, harness.Exchange(Request({static_cast<std::uint8_t>("dr"[i % 2])}, i)).wire});
  }
  return all;
}

TEST(FaultTrigger, TheSameSeedGivesTheSameFaultsAndAnotherSeedOthers) {
  EXPECT_EQ(RandomRun(7), RandomRun(7));
  EXPECT_NE(RandomRun(7), RandomRun(8));
}

}  // namespace
}  // namespace kvx::sim::testing
