#pragma once

#include <cstdint>
#include <string>

namespace kvx {

// What ParseDottedQuad returns for a text that is not an address.
inline constexpr std::int32_t kNotADottedQuad = -1;

// Turns "w.x.y.z" into w << 24 | x << 16 | y << 8 | z, read as signed 32 bits. Each part is
// up to three decimal digits no greater than 255, and may be empty (then it counts as 0);
// there must be exactly four parts and nothing else, not even a blank. Everything else gives
// kNotADottedQuad -- and so does 255.255.255.255, which cannot be told apart from an error.
std::int32_t ParseDottedQuad(const std::string& text);

// Whether `text` is a dotted quad by the rules above, 255.255.255.255 included: the one
// address that ParseDottedQuad cannot tell from an error, and the default of three fields.
bool IsDottedQuad(const std::string& text);

}  // namespace kvx
