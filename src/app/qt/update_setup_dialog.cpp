#include "app/qt/update_setup_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>
#include <limits>
#include <utility>

#include "app/qt/dialog_units.h"
#include "app/qt/user_dialogs.h"
#include "app/update_setup_template.h"
#include "images/update_catalogue.h"

namespace kvx::qt {

namespace {

// The document keeps 8-bit texts; Latin-1 maps each byte to one character and back.
QString FromText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToText(const QString& text) {
  return text.toLatin1().toStdString();
}

Qt::Alignment LabelAlignment(ControlKind kind) {
  switch (kind) {
    case ControlKind::kRightLabel:
      return Qt::AlignRight | Qt::AlignTop;
    case ControlKind::kCentredLabel:
      return Qt::AlignHCenter | Qt::AlignTop;
    default:
      return Qt::AlignLeft | Qt::AlignTop;
  }
}

// Refuses typing that makes an edit's text longer than `limit` characters. Unlike an edit's
// own maximum length, it never cuts a longer text the program puts in, which the exchange
// must see whole to refuse it: such a text may be edited and shortened but never grows, and
// once shortened, its new length is the most the edit takes, down to `limit`.
class TypingLimit : public QValidator {
 public:
  TypingLimit(qsizetype limit, qsizetype lengthGiven, QObject* parent)
      : QValidator(parent), limit_(limit), allowed_(std::max(limit, lengthGiven)) {}

  State validate(QString& input, int&) const override {
    if (input.size() > allowed_) return Invalid;
    allowed_ = std::max(limit_, input.size());
    return Acceptable;
  }

 private:
  const qsizetype limit_;
  mutable qsizetype allowed_;
};

QWidget* MakeControl(const ControlTemplate& control, QWidget* parent) {
  const QString text = QString::fromLatin1(control.text);
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return new QGroupBox(text, parent);
    case ControlKind::kButton:
    case ControlKind::kDefaultButton: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(control.kind == ControlKind::kDefaultButton);
      return button;
    }
    case ControlKind::kEdit: {
      // An edit cuts nothing it is given: the typing limits are TypingLimit's.
      auto* edit = new QLineEdit(parent);
      edit->setMaxLength(std::numeric_limits<int>::max());
      return edit;
    }
    case ControlKind::kDropDownList:
      return new QComboBox(parent);
    default: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(LabelAlignment(control.kind));
      return label;
    }
  }
}

}  // namespace

UpdateSetupDialog::UpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                                     MessagePresenter presentMessage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      station_(station),
      presentMessage_(std::move(presentMessage)) {
  setWindowTitle(QString::fromLatin1(kUpdateSetupCaption));
  setFont(QFont(QString::fromLatin1(kDialogFontFamily), kDialogFontPoints));
  BuildControls();
  actions_ = std::make_unique<UpdateSetupActions>(
      UpdateSetupActions::Parts{
          station_.Link(), [this] { return station_.OpenLink(actions_->Fields()); },
          UpdateCatalogue(station_.UpdateDirectory()), *this, *this, station_.Progress()},
      fields);
  actions_->SetFirmwareMode(station_.FirmwareMode());
  ConnectButtons();
  actions_->OnOpen();
  FocusFirstTabStop();
  // Where the newest files were looked for, for a user who wonders why none were found.
  const QString updateFolder = FromPath(station_.UpdateDirectory().string());
  Label(kNewestFirmwareId)->setToolTip(updateFolder);
  Label(kNewestLogicId)->setToolTip(updateFolder);
}

UpdateSetupDialog::~UpdateSetupDialog() = default;

// The template lists the controls in tab order; Tab goes through its tab stops in that order
// and through nothing else, skipping a disabled one as the dialog manager does.
void UpdateSetupDialog::BuildControls() {
  const DialogBaseUnits units = BaseUnitsOf(font());
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : kUpdateSetupTemplate) {
    QWidget* widget = MakeControl(control, this);
    const bool tabStop = (StylesOf(control.kind) & kTabStop) != 0;
    widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
    if (tabStop) {
      if (previousTabStop != nullptr) setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
      tabStops_.push_back(widget);
    }
    QRect rect = DialogUnitsToPixels(control.rect, units);
    // A drop-down list's template height is that of its open list; closed, it is one line.
    if (control.kind == ControlKind::kDropDownList) rect.setHeight(widget->sizeHint().height());
    widget->setGeometry(rect);
    if (control.kind == ControlKind::kGroupBox) widget->lower();
    if (control.kind == ControlKind::kDropDownList) {
      auto* list = static_cast<QComboBox*>(widget);
      // The closed list is as narrow as the template makes it and may cut its entry short, so
      // the whole entry, the device beside a port included, is its tooltip. The open list
      // widens itself to its widest entry.
      connect(list, &QComboBox::currentTextChanged, list, &QWidget::setToolTip);
      for (const std::string& entry : station_.ListEntries(control.id)) {
        list->addItem(FromText(entry));
      }
    }
    if (control.id != kNoId) controls_[control.id] = widget;
  }
  setFixedSize(DialogUnitsToPixels(kUpdateSetupSize, units).size());
}

