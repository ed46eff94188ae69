#include "title/shell/StandInScreen.h"

#include <string>
#include <utility>

#include "engine/controls/ControlEvents.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VFont.h"
#include "engine/script/ItemRef.h"
#include "title/shell/ScreenRegistry.h"

namespace {

constexpr int32_t kOverlayKinds[] = {6, 10};
constexpr int32_t kTitleSize = 24;

bool IsOverlayKind(int32_t kind) {
  for (const int32_t overlay : kOverlayKinds) {
    if (kind == overlay) return true;
  }
  return false;
}

}  // namespace

StandInScreen::StandInScreen(const ScreenRequest& request)
    : PictureFrameControl(request.id, 0, request.left, request.top, request.layer, request.width, request.height,
                          request.owner),
      kind_(request.kind) {
  std::string title = GetKindName(request.kind);
  char code[6] = {};
  if (request.item != nullptr && request.item->FormatItemRef(code)) {
    title += " ";
    title += code;
  }
  title_ = std::move(title);
  SetTransparent(false);
}

const char* StandInScreen::GetKindName(int32_t kind) {
  switch (kind) {
    case 0:
      return "Aspekte";
    case 1:
      return "Beziehungen";
    case 2:
      return "Geschichten";
    case 3:
      return "Register";
    case 6:
      return "Information";
    case 8:
      return "Karussell";
    case 10:
      return "R\xE4ume";
    case 12:
      return "Historisches Foto";
    case 14:
      return "Betrachter";
    default:
      return "";
  }
}

void StandInScreen::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  const VRGBColor backdrop(36, 44, 64);
  const VRGBColor white(240, 240, 240);
  VRect area;
  GetGlobalBounds(area);
  port->FillRect(rect, &backdrop, nullptr, 1, 0, 0);
  VFont* font = FindOrCreateFont("DejaVu Sans", kTitleSize, 0, port, true);
  const int32_t width = port->GetStringWidth(title_.c_str(), font);
  port->DrawString(title_.c_str(), area.left + (area.GetWidth() - width) / 2, area.top + area.GetHeight() / 2, font,
                   &white, true, &rect);
}

bool StandInScreen::MouseDown(const VMouseEvent& /*event*/) {
  AskToClose();
  return true;
}

bool StandInScreen::KeyDown(const VKeyEvent& event) {
  if (event.virtualKey != kEscapeKey) return PictureFrameControl::KeyDown(event);
  AskToClose();
  return true;
}

void StandInScreen::AskToClose() {
  if (IsOverlayKind(kind_)) {
    SendControlEvent(*this, kOwnerCloseRequest);
  } else {
    SendControlEvent(*this, kOwnerButton, static_cast<uint32_t>(kTourButtonId));
  }
}
