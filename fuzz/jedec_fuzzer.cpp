// Feeds text to the JEDEC fuse map parser. The first byte picks how the rest becomes text: as
// it stands, behind a fuse list marker, or one fuse line per byte behind a user code field and
// the marker and ahead of an end of transmission, so whole maps, rows of every length, the
// signature and the checks of the file around them are reached too. Whatever the text, rows hold
// only '0' and '1', a read map is complete, a failed one stops at its first bad row, every failure
// says why, and a signature taken from the file is one the device can hold.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "images/jedec_reader.h"
#include "images/user_signature.h"

namespace {

// A user code field of the signature's 120 bits, the bits of the first 15 bytes, when there
// are that many: the reader takes it as the file's signature.
std::string UserCodeFrom(const std::uint8_t* data, std::size_t size) {
  if (size < 15) return "";
  std::string field = "U";
  for (std::size_t bit = 0; bit < 120; ++bit) field += (data[bit / 8] >> (bit % 8) & 1) ? '1' : '0';
  return field + "*\n";
}

// Mostly the usual 60 fuses, otherwise (byte & 0x3F) * 4 of them, up to beyond a whole row;
// the low bits pick the line's end.
std::string FuseLinesFrom(const std::uint8_t* data, std::size_t size) {
  static const char* const kTails[] = {"\n", "\r\n", "*\n", " N 1*\n"};
  std::string text = UserCodeFrom(data, size) + "*L00000\n";
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t fuses = data[i] < 0xC0 ? 60 : (data[i] & 0x3Fu) * 4;
    text.append(fuses, (data[i] & 4) != 0 ? '1' : '0');
    text += kTails[data[i] & 3];
  }
  return text + "*\x03";
}

std::string ContentFrom(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t mode = data[0] % 3;
  if (mode == 2) return FuseLinesFrom(data + 1, size - 1);
  std::string content = mode == 1 ? "*L00000\n" : "";
  return content.append(reinterpret_cast<const char*>(data + 1), size - 1);
}

bool OnlyFuses(const std::string& row) {
  return row.find_first_not_of("01") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string content = ContentFrom(data, size);
  kvx::FuseMap map;
  map.fill("stale");
  // Sixteen characters are no signature's text, so one left standing shows below.
  std::optional<std::string> signature = std::string(16, 'x');
  std::string problem;
  const kvx::JedecParseResult result = kvx::ParseJedecText(content, map, signature, problem);
  if ((result == kvx::JedecParseResult::kRead) != problem.empty()) __builtin_trap();
  // A signature is only ever one the device can hold, in its one text for those bits.
  if (signature && kvx::DecodeUserSignature(kvx::EncodeUserSignature(*signature)) != *signature)
    __builtin_trap();

  std::size_t completeRows = 0;
  while (completeRows < map.size() && map[completeRows].size() == kvx::kFuseRowCharacters)
    ++completeRows;
  for (std::size_t r = 0; r < map.size(); ++r) {
    if (!OnlyFuses(map[r])) __builtin_trap();
    if (r > completeRows && !map[r].empty()) __builtin_trap();
  }
  switch (result) {
    case kvx::JedecParseResult::kRead:
    case kvx::JedecParseResult::kBadField:
      if (completeRows != map.size()) __builtin_trap();
      break;
    case kvx::JedecParseResult::kNoFuseMarker:
      for (const std::string& row : map)
        if (!row.empty()) __builtin_trap();
      break;
    case kvx::JedecParseResult::kBadFuseRow:
      if (completeRows == map.size()) __builtin_trap();
      break;
  }
  return 0;
}
