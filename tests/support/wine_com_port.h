#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kvx::test {

// A COM port of the wine prefix (WINEPREFIX) that leads to `target` while it lives. CTest runs
// cases side by side, so each takes the first free number from COM5 up.
class WineComPort {
 public:
  explicit WineComPort(const std::string& target) {
    const std::filesystem::path devices =
        std::filesystem::path(std::getenv("WINEPREFIX")) / "dosdevices";
    for (number_ = 5; number_ < 256; ++number_) {
      link_ = devices / ("com" + std::to_string(number_));
      if (symlink(target.c_str(), link_.c_str()) == 0) return;
    }
  }
  ~WineComPort() { unlink(link_.c_str()); }
  WineComPort(const WineComPort&) = delete;
  WineComPort& operator=(const WineComPort&) = delete;

  int Number() const { return number_; }
  std::string Name() const { return "COM" + std::to_string(number_); }

 private:
  int number_ = 0;
  std::filesystem::path link_;
};

}  // namespace kvx::test
