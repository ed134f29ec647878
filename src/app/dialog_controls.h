#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/setup_block.h"

namespace kvx {

// The dialog's Port list: COM1 to COM19.
inline constexpr int kPortListEntries = 19;

// The dialog's Speed list, by index.
inline constexpr std::array<std::uint32_t, 5> kSpeedListRates = {9600, 19200, 38400, 57600, 115200};

// The rate of a Speed list entry; an index off the list (a damaged document) asks for 9600.
inline std::uint32_t SpeedIndexRate(int speedIndex) {
  if (speedIndex < 0 || static_cast<std::size_t>(speedIndex) >= kSpeedListRates.size()) {
    return kSpeedListRates[0];
  }
  return kSpeedListRates[static_cast<std::size_t>(speedIndex)];
}

// The values the Update/Setup dialog edits: what the document hands it and takes back.
struct DialogFields {
  int portIndex = -1;   // 0 = COM1 .. 18 = COM19; -1 for no selection
  int speedIndex = -1;  // 0 = 9600 .. 4 = 115200; -1 for no selection
  NetworkSetupTexts network;
};

enum class DialogButton { kConnect, kCurrent, kUpdate, kTransmit, kErase };

// The dialog's five version texts: the probe's three and the newest update files' two.
enum class VersionLabel { kLoader, kCurrentFirmware, kCurrentLogic, kNewestFirmware, kNewestLogic };

// What the dialog's actions need of its controls, whatever draws them: the window's widgets,
// kvxctl's options, or a test's recorder.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // The port and speed selections and the five edits, as the user left them.
  virtual void ReadControls(DialogFields& fields) = 0;
  // Shows `fields` in the controls, and the probe's serial number and MAC address texts.
  virtual void WriteControls(const DialogFields& fields, const std::string& serialNumber,
                             const std::string& macAddressText) = 0;
  virtual void SetVersionText(VersionLabel label, const std::string& text) = 0;
  virtual void EnableButton(DialogButton button, bool enabled) = 0;
};

}  // namespace kvx
