#pragma once

#include <array>
#include <string>

#include "app/dialog_controls.h"

namespace kvx::cli {

// The dialog's controls as a command line has them: the fields come from the options and
// stay as the actions last wrote them, and the version texts are kept for the report a
// command prints at its end. There are no buttons; each command runs its action directly.
class CliControls final : public DialogControls {
 public:
  explicit CliControls(DialogFields fields) : fields_(std::move(fields)) {}

  void ReadControls(DialogFields& fields) override { fields = fields_; }
  void WriteControls(const DialogFields& fields, const std::string& serialNumber,
                     const std::string& macAddressText) override;
  void SetVersionText(VersionLabel label, const std::string& text) override;
  void EnableButton(DialogButton button, bool enabled) override;

  // The text last set for `label`; "unknown" until the actions set one, as in the window.
  const std::string& VersionText(VersionLabel label) const;

 private:
  DialogFields fields_;
  std::array<std::string, 5> versionTexts_{"unknown", "unknown", "unknown", "unknown", "unknown"};
};

}  // namespace kvx::cli
