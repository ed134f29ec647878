#include "images/image_marker.h"

#include <algorithm>
#include <cstdio>

namespace kvx {

namespace {

constexpr char kRecordStart[] = "KVX7000 firmware area; image marker ";

bool IsErased(std::uint8_t byte) {
  return byte == 0xFF;
}

}  // namespace

ImageMarkerState MarkerStateOf(const MarkerWord& word) {
  if (word == kImageMarker) return ImageMarkerState::kPresent;
  if (std::all_of(word.begin(), word.end(), IsErased)) return ImageMarkerState::kErased;
  return ImageMarkerState::kOther;
}

const char* MarkerStateName(ImageMarkerState state) {
  switch (state) {
    case ImageMarkerState::kPresent:
      return "present";
    case ImageMarkerState::kErased:
      return "erased";
    case ImageMarkerState::kOther:
      break;
  }
  return "other";
}

std::string MarkerWordText(const MarkerWord& word) {
  const ImageMarkerState state = MarkerStateOf(word);
  if (state != ImageMarkerState::kOther) return MarkerStateName(state);
  char bytes[32];
  std::snprintf(bytes, sizeof bytes, "%s %02X %02X %02X %02X", MarkerStateName(state), word[0],
                word[1], word[2], word[3]);
  return bytes;
}

std::string FirmwareAreaHeader(const MarkerWord& word) {
  return kRecordStart + MarkerWordText(word);
}

MarkerRecord ReadMarkerRecord(const std::string& headerText) {
  MarkerRecord record;
  if (headerText.rfind(kRecordStart, 0) != 0) return record;
  record.found = true;
  const std::string state = headerText.substr(sizeof kRecordStart - 1);
  unsigned other[kImageMarker.size()] = {};
  if (state == MarkerStateName(ImageMarkerState::kPresent)) {
    record.word = kImageMarker;
  } else if (state == MarkerStateName(ImageMarkerState::kErased)) {
    record.word = kErasedMarkerWord;
  } else if (std::sscanf(state.c_str(), "%*s %2X %2X %2X %2X", &other[0], &other[1], &other[2],
                         &other[3]) == 4) {
    for (std::size_t i = 0; i < record.word.size(); ++i)
      record.word[i] = static_cast<std::uint8_t>(other[i]);
  }
  // Only the one text each word is written as, so a changed character never passes as another
  // state: "other AA 55 55 AA", lower-case digits or a missing byte are damage.
  if (FirmwareAreaHeader(record.word) != headerText)
    record.problem = "the image marker record in its header is damaged";
  return record;
}

}  // namespace kvx
