#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "app/dialog_controls.h"
#include "app/update_setup_template.h"

namespace kvx {

// The dialog's controls as values only, where nothing draws them: kvxctl's, whose fields come
// from its options, and a test's. Each control starts as the dialog template has it (its text,
// no selection, enabled) and keeps what the actions last put in it.
class ControlValues final : public DialogControls {
 public:
  ControlValues() {
    for (const ControlTemplate& control : kUpdateSetupTemplate) {
      if (control.id != kNoId) texts_[control.id] = control.text;
    }
  }

  std::string Text(int id) override { return texts_[id]; }
  void SetText(int id, const std::string& text) override { texts_[id] = text; }
  int Selection(int id) override {
    const auto selected = selections_.find(id);
    return selected == selections_.end() ? -1 : selected->second;
  }
  void Select(int id, int index) override {
    const bool listed = index >= 0 && static_cast<std::size_t>(index) < ListEntries(id).size();
    selections_[id] = listed ? index : -1;
  }
  void Enable(int id, bool enabled) override { disabled_[id] = !enabled; }

  const std::string& Shown(int id) const { return texts_.at(id); }
  bool Enabled(int id) const {
    const auto found = disabled_.find(id);
    return found == disabled_.end() || !found->second;
  }

 private:
  std::map<int, std::string> texts_;
  std::map<int, int> selections_;
  std::map<int, bool> disabled_;
};

}  // namespace kvx
