#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialog_services.h"

namespace kvx::test {

// DialogServices that keep everything the user would have seen, in order, and answer
// message boxes from a script (OK, or Yes when the box asks Yes/No, once the script is
// used up).
//
// `events` holds one line per happening, so tests can check the order of status texts,
// boxes and cursor changes: "status: TEXT", "box: TEXT", "cursor on", "cursor off".
class RecordingServices : public DialogServices {
 public:
  std::vector<std::string> events;
  std::vector<std::string> statuses;
  std::vector<MessageBox> boxes;
  std::vector<std::string> causes;      // what NoteCause was told
  std::vector<ProgressAmount> amounts;  // what SetProgress was told, in order
  std::deque<MessageAnswer> answers;
  int cursorDepth = 0;
  // The cursor depth each box was shown at.
  std::vector<int> cursorDepthAtBox;
  // Runs as the wait cursor comes on: what the world does to the user meanwhile.
  std::function<void()> onCursorOn = [] {};

  void SetStatus(const std::string& text) override {
    statuses.push_back(text);
    events.push_back("status: " + text);
  }
  void SetProgress(const std::string& text, const ProgressAmount& amount) override {
    amounts.push_back(amount);
    DialogServices::SetProgress(text, amount);
  }
  MessageAnswer ShowMessage(const MessageBox& message) override {
    boxes.push_back(message);
    cursorDepthAtBox.push_back(cursorDepth);
    events.push_back("box: " + message.text);
    if (!answers.empty()) {
      const MessageAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes
                                                     : MessageAnswer::kAccepted;
  }
  void NoteCause(const std::string& cause) override { causes.push_back(cause); }
  void BeginWaitCursor() override {
    ++cursorDepth;
    events.push_back("cursor on");
    onCursorOn();
  }
  void EndWaitCursor() override {
    --cursorDepth;
    events.push_back("cursor off");
  }

  std::string LastStatus() const { return statuses.empty() ? "" : statuses.back(); }
  // How much each progress report said was done, in order.
  std::vector<std::uint64_t> AmountsDone() const {
    std::vector<std::uint64_t> done;
    for (const ProgressAmount& amount : amounts) done.push_back(amount.done);
    return done;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const MessageBox& box : boxes) texts.push_back(box.text);
    return texts;
  }
};

}  // namespace kvx::test
