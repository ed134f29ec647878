#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "app/kvxhs_doc.h"
#include "app/qt/update_setup_dialog.h"
#include "app/update_setup_template.h"
#include "simulated_probe.h"
#include "typed_fields.h"
#include "update_files.h"

namespace kvx::test {
namespace {

using qt::UpdateSetupDialog;
using ::testing::Contains;
using ::testing::ElementsAre;

// The Update/Setup dialog on COM1, which leads to a simulated probe at firmware and logic 1.04,
// with 1.05 update files beside it. Message boxes are recorded, not shown.
class DialogOnSimulator : public ::testing::Test {
 protected:
  DialogOnSimulator() : probe_(ProbeWithVersions(104, 104)) {
    setenv("KVXSETUP_COM1", probe_->SlavePath().c_str(), 1);
  }
  ~DialogOnSimulator() override {
    unsetenv("KVXSETUP_COM1");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "a wait cursor was left on";
  }

  UpdateSetupDialog& Open(const DialogFields& fields = ValidFields()) {
    dialog_ = std::make_unique<UpdateSetupDialog>(station_, fields, RecordMessages());
    QObject::connect(dialog_.get(), &UpdateSetupDialog::StatusShown, [this](const QString& text) {
      statuses_.push_back(text.toStdString());
      const QCursor* cursor = QGuiApplication::overrideCursor();
      waiting_.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
    });
    dialog_->show();
    return *dialog_;
  }
  qt::MessagePresenter RecordMessages() {
    return [this](QWidget*, const MessageBox& box) {
      boxes_.push_back(box.text);
      details_.push_back(box.detail);
      return MessageAnswer::kAccepted;
    };
  }
  void Click(int id) { QTest::mouseClick(Widget<QPushButton>(id), Qt::LeftButton); }
  template <typename W>
  W* Widget(int id) {
    return qobject_cast<W*>(dialog_->Control(id));
  }
  std::string Text(int id) { return Widget<QLabel>(id)->text().toStdString(); }
  // The id of the control that has the focus; kNoId for anything else.
  int FocusedId() {
    for (const ControlTemplate& control : kUpdateSetupTemplate) {
      if (control.id != kNoId && dialog_->Control(control.id) == QApplication::focusWidget()) {
        return control.id;
      }
    }
    return kNoId;
  }

  SimulatedProbe probe_;
  ReleaseFiles updates_;
  ProbeStation station_{{},
                        [this] { return updates_.Path(); },
                        [] { return WindowFirmwareMode(false); },
                        qt::HandleWindowEvents};
  std::unique_ptr<UpdateSetupDialog> dialog_;
  std::vector<std::string> boxes_;    // the texts of the message boxes shown
  std::vector<std::string> details_;  // and their details
  std::vector<std::string> statuses_;
  // Whether the whole application showed the wait cursor as each status was shown.
  std::vector<bool> waiting_;
};

// The focus starts on Connect and Tab follows the template's order, passing the disabled
// buttons by, round to Connect again; Shift+Tab goes back the same way.
TEST_F(DialogOnSimulator, OpensWithTheFocusOnConnectAndTabsInTheTemplatesOrder) {
  UpdateSetupDialog& dialog = Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  const std::vector<int> chain = {
      kConnectButtonId,  kProbeIpEditId, kSubnetMaskEditId, kGatewayEditId, kHostIpEditId,
      kConfigFileEditId, kOkId,          kCancelId,         kPortListId,    kSpeedListId,
      kConnectButtonId};
  std::vector<int> forward = {FocusedId()};
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    forward.push_back(FocusedId());
  }
  EXPECT_EQ(forward, chain);
  std::vector<int> backward;
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    backward.push_back(FocusedId());
  }
  EXPECT_EQ(backward, std::vector<int>(chain.rbegin() + 1, chain.rend()));
}

// A document whose port index is off the list selects no port; Connect says just that, not
// what an earlier attempt or a silent line would.
TEST_F(DialogOnSimulator, ConnectWithNoPortSelectedSaysSo) {
  DialogFields fields = ValidFields();
  fields.portIndex = 65535;
  Open(fields);
  Click(kConnectButtonId);
  EXPECT_THAT(boxes_, ElementsAre("Cannot connect to KVX loader!"));
  EXPECT_THAT(details_, ElementsAre("no port is selected"));
}

// Opening shows the fields and the newest files; Connect fills the probe's controls and
// enables Update, whose progress runs in the status line.
TEST_F(DialogOnSimulator, ConnectFillsTheProbesControlsAndUpdateShowsItsProgress) {
  Open();
  // The entry names the device that COM1 stands for.
  EXPECT_EQ(Widget<QComboBox>(kPortListId)->currentText().toStdString(),
            "COM1  " + probe_->SlavePath());
  EXPECT_EQ(Widget<QComboBox>(kSpeedListId)->currentText(), "115200");
  EXPECT_EQ(Text(kNewestFirmwareId), "1.05");
  EXPECT_EQ(Text(kNewestLogicId), "1.05");
  EXPECT_EQ(Widget<QLabel>(kNewestLogicId)->toolTip().toStdString(), updates_.Path().string());

  // The window's events keep flowing while the thread waits on the port.
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(5);
  Click(kConnectButtonId);
  EXPECT_GT(ticks, 0);

  EXPECT_EQ(Text(kSerialNumberId), "12345678");
  EXPECT_EQ(Text(kMacAddressId), "02B7E9123456");
  EXPECT_EQ(Text(kLoaderVersionId), "1.03");
  EXPECT_EQ(Text(kCurrentFirmwareId), "1.04");
  EXPECT_EQ(Text(kCurrentLogicId), "1.04");
  EXPECT_TRUE(dialog_->grab().save(QStringLiteral(KVX_SCREENSHOT_PATH)));
  const std::size_t updateStart = statuses_.size();
  Click(kUpdateButtonId);
  EXPECT_THAT(statuses_, Contains("Firmware: Programming Flash ... ( 50% )"));
  EXPECT_EQ(statuses_.back(), "Updating firmware and logic passed!");
  EXPECT_THAT(std::vector<bool>(waiting_.begin() + static_cast<long>(updateStart), waiting_.end()),
              ::testing::Each(true));
}

