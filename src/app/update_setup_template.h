#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/dialog_controls.h"

// The Update/Setup dialog as data, which each window system builds with its own controls,
// metrics and keyboard handling: the controls in tab order with their ids, kinds, texts and
// rectangles in dialog units, and what the two lists hold.

namespace kvx {

// A rectangle in dialog units: a quarter of the dialog font's average character width across,
// an eighth of its height down.
struct DialogUnitRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind {
  kGroupBox,
  kLabel,         // left-aligned static text
  kRightLabel,    // right-aligned static text
  kCentredLabel,  // centred static text
  kButton,
  kDefaultButton,  // pressed by Enter wherever the focus is, unless another button has it
  kEdit,           // single line, bordered, scrolls horizontally
  kDropDownList,   // the rectangle's height is that of the dropped list
};

// What a control has besides what its kind draws.
enum ControlStyle : unsigned {
  kNoStyle = 0,
  kTabStop = 1u << 0,  // Tab stops at it
  kBorder = 1u << 1,
  kScrollsAcross = 1u << 2,  // scrolls horizontally as the user types past its width
  kVerticalScrollBar = 1u << 3,
};

// Buttons, edits and lists are tab stops; edits have a border and scroll across; lists have a
// vertical scroll bar.
constexpr unsigned StylesOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
    case ControlKind::kDefaultButton:
      return kTabStop;
    case ControlKind::kEdit:
      return kTabStop | kBorder | kScrollsAcross;
    case ControlKind::kDropDownList:
      return kTabStop | kVerticalScrollBar;
    default:
      return kNoStyle;
  }
}

// Ids of the controls the program talks to; labels and group boxes have none.
enum ControlId : int {
  kNoId = 0,
  kOkId = 1,
  kCancelId = 2,
  kCurrentButtonId = 105,
  kCurrentFirmwareId = 106,
  kNewestFirmwareId = 107,
  kCurrentLogicId = 108,
  kNewestLogicId = 109,
  kUpdateButtonId = 110,
  kStatusLineId = 111,
  kLoaderVersionId = 112,
  kProbeIpEditId = 113,
  kTransmitButtonId = 114,
  kEraseButtonId = 115,
  kHostIpEditId = 116,
  kConfigFileEditId = 117,
  kSerialNumberId = 118,
  kSubnetMaskEditId = 120,
  kGatewayEditId = 121,
  kMacAddressId = 122,
  kConnectButtonId = 129,
  kPortListId = 130,
  kSpeedListId = 131,
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  DialogUnitRect rect;
};

// A pop-up with a title bar and a modal frame but no system menu, so no close box either:
// Escape is Cancel.
inline constexpr const char* kUpdateSetupCaption = "KVX7000 Update/Setup";
// The font the layout was drawn in; where it is missing the nearest sans serif stands in, and
// the layout follows that font's size.
inline constexpr const char* kDialogFontFamily = "MS Sans Serif";
inline constexpr int kDialogFontPoints = 8;
inline constexpr DialogUnitRect kUpdateSetupSize{0, 0, 219, 301};

// Every control of the Update/Setup dialog, in tab order.
inline constexpr std::array<ControlTemplate, 40> kUpdateSetupTemplate{{
    {kNoId, ControlKind::kGroupBox, "Connect KVX7000 Loader", {5, 5, 205, 75}},
    {kNoId, ControlKind::kGroupBox, "Channel", {10, 15, 110, 60}},
    {kNoId, ControlKind::kRightLabel, "SN:", {135, 20, 13, 8}},
    {kSerialNumberId, ControlKind::kCentredLabel, "unknown", {150, 20, 55, 8}},
    {kConnectButtonId, ControlKind::kButton, "&Connect", {155, 60, 50, 14}},
    {kNoId, ControlKind::kGroupBox, "KVX7000 Firmware / Logic", {5, 85, 205, 60}},
    {kNoId, ControlKind::kCentredLabel, "Current", {65, 95, 35, 8}},
    {kNoId, ControlKind::kCentredLabel, "Newest", {110, 95, 35, 8}},
    {kNoId, ControlKind::kLabel, "Loader", {10, 110, 45, 8}},
    {kLoaderVersionId, ControlKind::kCentredLabel, "unknown", {65, 110, 35, 8}},
    {kNoId, ControlKind::kLabel, "Firmware", {10, 120, 45, 8}},
    {kCurrentFirmwareId, ControlKind::kCentredLabel, "unknown", {65, 120, 35, 8}},
    {kNewestFirmwareId, ControlKind::kCentredLabel, "unknown", {110, 120, 35, 8}},
    {kCurrentButtonId, ControlKind::kButton, "Current", {155, 94, 50, 14}},
    {kNoId, ControlKind::kLabel, "Logic", {10, 130, 45, 8}},
    {kCurrentLogicId, ControlKind::kCentredLabel, "unknown", {65, 130, 35, 8}},
    {kNewestLogicId, ControlKind::kCentredLabel, "unknown", {110, 130, 35, 8}},
    {kUpdateButtonId, ControlKind::kButton, "Update", {155, 126, 50, 14}},
    {kNoId, ControlKind::kGroupBox, "Configuration", {5, 150, 205, 130}},
    {kNoId, ControlKind::kLabel, "KVX IP Address", {10, 167, 90, 10}},
    {kProbeIpEditId, ControlKind::kEdit, "", {115, 165, 90, 13}},
    {kNoId, ControlKind::kLabel, "Subnet Mask", {10, 182, 90, 10}},
    {kSubnetMaskEditId, ControlKind::kEdit, "", {115, 180, 90, 13}},
    {kNoId, ControlKind::kLabel, "Default Gateway", {10, 197, 90, 10}},
    {kGatewayEditId, ControlKind::kEdit, "", {115, 195, 90, 13}},
    {kNoId, ControlKind::kLabel, "Config - Host IP Address", {10, 212, 90, 10}},
    {kHostIpEditId, ControlKind::kEdit, "", {115, 210, 90, 13}},
    {kNoId, ControlKind::kLabel, "Configuration file ", {10, 230, 65, 10}},
    {kConfigFileEditId, ControlKind::kEdit, "", {10, 240, 195, 13}},
    {kTransmitButtonId, ControlKind::kButton, "&Transmit", {135, 260, 70, 14}},
    {kOkId, ControlKind::kDefaultButton, "Ok", {70, 260, 50, 14}},
    {kCancelId, ControlKind::kButton, "Cancel", {10, 260, 50, 14}},
    {kStatusLineId, ControlKind::kCentredLabel, "Loading firmware, please wait", {5, 285, 205, 8}},
    {kNoId, ControlKind::kRightLabel, "MAC:", {130, 35, 18, 8}},
    {kMacAddressId, ControlKind::kCentredLabel, "unknown", {150, 35, 55, 8}},
    {kPortListId, ControlKind::kDropDownList, "", {60, 30, 50, 45}},
    {kNoId, ControlKind::kLabel, "Port", {20, 32, 30, 8}},
    {kSpeedListId, ControlKind::kDropDownList, "", {60, 50, 50, 40}},
    {kNoId, ControlKind::kLabel, "Speed", {20, 52, 30, 8}},
    {kEraseButtonId, ControlKind::kButton, "Erase", {155, 110, 50, 14}},
}};

