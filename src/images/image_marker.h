#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "loader/flash_map.h"

namespace kvx {

// The word at the image marker's place, as read from the probe or as an update leaves it.
using MarkerWord = std::remove_const_t<decltype(kImageMarker)>;

inline constexpr MarkerWord kErasedMarkerWord = {0xFF, 0xFF, 0xFF, 0xFF};

// What the image marker's word holds.
enum class ImageMarkerState {
  kPresent,  // the marker: the last update finished
  kErased,   // all 0xFF: no update finished since the area was erased
  kOther,    // anything else, one erased byte among others included: not written by an update
};

ImageMarkerState MarkerStateOf(const MarkerWord& word);

// "present", "erased" or "other", as records, reports and the header below name the state.
const char* MarkerStateName(ImageMarkerState state);

// The state in words, with the four bytes of another word: "present", "erased",
// "other AA 54 55 AA".
std::string MarkerWordText(const MarkerWord& word);

// The header a firmware area read back into a file carries, saying what the marker's word held,
// so that programming the file leaves another probe in the same state, an interrupted update's
// included. The words are kept stable, for people and for this program:
//   "KVX7000 firmware area; image marker present"
//   "KVX7000 firmware area; image marker erased"
//   "KVX7000 firmware area; image marker other AA 54 55 AA"  (the four bytes as read)
std::string FirmwareAreaHeader(const MarkerWord& word);

// What a file's header record says of the marker.
struct MarkerRecord {
  bool found = false;   // the header is a firmware area's marker record
  MarkerWord word{};    // what it says the word held
  std::string problem;  // why a header that reads as such a record is not one; empty if it is
};

// Reads a header text as FirmwareAreaHeader writes it. A header that does not begin like one
// is none of ours (every ordinary image's); one that begins so but says anything else is
// damaged, and refused rather than guessed at.
MarkerRecord ReadMarkerRecord(const std::string& headerText);

}  // namespace kvx
