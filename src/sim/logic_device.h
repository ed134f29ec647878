#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx::sim {

inline constexpr std::uint8_t kLogicDeviceId = 19;
inline constexpr std::size_t kFuseRowCount = 134;
inline constexpr std::size_t kFuseRowLength = 240;
inline constexpr std::size_t kSignatureLength = 120;
// What an erased fuse or signature bit reads as.
inline constexpr char kErasedFuse = '1';

// The programmable logic device behind the loader: 134 rows of 240 fuses and a 120-bit user
// signature, each bit held as the character '0' or '1'.
//
// Like the real cells, programming can only turn erased bits ('1') into '0': a row or
// signature programmed without an erase before reads back as the AND of old and new, so a
// host that forgets the bulk erase fails its verification. ISP mode is not kept across
// runs; the cells are.
class LogicDevice {
 public:
  LogicDevice();

  bool InIsp() const { return inIsp_; }
  void SetIsp(bool on) { inIsp_ = on; }

  // Bulk erase: every fuse and the signature read kErasedFuse afterwards.
  void Erase();
  // False, changing nothing, when the row is out of range or a character is not '0'/'1'.
  bool ProgramRow(std::size_t row, std::string_view fuses);
  bool ProgramSignature(std::string_view bits);

  // Throws std::out_of_range for a row past the last.
  const std::string& Row(std::size_t row) const { return rows_.at(row); }
  const std::string& Signature() const { return signature_; }

  // Replaces all cells at once, as kept in a file: `rows` holds kFuseRowCount texts of
  // kFuseRowLength bits. False, changing nothing, when any of it is malformed.
  bool LoadCells(std::vector<std::string> rows, std::string signature);

 private:
  std::vector<std::string> rows_;
  std::string signature_;
  bool inIsp_ = false;
};

// True when `bits` has exactly `length` characters, each '0' or '1'.
bool IsBitText(std::string_view bits, std::size_t length);

}  // namespace kvx::sim
