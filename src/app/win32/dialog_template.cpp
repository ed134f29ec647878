#include "app/win32/dialog_template.h"

#include <commctrl.h>

#include <string>

#include "app/update_setup_template.h"
#include "app/win32/wide_text.h"

namespace kvx::win32 {

namespace {

// The predefined window classes a template names by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;

class TemplateWriter {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  // Each item starts on a DWORD boundary; the vector's storage itself is DWORD-aligned.
  void AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<WORD> Take() { return std::move(words_); }

 private:
  std::vector<WORD> words_;
};

WORD ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kGroupBox:
    case ControlKind::kButton:
    case ControlKind::kDefaultButton:
      return kButtonClass;
    case ControlKind::kEdit:
      return kEditClass;
    case ControlKind::kDropDownList:
      return kComboBoxClass;
    default:
      return kStaticClass;
  }
}

DWORD KindStyle(const ControlTemplate& control) {
  // The texts the program sets are shown as they are: an '&' in a path is no mnemonic.
  const DWORD noPrefix = control.id == kNoId ? 0 : SS_NOPREFIX;
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return BS_GROUPBOX;
    case ControlKind::kLabel:
      return SS_LEFT | noPrefix;
    case ControlKind::kRightLabel:
      return SS_RIGHT | noPrefix;
    case ControlKind::kCentredLabel:
      return SS_CENTER | noPrefix;
    case ControlKind::kButton:
      return BS_PUSHBUTTON;
    case ControlKind::kDefaultButton:
      return BS_DEFPUSHBUTTON;
    case ControlKind::kEdit:
      return ES_LEFT;
    case ControlKind::kDropDownList:
      return CBS_DROPDOWNLIST;
  }
  return 0;
}

DWORD StyleOf(const ControlTemplate& control) {
  const unsigned styles = StylesOf(control.kind);
  DWORD style = WS_CHILD | WS_VISIBLE | KindStyle(control);
  if (styles & kTabStop) style |= WS_TABSTOP;
  if (styles & kBorder) style |= WS_BORDER;
  if (styles & kScrollsAcross) style |= ES_AUTOHSCROLL;
  if (styles & kVerticalScrollBar) style |= WS_VSCROLL;
  return style;
}

void WriteItem(TemplateWriter& out, const ControlTemplate& control) {
  out.AlignToDword();
  out.Dword(0);  // help id
  out.Dword(0);  // extended style
  out.Dword(StyleOf(control));
  out.Short(control.rect.x);
  out.Short(control.rect.y);
  out.Short(control.rect.width);
  out.Short(control.rect.height);
  out.Dword(static_cast<DWORD>(control.id));
  out.Word(0xFFFF);
  out.Word(ClassOf(control.kind));
  out.Text(ToWide(control.text));
  out.Word(0);  // no creation data
}

}  // namespace

std::vector<WORD> UpdateSetupDialogTemplate() {
  TemplateWriter out;
  out.Word(1);       // version
  out.Word(0xFFFF);  // extended template
  out.Dword(0);      // help id
  out.Dword(0);      // extended style
  // A title bar and a modal frame but no system menu, so no close box: Escape is Cancel.
  out.Dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
  out.Word(static_cast<WORD>(kUpdateSetupTemplate.size()));
  out.Short(kUpdateSetupSize.x);
  out.Short(kUpdateSetupSize.y);
  out.Short(kUpdateSetupSize.width);
  out.Short(kUpdateSetupSize.height);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(ToWide(kUpdateSetupCaption));
  out.Word(static_cast<WORD>(kDialogFontPoints));
  out.Word(FW_NORMAL);
  out.Word(DEFAULT_CHARSET << 8);  // not italic, the font's own character set
  out.Text(ToWide(kDialogFontFamily));
  for (const ControlTemplate& control : kUpdateSetupTemplate) WriteItem(out, control);
  return out.Take();
}

}  // namespace kvx::win32
