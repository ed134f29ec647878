#include "cli/transfer_meter.h"

namespace kvx::cli {

void TransferMeter::Restart() {
  bytes_ = 0;
  start_ = std::chrono::steady_clock::now();
}

TransferMeter::Rate TransferMeter::Measure() const {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  return Rate{bytes_, elapsed.count()};
}

void TransferMeter::FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) {
  bytes_ += n;
  if (next_ != nullptr) next_->FrameSent(tickMs, payload, n);
}

void TransferMeter::FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload,
                                  std::size_t n) {
  bytes_ += n;
  if (next_ != nullptr) next_->FrameReceived(tickMs, payload, n);
}

void TransferMeter::RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) {
  if (next_ != nullptr) next_->RawSent(tickMs, bytes, n);
}

void TransferMeter::ReceiveFailed(std::uint32_t tickMs, ErrorCode why) {
  if (next_ != nullptr) next_->ReceiveFailed(tickMs, why);
}

void TransferMeter::PortOpened(std::uint32_t tickMs, const std::string& note) {
  if (next_ != nullptr) next_->PortOpened(tickMs, note);
}

}  // namespace kvx::cli
