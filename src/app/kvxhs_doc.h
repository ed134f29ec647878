#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/dialog_controls.h"
#include "app/setup_document.h"
#include "ui/dialog_services.h"

namespace kvx {

// The document type's texts: the main window's caption after the document's title, the title
// of a document without a file, and the file dialogs' filter.
inline constexpr char kFrameTitle[] = "kvxGDB";
inline constexpr char kUntitled[] = "Untitled";
inline constexpr char kDocumentFilter[] = "kvxGDB Setup (*.gdb)";
inline constexpr char kDocumentExtension[] = ".gdb";

// Shows a message box and waits for the user's answer.
using MessagePresenter = std::function<MessageAnswer(const MessageBox& message)>;

// Runs the Update/Setup dialog modally, opened with `fields`; the fields it ended with when the
// user left it with OK, nothing after Cancel.
using SetupDialogRunner = std::function<std::optional<DialogFields>(const DialogFields& fields)>;

// The program's one document: the probe's port, speed and network texts, the file they came
// from and whether they changed since. New and Open reuse it.
class CKvxhsDoc {
 public:
  explicit CKvxhsDoc(MessagePresenter showMessage) : showMessage_(std::move(showMessage)) {}

  const SetupDocument& Settings() const { return settings_; }
  // The absolute path of the file the document was opened from or last saved to; empty for a
  // new document.
  const std::string& PathName() const { return pathName_; }
  // The file's name, or "Untitled" for a new document.
  std::string Title() const;
  // "<title> - kvxGDB", the main window's caption.
  std::string WindowTitle() const;
  bool IsModified() const { return modified_; }

  // Port, speed, the five texts and `reserved` back to their defaults.
  void ResetToDefaults();
  // An untitled, unmodified document with the defaults.
  void NewDocument();
  // Reads `path`. A file that cannot be read or ends early is reported with the exclamation
  // icon. One that cannot be read leaves the document as it was; one that ends early leaves a
  // new document, so that saving can never write defaults over the file that failed.
  bool OpenDocument(const std::string& path);
  // Writes the document to `path` whether or not it changed. The file is replaced in one step:
  // a failed save is reported and leaves both the old file and the document as they were.
  bool SaveDocument(const std::string& path);

  // Runs the Update/Setup dialog on a copy of the settings and takes back all seven values,
  // marking the document modified, when the user left it with OK after changing any of them.
  void SetupCommand(const SetupDialogRunner& runSetupDialog);

 private:
  void SetPathAndModified(const std::string& pathName, bool modified);
  void ReportFailure(const std::string& text, const std::string& detail);

  MessagePresenter showMessage_;
  SetupDocument settings_;
  std::string pathName_;
  bool modified_ = false;
};

}  // namespace kvx
