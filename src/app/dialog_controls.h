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

// What the dialog's actions need of its controls, named by their ids in the dialog template,
// whatever draws them: the window's widgets, kvxctl's stored values (ControlValues), or a
// test's. Which control shows which field is the template's (kNetworkTextControls), so a front
// end maps nothing.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // The text of an edit, as the user left it.
  virtual std::string Text(int id) = 0;
  // Shows `text` in an edit or a label.
  virtual void SetText(int id, const std::string& text) = 0;
  // The entry selected in a list; -1 for none.
  virtual int Selection(int id) = 0;
  // Selects entry `index` of a list; an index off the list leaves it without a selection.
  virtual void Select(int id, int index) = 0;
  virtual void Enable(int id, bool enabled) = 0;
};

}  // namespace kvx
