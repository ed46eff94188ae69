#include "title/shell/PlaceholderPanel.h"

#include <algorithm>
#include <new>

#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VPicture.h"

namespace {
constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
}  // namespace

PlaceholderPanel::~PlaceholderPanel() {
  if (strip_ != nullptr) strip_->Release();
}

void PlaceholderPanel::Build() {
  StoreBounds(VRect(0, 0, kWidth, kHeight));
  auto* picture = new VPicture(kStripPicture);
  if (picture->Load() != 0 || picture->GetPixelMap() == nullptr || picture->GetBounds().IsEmpty()) {
    picture->Release();  // a disc without the strip shows the black screen alone
    return;
  }
  picture->SetFrame(0);
  strip_ = picture;
}

void PlaceholderPanel::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  const VRGBColor black(0, 0, 0);
  port->FillRect(rect, &black, nullptr, 1, 0, 0);
  if (strip_ == nullptr) return;
  VRect area;
  GetGlobalBounds(area);
  const int32_t height = std::min(strip_->GetHeight(), area.GetHeight());
  const VRect destination(area.left, area.bottom - height, area.left + strip_->GetWidth(), area.bottom - height + strip_->GetHeight());
  strip_->Draw(port, destination, &rect);
}

VPropertyHolder* PlaceholderPanel::Create(void* /*members*/, void* placement) {
  if (placement != nullptr) return new (placement) PlaceholderPanel();
  return new PlaceholderPanel();
}

void PlaceholderPanel::Destroy(VPropertyHolder* object, bool placement) {
  if (placement) {
    object->~VPropertyHolder();
  } else {
    delete object;
  }
}
