#pragma once

#include <string>

namespace kvx {

// A long step's status text with its whole percentage: "Logic: Verifying ..." and 42 give
// "Logic: Verifying ... ( 42% )".
inline std::string ProgressText(const std::string& stem, unsigned percent) {
  return stem + " ( " + std::to_string(percent) + "% )";
}

}  // namespace kvx
