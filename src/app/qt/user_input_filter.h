#pragma once

#include <QObject>

namespace kvx::qt {

// Drops every click, key, wheel turn and close request the application receives while it is
// installed, so a user cannot start a second probe operation inside a running one, nor close
// a window whose operation is halfway through writing flash. Everything else (painting, the
// window system) passes. Input is dropped, not queued, so nothing fires after the operation.
class UserInputFilter : public QObject {
 public:
  using QObject::QObject;

  // While installed, a message box still needs its answer: Pause() lets input through until
  // the matching Resume().
  void Pause() { ++pauses_; }
  void Resume() { --pauses_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int pauses_ = 0;
};

// Installs the filter application-wide for its lifetime.
class UserInputBlocked {
 public:
  explicit UserInputBlocked(UserInputFilter& filter);
  ~UserInputBlocked();
  UserInputBlocked(const UserInputBlocked&) = delete;
  UserInputBlocked& operator=(const UserInputBlocked&) = delete;

 private:
  UserInputFilter& filter_;
};

// Lets input through for its lifetime, where the user must answer something.
class UserInputPaused {
 public:
  explicit UserInputPaused(UserInputFilter& filter) : filter_(filter) { filter_.Pause(); }
  ~UserInputPaused() { filter_.Resume(); }
  UserInputPaused(const UserInputPaused&) = delete;
  UserInputPaused& operator=(const UserInputPaused&) = delete;

 private:
  UserInputFilter& filter_;
};

}  // namespace kvx::qt
