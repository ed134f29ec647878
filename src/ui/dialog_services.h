#pragma once

#include <optional>
#include <string>

namespace kvx {

// The caption of every message box that does not name its own.
inline constexpr char kApplicationTitle[] = "kvxGDB Setup";

enum class MessageIcon { kNone, kExclamation };
enum class MessageButtons { kOkOnly, kYesNo };
enum class MessageAnswer { kAccepted, kYes, kNo };

struct MessageBox {
  std::string text;
  std::string caption = kApplicationTitle;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOkOnly;
  // The answer Return gives; none leaves the first button (OK or Yes) the default.
  std::optional<MessageAnswer> defaultAnswer = std::nullopt;
  // Why it happened, shown beside `text` (never instead of it); empty when the text says all.
  std::string detail = {};
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
  // A status text that carries a percentage (0 to 100) of a long step; `text` already
  // holds it. Front ends that draw a progress bar use `percent`; the rest show the text.
  virtual void SetProgress(const std::string& text, unsigned percent) {
    static_cast<void>(percent);
    SetStatus(text);
  }
  virtual MessageAnswer ShowMessage(const MessageBox& message) = 0;
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
