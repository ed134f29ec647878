#pragma once

#include <string>

#include "loader/version_number.h"

namespace kvx {

// The display form: 105 as "1.05", 7 as "0.07"; "unknown" for 0 and for values above 255.
std::string FormatVersion(VersionNumber value);

// The three digits alone: 105 as "105", 7 as "007"; "000" for 0 and for values above 255.
std::string FormatVersionDigits(VersionNumber value);

// The probe's MAC address as text: "02B7E9" followed by the first six characters of the
// serial number (all of it when shorter).
std::string MakeMacAddressText(const std::string& serialNumber);
// Whether a MAC address text is one: twelve hex digits. A serial number of other characters
// makes a text that is none.
bool IsMacAddressText(const std::string& text);

}  // namespace kvx
