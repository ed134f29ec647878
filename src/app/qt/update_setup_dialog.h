#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/dialog_controls.h"
#include "app/probe_station.h"
#include "app/qt/message_presenter.h"
#include "app/qt/user_input_filter.h"
#include "app/update_setup_actions.h"
#include "ui/dialog_services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvx::qt {

// The modal dialog through which the user does all work with the probe: laid out from its
// template in dialog units, so it keeps its proportions at any font size, with no close box
// (Escape is Cancel, Enter is OK). Its buttons run the dialog's action sequences; it is their
// controls and their status line, message box and wait cursor.
//
// An action blocks the one thread until it ends. Meanwhile the window keeps painting, and
// user input is dropped.
class UpdateSetupDialog : public QDialog, private DialogControls, private DialogServices {
  Q_OBJECT

 public:
  UpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                    MessagePresenter presentMessage = ShowMessageBox, QWidget* parent = nullptr);
  ~UpdateSetupDialog() override;

  // The fields as the last exchange with the controls left them.
  const DialogFields& Fields() const { return actions_->Fields(); }
  // The widget of a control id of the template; nullptr for ids it does not have.
  QWidget* Control(int id) const;

  // Cancel, whether from the button, Escape or the window system.
  void reject() override;

 signals:
  // Each status text as it is shown, progress included.
  void StatusShown(const QString& text);

 private:
  void BuildControls();
  void ConnectButtons();
  void FocusFirstTabStop();
  // Runs one action with user input blocked.
  template <typename Action>
  void RunBlocking(Action action);
  void OnOkClicked();

  QLabel* Label(int id) const;
  QLineEdit* Edit(int id) const;
  QComboBox* List(int id) const;
  QPushButton* Button(int id) const;

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
  MessagePresenter presentMessage_;
  UserInputFilter inputFilter_;
  std::map<int, QWidget*> controls_;
  std::vector<QWidget*> tabStops_;  // in tab order
  bool busy_ = false;
  std::unique_ptr<UpdateSetupActions> actions_;
};

// Handles the window system's events but for user input, which the dialog drops while an
// action runs: the probe station calls it while it waits on the port.
void HandleWindowEvents();

// Runs the dialog modally over the program's probe connection; the fields on OK.
std::optional<DialogFields> RunUpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                                                 MessagePresenter presentMessage = ShowMessageBox);

}  // namespace kvx::qt
