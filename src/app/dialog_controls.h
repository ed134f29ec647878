#pragma once

#include <string>

namespace kvx {

// The dialog's Port list: COM1 to COM19.
inline constexpr int kPortListEntries = 19;

// The values the Update/Setup dialog edits: what the document hands it and takes back.
struct DialogFields {
  int portIndex = -1;   // 0 = COM1 .. 18 = COM19; -1 for no selection
  int speedIndex = -1;  // 0 = 9600 .. 4 = 115200; -1 for no selection
  std::string probeIpAddress;
  std::string hostIpAddress;
  std::string configFileName;
  std::string subnetMask;
  std::string defaultGateway;
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