// The closed list cuts a long entry short; the open list shows every entry whole, and the
// chosen entry's whole text is the list's tooltip.
TEST_F(DialogOnSimulator, ALongPortEntryIsShownWholeInTheOpenListAndAsTheTooltip) {
  const std::string adapter = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  setenv("KVXSETUP_COM2", adapter.c_str(), 1);
  Open();
  unsetenv("KVXSETUP_COM2");
  QComboBox* list = Widget<QComboBox>(kPortListId);
  EXPECT_EQ(list->toolTip().toStdString(), list->currentText().toStdString());
  list->setCurrentIndex(1);
  EXPECT_EQ(list->toolTip().toStdString(), "COM2  " + adapter);
  list->showPopup();
  const QAbstractItemView* open = list->view();
  EXPECT_GT(open->fontMetrics().horizontalAdvance(list->currentText()), list->width());
  for (int row = 0; row < list->count(); ++row) {
    const QRect entry = open->visualRect(list->model()->index(row, 0));
    EXPECT_GE(open->viewport()->width(),
              entry.left() + open->sizeHintForIndex(list->model()->index(row, 0)).width())
        << list->itemText(row).toStdString();
  }
  list->hidePopup();
}

// Without a close box, Escape is the window's way out.
TEST_F(DialogOnSimulator, EscapeIsCancelAndLeavesTheFieldsAlone) {
  Open();
  EXPECT_FALSE(dialog_->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
  Widget<QLineEdit>(kProbeIpEditId)->setText("10.0.0.9");
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_THAT(statuses_, ElementsAre("Starting firmware please wait...."));
  EXPECT_EQ(dialog_->Fields().network.probeIpAddress, "10.0.0.1");
}

// A text longer than an address edit takes can only come from a document. It is shown whole,
// may be shortened but not lengthened, and stops Connect and OK. The configuration file name
// has no limit, and an address of exactly 15 characters is taken.
TEST_F(DialogOnSimulator, ATextTooLongForItsEditIsShownWholeAndRefused) {
  const std::string tooLong = "10.100.100.100.1";
  struct Case {
    int id;
    std::string NetworkSetupTexts::*field;
    std::string text;
    bool refused;
  };
  const Case cases[] = {
      {kProbeIpEditId, &NetworkSetupTexts::probeIpAddress, "100.100.100.100", false},
      {kProbeIpEditId, &NetworkSetupTexts::probeIpAddress, tooLong, true},
      {kGatewayEditId, &NetworkSetupTexts::defaultGateway, tooLong, true},
      {kConfigFileEditId, &NetworkSetupTexts::configFileName, std::string(40000, 'c'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    DialogFields fields = ValidFields();
    fields.network.*c.field = c.text;
    Open(fields);
    boxes_.clear();
    statuses_.clear();
    QLineEdit* edit = Widget<QLineEdit>(c.id);
    EXPECT_EQ(edit->text().toStdString(), c.text);
    if (!c.refused) {
      Click(kOkId);
      EXPECT_EQ(dialog_->result(), QDialog::Accepted);
      EXPECT_EQ(dialog_->Fields().network.*c.field, c.text);
      continue;
    }
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_0);
    EXPECT_EQ(edit->text().toStdString(), c.text);
    Click(kConnectButtonId);
    Click(kOkId);
    EXPECT_THAT(boxes_, ElementsAre("Please enter no more than 15 characters.",
                                    "Please enter no more than 15 characters."));
    EXPECT_TRUE(statuses_.empty()) << statuses_.front();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_0);
    EXPECT_EQ(edit->text().toStdString(), c.text.substr(0, 15));
  }
}

// The document's Setup command runs the dialog modally and takes back only what changed.
TEST_F(DialogOnSimulator, SetupCommandRunsTheDialogModallyAndTakesBackItsFields) {
  CKvxhsDoc document([](const MessageBox&) { return MessageAnswer::kAccepted; });
  document.SetupCommand([&](const DialogFields& fields) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<UpdateSetupDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTest::mouseClick(qobject_cast<QPushButton*>(dialog->Control(kConnectButtonId)),
                        Qt::LeftButton);
      EXPECT_EQ(qobject_cast<QLabel*>(dialog->Control(kSerialNumberId))->text(), "12345678");
      QTest::keyClicks(dialog->Control(kConfigFileEditId), "KVX.cfg");
      QTest::keyClick(dialog->Control(kProbeIpEditId), Qt::Key_Return);
    });
    return qt::RunUpdateSetupDialog(station_, fields, RecordMessages());
  });
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(document.Settings().network.configFileName, "KVX.cfg");
}

}  // namespace
}  // namespace kvx::test