// The dialog opens with the focus on its first tab stop that is enabled, as the window system's
// dialog manager gives it: Connect, where the default button would otherwise take it.
void UpdateSetupDialog::FocusFirstTabStop() {
  for (QWidget* widget : tabStops_) {
    if (!widget->isEnabled()) continue;
    widget->setFocus(Qt::OtherFocusReason);
    return;
  }
}

void UpdateSetupDialog::ConnectButtons() {
  const auto bind = [this](int id, bool (UpdateSetupActions::*action)()) {
    connect(Button(id), &QPushButton::clicked, this,
            [this, action] { RunBlocking([this, action] { (actions_.get()->*action)(); }); });
  };
  bind(kConnectButtonId, &UpdateSetupActions::OnConnect);
  bind(kCurrentButtonId, &UpdateSetupActions::OnCurrent);
  bind(kUpdateButtonId, &UpdateSetupActions::OnUpdate);
  bind(kTransmitButtonId, &UpdateSetupActions::OnTransmit);
  bind(kEraseButtonId, &UpdateSetupActions::OnErase);
  connect(Button(kOkId), &QPushButton::clicked, this, &UpdateSetupDialog::OnOkClicked);
  connect(Button(kCancelId), &QPushButton::clicked, this, &UpdateSetupDialog::reject);
}

template <typename Action>
void UpdateSetupDialog::RunBlocking(Action action) {
  if (busy_) return;
  busy_ = true;
  {
    const UserInputBlocked blocked(inputFilter_);
    action();
  }
  busy_ = false;
}

void UpdateSetupDialog::OnOkClicked() {
  bool mayEnd = false;
  RunBlocking([this, &mayEnd] { mayEnd = actions_->OnOk(); });
  if (mayEnd) accept();
}

void UpdateSetupDialog::reject() {
  if (busy_) return;
  RunBlocking([this] { actions_->OnCancel(); });
  QDialog::reject();
}

QWidget* UpdateSetupDialog::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

QLabel* UpdateSetupDialog::Label(int id) const {
  return static_cast<QLabel*>(Control(id));
}
QLineEdit* UpdateSetupDialog::Edit(int id) const {
  return static_cast<QLineEdit*>(Control(id));
}
QComboBox* UpdateSetupDialog::List(int id) const {
  return static_cast<QComboBox*>(Control(id));
}
QPushButton* UpdateSetupDialog::Button(int id) const {
  return static_cast<QPushButton*>(Control(id));
}

std::string UpdateSetupDialog::Text(int id) {
  return ToText(Edit(id)->text());
}

void UpdateSetupDialog::SetText(int id, const std::string& text) {
  const QString shown = FromText(text);
  QLineEdit* edit = qobject_cast<QLineEdit*>(Control(id));
  if (edit == nullptr) {
    Label(id)->setText(shown);
    return;
  }
  if (const std::size_t limit = EditTypingLimit(id); limit != 0) {
    delete edit->validator();
    edit->setValidator(new TypingLimit(static_cast<qsizetype>(limit), shown.size(), edit));
  }
  edit->setText(shown);
}

int UpdateSetupDialog::Selection(int id) {
  return List(id)->currentIndex();
}

void UpdateSetupDialog::Select(int id, int index) {
  QComboBox* list = List(id);
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void UpdateSetupDialog::Enable(int id, bool enabled) {
  Button(id)->setEnabled(enabled);
}

// The thread stays inside the action, so the status line is painted now, not when the
// event loop next runs.
void UpdateSetupDialog::SetStatus(const std::string& text) {
  QLabel* statusLine = Label(kStatusLineId);
  statusLine->setText(FromText(text));
  statusLine->repaint();
  emit StatusShown(statusLine->text());
}

MessageAnswer UpdateSetupDialog::ShowMessage(const MessageBox& message) {
  const UserInputPaused answering(inputFilter_);
  return presentMessage_(this, message);
}

void UpdateSetupDialog::BeginWaitCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void UpdateSetupDialog::EndWaitCursor() {
  QGuiApplication::restoreOverrideCursor();
}

void HandleWindowEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::optional<DialogFields> RunUpdateSetupDialog(ProbeStation& station, const DialogFields& fields,
                                                 MessagePresenter presentMessage) {
  UpdateSetupDialog dialog(station, fields, std::move(presentMessage));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Fields();
}

}  // namespace kvx::qt
