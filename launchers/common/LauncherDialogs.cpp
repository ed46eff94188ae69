#include "launchers/common/LauncherDialogs.h"

namespace kit {

namespace {

DialogItem Item(ItemKind kind, int32_t id, const std::string& text, int32_t x, int32_t y, int32_t cx, int32_t cy,
                uint32_t style = 0, int32_t resource = 0) {
  DialogItem i;
  i.kind = kind;
  i.id = id;
  i.text = text;
  i.x = x;
  i.y = y;
  i.cx = cx;
  i.cy = cy;
  i.style = style;
  i.resource = resource;
  return i;
}

// The smallest unit count whose mapping (a * base / d, rounded) gives the pixel.
int32_t UnitsFor(int32_t pixel, int32_t base, int32_t divisor) {
  int32_t u = pixel * divisor / base - 2;
  if (u < 0) u = 0;
  for (;; ++u) {
    const int64_t n = static_cast<int64_t>(u) * base;
    const int64_t mapped = (n + divisor / 2) / divisor;
    if (mapped >= pixel) return static_cast<int32_t>(u);
  }
}

const char kSetupText[] =
    "Bei der Auswahl von Express-Setup wird das Programm mit der Standardinstallation eingerichtet. \n"
    "Es sind keine weiteren Angaben mehr notwendig.\n\n"
    "Beim benutzerdefinierten Setup k\xF6nnen Sie im Dialog die gew\xFCnschten Einstellungen vornehmen.";

}  // namespace

DialogItem PixelItem(ItemKind kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t style,
                     int32_t resource) {
  const int32_t left = UnitsFor(x, kMenuUnits.x, 4);
  const int32_t top = UnitsFor(y, kMenuUnits.y, 8);
  const int32_t right = UnitsFor(x + width, kMenuUnits.x, 4);
  const int32_t bottom = UnitsFor(y + height, kMenuUnits.y, 8);
  return Item(kind, id, std::string(), left, top, right - left, bottom - top, style, resource);
}

DialogTemplate SetupTypeDialogTemplate(const LauncherContacts& contacts) {
  DialogTemplate t;
  t.caption = "Pellam Setup";
  t.cx = 286;
  t.cy = 196;
  t.items = {
      Item(ItemKind::kGroupBox, -1, "", 4, 0, 278, 173, kStyleGroup),
      Item(ItemKind::kBitmap, -1, "", 89, 5, 0, 0, 0, 129),
      Item(ItemKind::kText, -1, kSetupText, 96, 28, 179, 51),
      Item(ItemKind::kGroupBox, -1, "", 106, 90, 125, 37),
      Item(ItemKind::kAutoRadioButton, 1000, "&Express-Setup", 114, 99, 61, 10, kStyleGroup | kStyleTabStop),
      Item(ItemKind::kAutoRadioButton, 1001, "&Benutzerdefiniertes Setup", 114, 112, 97, 10),
      Item(ItemKind::kText, -1, contacts.hotline, 96, 145, 75, 24, kStyleGroup),
      Item(ItemKind::kText, -1, "Service im Internet:", 197, 145, 79, 9),
      Item(ItemKind::kText, 1007, contacts.serviceAddress, 197, 153, 68, 8, kStyleNotify | kStyleNoPrefix),
      Item(ItemKind::kDefPushButton, 1002, "&Weiter >", 175, 178, 50, 14, kStyleGroup | kStyleTabStop),
      Item(ItemKind::kPushButton, 2, "&Abbrechen", 232, 178, 50, 14, kStyleGroup | kStyleTabStop),
  };
  return t;
}

DialogTemplate InstallProgressDialogTemplate(const LauncherContacts& contacts) {
  DialogTemplate t;
  t.caption = "Pellam Setup";
  t.cx = 286;
  t.cy = 177;
  t.foreground = true;
  t.items = {
      Item(ItemKind::kGroupBox, -1, "", 4, 0, 278, 173, kStyleGroup),
      Item(ItemKind::kBitmap, -1, "", 89, 5, 0, 0, 0, 129),
      Item(ItemKind::kText, -1, "Das Produkt wird installiert.\nBitte haben Sie einen Augenblick Geduld...", 96, 26,
           172, 19),
      Item(ItemKind::kGroupBox, -1, "Installationsvorgang", 96, 76, 176, 30),
      Item(ItemKind::kProgress, 1004, "", 102, 89, 163, 11, kStyleBorder),
      Item(ItemKind::kText, -1, contacts.hotline, 96, 145, 75, 24),
      Item(ItemKind::kText, -1, "Service im Internet:", 197, 145, 79, 9),
      Item(ItemKind::kText, 1007, contacts.serviceAddress, 197, 153, 68, 8, kStyleNotify | kStyleNoPrefix),
  };
  return t;
}

// The caption-less 640 x 480 screens of the autorun menu: "Small Fonts" at
// 1 point in units of half a pixel across and three eighths down.
static DialogTemplate FullScreenPanelTemplate(int32_t cx) {
  DialogTemplate t;
  t.hasCaption = false;
  t.fontFace = "Small Fonts";
  t.pointSize = 1;
  t.units = kMenuUnits;
  t.cx = cx;
  t.cy = 1280;
  t.foreground = true;
  return t;
}

DialogTemplate AutorunMenuTemplate() {
  DialogTemplate t = FullScreenPanelTemplate(1280);
  const uint32_t picture = kStyleNotify;
  t.items = {
      PixelItem(ItemKind::kBitmap, 1000, 0, 0, 0, 0, picture, 130),
      PixelItem(ItemKind::kBitmap, 1010, 462, 0, 0, 0, picture, 158),
      PixelItem(ItemKind::kBitmap, 1003, 0, 147, 0, 0, picture, 136),
      PixelItem(ItemKind::kBitmap, 1006, 0, 207, 0, 0, picture, 145),
      PixelItem(ItemKind::kBitmap, 1001, 0, 267, 0, 0, picture, 129),
      PixelItem(ItemKind::kBitmap, 1004, 0, 327, 0, 0, picture, 142),
      PixelItem(ItemKind::kBitmap, 1011, 455, 147, 0, 0, picture, 169),
      PixelItem(ItemKind::kBitmap, 1007, 455, 226, 0, 0, picture, 139),
      PixelItem(ItemKind::kBitmap, 1005, 455, 327, 0, 0, picture, 146),
      PixelItem(ItemKind::kBitmap, 1002, 455, 388, 0, 0, picture, 133),
      PixelItem(ItemKind::kBitmap, 1008, 248, 138, 0, 0, picture, 152),
      PixelItem(ItemKind::kAutoCheckBox, 1009, 7, 445, 13, 13, kStyleFlat | kStyleGroup | kStyleTabStop, 0),
  };
  return t;
}

DialogTemplate ReadmeDialogTemplate() {
  DialogTemplate t = FullScreenPanelTemplate(1280);
  t.items = {
      PixelItem(ItemKind::kBitmap, -1, 0, 0, 0, 0, 0, 165),
      PixelItem(ItemKind::kEdit, 1012, 7, 134, 632, 338,
                kStyleMultiLine | kStyleReadOnly | kStyleVScroll | kStyleBorder | kStyleTabStop, 0),
      PixelItem(ItemKind::kBitmap, 1011, 462, 0, 0, 0, kStyleNotify, 158),
      PixelItem(ItemKind::kBitmap, 1010, 455, 90, 0, 0, kStyleNotify, 164),
  };
  return t;
}

DialogTemplate UpgradeDialogTemplate() {
  DialogTemplate t = FullScreenPanelTemplate(1282);
  t.items = {
      PixelItem(ItemKind::kBitmap, -1, 1, 0, 0, 0, 0, 0),
      PixelItem(ItemKind::kBitmap, 1003, 463, 0, 0, 0, kStyleNotify, 158),
      PixelItem(ItemKind::kBitmap, 1011, 1, 193, 0, 0, kStyleNotify, 170),
      PixelItem(ItemKind::kBitmap, 1000, 444, 419, 0, 0, kStyleNotify, 173),
      PixelItem(ItemKind::kBitmap, 1012, 217, 419, 0, 0, kStyleNotify, 178),
  };
  return t;
}

DialogTemplate AboutDialogTemplate() {
  DialogTemplate t;
  t.caption = "Info \xFC" "ber Tesselby";
  t.cx = 235;
  t.cy = 55;
  t.items = {
      Item(ItemKind::kIcon, -1, "", 11, 17, 20, 20, 0, 128),
      Item(ItemKind::kText, -1, "Tesselby Version 1.0", 40, 10, 119, 8, kStyleNoPrefix),
      Item(ItemKind::kText, -1, "Startmen\xFC der CD-ROM", 40, 25, 119, 8, kStyleNoPrefix),
      Item(ItemKind::kDefPushButton, kIdOk, "OK", 178, 7, 50, 14, kStyleGroup | kStyleTabStop),
  };
  return t;
}

}  // namespace kit
