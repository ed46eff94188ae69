// The messages, notification codes, styles and command ids of the launchers'
// dialog kit: what its windows send each other, with the values the
// launchers' dialogs were written for.
#pragma once

#include <cstdint>

namespace kit {

enum Msg : uint32_t {
  kMsgClose = 0x0010,
  kMsgInitDialog = 0x0110,
  kMsgCommand = 0x0111,      // wParam: id | notification << 16; lParam: the control's handle
  kMsgSysCommand = 0x0112,
  kMsgTimer = 0x0113,        // wParam: the timer id
  kMsgGetFont = 0x0031,
  kMsgSetFont = 0x0030,
  kMsgButtonGetCheck = 0x00F0,
  kMsgButtonSetCheck = 0x00F1,
  kMsgButtonClick = 0x00F5,
  kMsgDialogGetDefId = 0x0400,
  kMsgDialogSetDefId = 0x0401,
  kMsgProgressSetRange = 0x0401,  // lParam: low | high << 16 (to a progress bar)
  kMsgProgressSetPos = 0x0402,
  kMsgUser = 0x0400,
};

// Notifications in the high word of a command's wParam.
constexpr uint16_t kNotifyClicked = 0;

// Command ids of the standard buttons.
constexpr int32_t kIdOk = 1;
constexpr int32_t kIdCancel = 2;

// Control styles of the kit's templates.
enum Style : uint32_t {
  kStyleGroup = 1u << 0,      // starts a group (arrow keys move within it)
  kStyleTabStop = 1u << 1,
  kStyleDisabled = 1u << 2,
  kStyleNotify = 1u << 3,     // a static control reports clicks
  kStyleBorder = 1u << 4,
  kStyleFlat = 1u << 5,       // a flat check box
  kStyleVScroll = 1u << 6,
  kStyleReadOnly = 1u << 7,
  kStyleMultiLine = 1u << 8,
  kStyleRealSize = 1u << 9,   // a static bitmap keeps its bitmap's size
  kStyleCenter = 1u << 10,
  kStyleNoPrefix = 1u << 11,  // '&' is shown, not a mnemonic
  kStyleHidden = 1u << 12,
};

// Mouse message flags (as platform/Input.h packs them).
constexpr uint32_t kMouseLeftDown = 0x0001;

// Packs a command's wParam.
inline uintptr_t MakeCommandParam(int32_t id, uint16_t notification) {
  return (static_cast<uintptr_t>(static_cast<uint16_t>(id))) | (static_cast<uintptr_t>(notification) << 16);
}

}  // namespace kit