// The longest text the four address edits take.
inline constexpr std::size_t kAddressTextLimit = 15;

// The edit that shows each network text, and the longest text it takes from the keyboard (0:
// no limit of its own). The edit's limit stops typing but never cuts a longer text the program
// puts in, which the exchange must see whole to refuse it.
struct NetworkTextControl {
  int id;
  std::string NetworkSetupTexts::*member;
  std::size_t typingLimit;
};
inline constexpr std::array<NetworkTextControl, 5> kNetworkTextControls{{
    {kProbeIpEditId, &NetworkSetupTexts::probeIpAddress, kAddressTextLimit},
    {kSubnetMaskEditId, &NetworkSetupTexts::subnetMask, kAddressTextLimit},
    {kGatewayEditId, &NetworkSetupTexts::defaultGateway, kAddressTextLimit},
    {kHostIpEditId, &NetworkSetupTexts::hostIpAddress, kAddressTextLimit},
    {kConfigFileEditId, &NetworkSetupTexts::configFileName, 0},
}};

// The typing limit of an edit; 0 for none.
inline std::size_t EditTypingLimit(int id) {
  for (const NetworkTextControl& control : kNetworkTextControls) {
    if (control.id == id) return control.typingLimit;
  }
  return 0;
}

// The fields as the user left them in `controls`.
inline DialogFields ReadFields(DialogControls& controls) {
  DialogFields fields;
  fields.portIndex = controls.Selection(kPortListId);
  fields.speedIndex = controls.Selection(kSpeedListId);
  for (const NetworkTextControl& control : kNetworkTextControls) {
    fields.network.*control.member = controls.Text(control.id);
  }
  return fields;
}

// Shows `fields` in `controls`, and the probe's serial number and MAC address texts.
inline void ShowFields(DialogControls& controls, const DialogFields& fields,
                       const std::string& serialNumber, const std::string& macAddressText) {
  controls.Select(kPortListId, fields.portIndex);
  controls.Select(kSpeedListId, fields.speedIndex);
  for (const NetworkTextControl& control : kNetworkTextControls) {
    controls.SetText(control.id, fields.network.*control.member);
  }
  controls.SetText(kSerialNumberId, serialNumber);
  controls.SetText(kMacAddressId, macAddressText);
}

// What the dialog says when a character typed or pasted into one of its edits has no place in
// the document's 8-bit texts, which keep one byte a character. `character` is its code point,
// shown beside it, so that a character which draws as nothing is named too.
inline std::string RefusedCharacterText(char32_t character) {
  std::string utf8;
  const auto put = [&utf8](char32_t bits) { utf8 += static_cast<char>(bits); };
  if (character < 0x80) {
    put(character);
  } else if (character < 0x800) {
    put(0xC0 | (character >> 6));
    put(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    put(0xE0 | (character >> 12));
    put(0x80 | ((character >> 6) & 0x3F));
    put(0x80 | (character & 0x3F));
  } else {
    put(0xF0 | (character >> 18));
    put(0x80 | ((character >> 12) & 0x3F));
    put(0x80 | ((character >> 6) & 0x3F));
    put(0x80 | (character & 0x3F));
  }
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
  return "The character \"" + utf8 + "\" (" + code +
         ") cannot be kept: the setup's texts hold only the characters of this computer's code "
         "page. Type the text without it.";
}

// What a list holds when the dialog opens: Port "COM1" to "COM19", Speed the rates from 9600
// to 115200 baud; nothing for any other id.
inline std::vector<std::string> ListEntries(int listId) {
  std::vector<std::string> entries;
  if (listId == kPortListId) {
    for (int com = 1; com <= kPortListEntries; ++com)
      entries.push_back("COM" + std::to_string(com));
  }
  if (listId == kSpeedListId) {
    for (std::uint32_t rate : kSpeedListRates) entries.push_back(std::to_string(rate));
  }
  return entries;
}

}  // namespace kvx
