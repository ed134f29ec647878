#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/dialog_controls.h"
#include "app/probe_station.h"
#include "app/update_setup_actions.h"
#include "ui/dialog_services.h"

namespace kvx::win32 {

// The modal Update/Setup dialog, built from its template in memory, with no close box (Escape
// is Cancel, Enter is OK). Its buttons run the dialog's action sequences; it is their
// controls and their status line, message box and wait cursor.
//
// An action blocks the one thread until it ends. Meanwhile the probe station pumps the
// window system's messages but for user input, which is dropped: the windows keep painting
// and no second action can start inside the first; the session's end waits for it.
//
// The edits take only what the document's 8-bit texts can keep: a character the code page
// has not is refused as it is typed or pasted.
class UpdateSetupDialog : private DialogControls, private DialogServices {
 public:
  UpdateSetupDialog(ProbeStation& station, const DialogFields& fields);
  ~UpdateSetupDialog() override;

  // Runs the dialog modally over `owner`; true when the user left it with OK.
  bool Run(HWND owner);
  // The fields as the last exchange with the controls left them.
  const DialogFields& Fields() const { return fields_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam);
  void OnInit();
  // Takes the edit's new text, or puts back the last one when the change brought a character
  // the document cannot keep.
  void OnEditChange(int id);
  void FillLists();
  void FocusFirstTabStop();
  void ExplainNewestVersions();
  void OnCommand(int id);
  template <typename Action>
  void RunBlocking(Action action);

  HWND Control(int id) const { return ::GetDlgItem(dialog_, id); }

  // DialogControls
  std::string Text(int id) override;
  void SetText(int id, const std::string& text) override;
  int Selection(int id) override;
  void Select(int id, int index) override;
  void Enable(int id, bool enabled) override;

  // DialogServices
  void SetStatus(const std::string& text) override;
  MessageAnswer ShowMessage(const MessageBox& message) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;

  ProbeStation& station_;
  DialogFields fields_;
  HWND dialog_ = nullptr;
  bool busy_ = false;
  std::map<int, std::wstring> editTexts_;  // each edit's last text the document can keep
  std::map<int, std::string> textsPut_;    // the bytes the actions last put in each control
  std::unique_ptr<UpdateSetupActions> actions_;
};

// Handles the window system's messages but for user input and close requests, which are
// dropped, not queued, so nothing the user did fires after the action: the probe station
// calls it while it waits on the port.
void HandleWindowEvents();

// Runs the dialog over `owner` with the program's probe connection; the fields on OK.
std::optional<DialogFields> RunUpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                                                 HWND owner);

}  // namespace kvx::win32
