#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/qt/message_presenter.h"

namespace kvx::test {
namespace {

// Return in a real QMessageBox gives the box's default answer: No for a question whose Yes
// destroys something, the first button for every other box. The advice follows the detail.
TEST(MessagePresenter, ReturnGivesTheDefaultAnswer) {
  struct Case {
    MessageBox box;
    MessageAnswer onReturn;
  };
  const Case cases[] = {
      {{"Erase Flash and EPLD?", kApplicationTitle, MessageIcon::kExclamation,
        MessageButtons::kYesNo, MessageAnswer::kNo},
       MessageAnswer::kNo},
      {{"Overwrite?", kApplicationTitle, MessageIcon::kNone, MessageButtons::kYesNo},
       MessageAnswer::kYes},
      {{"Save changes to Untitled?", kApplicationTitle, MessageIcon::kNone,
        MessageButtons::kYesNoCancel},
       MessageAnswer::kYes},
      {{"Firmware update failed!", kApplicationTitle, MessageIcon::kNone, MessageButtons::kOkOnly,
        std::nullopt, "ProgramFlash at 0x01040004 ('h'): no valid reply (code -3001)",
        "the firmware is incomplete; run update again"},
       MessageAnswer::kAccepted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box.text);
    std::string shownText, shownDetail;
    QTimer::singleShot(0, [&shownText, &shownDetail] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      shownText = box->text().toStdString();
      shownDetail = box->detailedText().toStdString();
      QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(qt::ShowMessageBox(nullptr, c.box), c.onReturn);
    EXPECT_EQ(shownText, c.box.text);
    EXPECT_EQ(shownDetail, DetailWithAdvice(c.box));
  }
}

}  // namespace
}  // namespace kvx::test
