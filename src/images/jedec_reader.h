#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "images/fuse_map.h"
#include "ui/dialog_services.h"

namespace kvx {

enum class JedecParseResult {
  kRead,          // all rows hold kFuseRowCharacters fuses and the file agrees with them
  kNoFuseMarker,  // the content ends before a line "*L00000"
  kBadFuseRow,    // a row does not come to kFuseRowCharacters fuses
  kBadField,      // the rows are whole, but the file is incomplete or contradicts them
};

// Fills `map` from the text of a JEDEC file. The rows come from the first fuse list marker
// line and the 4 * kFuseRowCount lines behind it; each of those lines adds its leading run of
// '0' and '1' to its row. Lines are read as TextLineReader delivers them, 80 characters at
// most, so a longer line counts as several. On failure `map` holds the rows read so far and
// empty rows after them.
//
// Complete rows do not make a whole file: one cut short after them, or corrupted, would be
// programmed all the same. So the file must also carry its end of transmission (ETX) after
// the fuses, hold no fuse line between the rows and the fuse list's closing '*' nor a fuse
// list starting past the device's fuses, and where it has a fuse count (QF), a fuse checksum
// (C, 4 hex digits) or a transmission checksum after ETX other than 0000 (the bytes from STX to
// ETX summed to 16 bits), agree with them. Tools write 0000 for a transmission checksum they
// did not compute; one that matches the file with its line ends converted between LF and CR LF
// matches too, since copying a file between systems does that and changes no fuse.
// STX is optional, and fields may come in any order and be split over lines in any way.
//
// A user code field (U) is the device's user signature as the file carries it: exactly
// kUserSignatureCharacters '0'/'1' characters, blanks and line ends among them passed over, or
// the file is refused. `carriedSignature` receives its text (DecodeUserSignature), and stays
// empty when the file has no such field. The user code in other forms (UA, UH) is no signature
// of this device, and is passed over as fitters' files have always had theirs passed over; two
// signatures that differ are a contradiction.
//
// `problem` says why the result is not kRead, in words that follow the file's name.
JedecParseResult ParseJedecText(const std::string& content, FuseMap& map,
                                std::optional<std::string>& carriedSignature, std::string& problem);

// The fuse checksum field's value (C): the device's fuses summed as bytes to 16 bits, a byte
// holding 8 fuses in order from its least significant bit, fuse 0 in the first byte's.
std::uint16_t FuseChecksum(const FuseMap& map);

// A JEDEC file read into its fuse map before anything is sent to the probe.
struct JedecFile {
  bool opened = false;  // the file was read; when not, `problem` says why
  std::string content;  // the bytes read: what the map was parsed from, for proving the file
  JedecParseResult parse = JedecParseResult::kNoFuseMarker;
  FuseMap map;
  // The user signature text the file itself carries (see ParseJedecText); none for a fitter's
  // file, which leaves the signature to the caller.
  std::optional<std::string> carriedSignature;
  std::string problem;  // empty when `map` is complete and the file agrees with it
};

JedecFile LoadJedecFile(const std::filesystem::path& path);

// Shows what reading the file shows the user: its status text, and the message box of its
// problem under the wait cursor as it has always been shown. True when the map is complete;
// false after the failure has been shown.
bool ReadJedecFile(const JedecFile& file, DialogServices& services);

}  // namespace kvx
