#include "sim/logic_device.h"

#include <algorithm>

namespace kvx::sim {

namespace {

// Programming clears the bits that are '0' in `bits` and leaves the others as they were.
void ProgramCells(std::string& cells, std::string_view bits) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (bits[i] == '0') cells[i] = '0';
  }
}

}  // namespace

bool IsBitText(std::string_view bits, std::size_t length) {
  return bits.size() == length &&
         std::all_of(bits.begin(), bits.end(), [](char c) { return c == '0' || c == '1'; });
}

LogicDevice::LogicDevice()
    : rows_(kFuseRowCount, std::string(kFuseRowLength, kErasedFuse)),
      signature_(kSignatureLength, kErasedFuse) {}

void LogicDevice::Erase() {
  for (std::string& row : rows_) row.assign(kFuseRowLength, kErasedFuse);
  signature_.assign(kSignatureLength, kErasedFuse);
}

bool LogicDevice::ProgramRow(std::size_t row, std::string_view fuses) {
  if (row >= kFuseRowCount || !IsBitText(fuses, kFuseRowLength)) return false;
  ProgramCells(rows_[row], fuses);
  return true;
}

bool LogicDevice::ProgramSignature(std::string_view bits) {
  if (!IsBitText(bits, kSignatureLength)) return false;
  ProgramCells(signature_, bits);
  return true;
}

bool LogicDevice::LoadCells(std::vector<std::string> rows, std::string signature) {
  const bool rowsValid = rows.size() == kFuseRowCount &&
                         std::all_of(rows.begin(), rows.end(), [](const std::string& row) {
                           return IsBitText(row, kFuseRowLength);
                         });
  if (!rowsValid || !IsBitText(signature, kSignatureLength)) return false;
  rows_ = std::move(rows);
  signature_ = std::move(signature);
  return true;
}

}  // namespace kvx::sim
