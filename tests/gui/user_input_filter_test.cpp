#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <optional>

#include "app/qt/user_input_filter.h"

namespace kvx::qt {
namespace {

// What reaches a button while a probe operation holds the thread: nothing the user does, unless
// a message box is waiting for an answer.
TEST(UserInputFilter, DropsInputOnlyWhileBlockedAndNotPaused) {
  struct Case {
    const char* name;
    bool blocked;
    bool paused;
    bool reaches;
  };
  for (const Case& c : {Case{"idle", false, false, true}, Case{"blocked", true, false, false},
                        Case{"answering a box", true, true, true}}) {
    SCOPED_TRACE(c.name);
    UserInputFilter filter;
    QPushButton button("Update");
    button.show();
    QSignalSpy clicks(&button, &QPushButton::clicked);
    std::optional<UserInputBlocked> blocked;
    std::optional<UserInputPaused> paused;
    if (c.blocked) blocked.emplace(filter);
    if (c.paused) paused.emplace(filter);

    QTest::mouseClick(&button, Qt::LeftButton);
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Space);
    button.close();

    EXPECT_EQ(clicks.count(), c.reaches ? 2 : 0);
    EXPECT_EQ(button.isVisible(), !c.reaches)
        << "a close request was " << (c.reaches ? "dropped" : "let through");
  }
}

}  // namespace
}  // namespace kvx::qt
