#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvx {

// The caption of every message box that does not name its own.
inline constexpr char kApplicationTitle[] = "kvxGDB Setup";

// The message boxes of the program, whichever window system shows them: what they say, their
// icon, their buttons and which button Return presses.
enum class MessageIcon { kNone, kExclamation };
enum class MessageButtons { kOkOnly, kYesNo, kYesNoCancel };
// kAccepted is OK's answer; a box closed without a choice answers as its last button does
// (OK, No or Cancel).
enum class MessageAnswer { kAccepted, kYes, kNo, kCancel };

// What a box with `buttons` answers when it is closed without a choice.
inline MessageAnswer ClosedBoxAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return MessageAnswer::kNo;
    case MessageButtons::kYesNoCancel:
      return MessageAnswer::kCancel;
    default:
      return MessageAnswer::kAccepted;
  }
}

// `text` and `detail` are narrow strings as the system names files: they may name one.
struct MessageBox {
  std::string text;
  std::string caption = kApplicationTitle;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOkOnly;
  // The answer Return gives; none leaves the first button (OK or Yes) the default.
  std::optional<MessageAnswer> defaultAnswer = std::nullopt;
  // Why it happened, shown beside `text` (never instead of it); empty when the text says all.
  std::string detail = {};
  // What the user can do about it ("run update again"), shown with the detail. A front end
  // that says it in a place of its own (kvxctl, once the run has ended) leaves it out.
  std::string advice = {};
};

// The detail with the advice after it, as a window shows them behind the message's text.
inline std::string DetailWithAdvice(const MessageBox& message) {
  if (message.advice.empty()) return message.detail;
  if (message.detail.empty()) return message.advice;
  return message.detail + "\n\n" + message.advice;
}

// What a long step counts its work in.
enum class ProgressUnit {
  kBytes,  // of flash erased, programmed or read back, or of the image file sent
  kRows,   // of the logic device's fuse map
};

// How far a long step has come: `done` of `total`, in `unit`.
struct ProgressAmount {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  ProgressUnit unit = ProgressUnit::kBytes;

  // Whole percent, rounded down: the number a step's status text shows. A step with nothing
  // to do is at 0.
  unsigned Percent() const { return total == 0 ? 0 : static_cast<unsigned>(done * 100 / total); }
};

// How the probe procedures and the dialog's actions reach the user: the dialog's one-line
// status text, its message box and the wait cursor. The window, kvxctl and the tests each
// implement it.
//
// Everything runs on the one thread that also talks to the probe, so a status text must be
// visible when SetStatus returns, and ShowMessage blocks until it is answered.
class DialogServices {
 public:
  virtual ~DialogServices() = default;

  virtual void SetStatus(const std::string& text) = 0;
  // How far a long step has come. `text` is the status text the report brings, one that
  // already holds `amount`'s percentage, or empty when the step's status text stays as it is
  // (an erase, whose texts carry no percentage): the status line then shows nothing new.
  // Front ends that draw a progress bar use `amount`; the rest show the text.
  virtual void SetProgress(const std::string& text, const ProgressAmount& amount) {
    static_cast<void>(amount);
    if (!text.empty()) SetStatus(text);
  }
  virtual MessageAnswer ShowMessage(const MessageBox& message) = 0;
  // Why a step failed where the dialog shows the failure in its status line alone. The window
  // has no place for it; front ends that keep a record of the run keep it.
  virtual void NoteCause(const std::string& cause) { static_cast<void>(cause); }
  // Calls nest: the normal cursor returns when every Begin has been matched by an End.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// Holds the wait cursor from construction until End() or destruction, whichever comes
// first, so no path out of a step leaves it on.
class WaitCursor {
 public:
  explicit WaitCursor(DialogServices& services) : services_(services) {
    services_.BeginWaitCursor();
  }
  ~WaitCursor() { End(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  void End() {
    if (!on_) return;
    on_ = false;
    services_.EndWaitCursor();
  }

 private:
  DialogServices& services_;
  bool on_ = true;
};

// Shows `text` in the application's plain message box: title caption, OK, no icon.
inline void ShowPlainMessage(DialogServices& services, const std::string& text) {
  services.ShowMessage(MessageBox{text});
}

}  // namespace kvx
