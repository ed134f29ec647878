#include "cli/cli_controls.h"

namespace kvx::cli {

void CliControls::WriteControls(const DialogFields& fields, const std::string& serialNumber,
                                const std::string& macAddressText) {
  // The serial number and MAC text are printed from the probe's identity instead.
  static_cast<void>(serialNumber);
  static_cast<void>(macAddressText);
  fields_ = fields;
}

void CliControls::SetVersionText(VersionLabel label, const std::string& text) {
  versionTexts_[static_cast<std::size_t>(label)] = text;
}

void CliControls::EnableButton(DialogButton button, bool enabled) {
  static_cast<void>(button);
  static_cast<void>(enabled);
}

const std::string& CliControls::VersionText(VersionLabel label) const {
  return versionTexts_[static_cast<std::size_t>(label)];
}

}  // namespace kvx::cli
