#include "engine/panorama/BubbleViewControl.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/panorama/VPictureBubble.h"
#include "platform/Clock.h"

// The root of the viewer's bubble space: it answers for the viewer.
class BubbleViewControl::Root : public VBubble {
 public:
  Root(BubbleViewControl* viewer, const VFRect& bounds) : VBubble(kKind, 0, bounds, 0.0f, 0, nullptr), viewer_(viewer) {}
  BubbleSpaceHost* GetWindow() override { return viewer_; }
  // Keys go to the root's following siblings, then to its children.
  bool KeyDown(const VKeyEvent& event) override {
    if (VBubbleSpaceGraphicObject* next = NextObject(); next != nullptr && next->RouteKeyDown(event)) return true;
    VBubbleSpaceGraphicObject* first = FirstChildObject();
    return first != nullptr && first->RouteKeyDown(event);
  }
  bool KeyUp(const VKeyEvent& event) override {
    if (VBubbleSpaceGraphicObject* next = NextObject(); next != nullptr && next->RouteKeyUp(event)) return true;
    VBubbleSpaceGraphicObject* first = FirstChildObject();
    return first != nullptr && first->RouteKeyUp(event);
  }

 private:
  BubbleViewControl* viewer_;
};

namespace {

uint32_t NowMilliseconds() { return static_cast<uint32_t>(platform::Microseconds() / 1000); }

bool Holds(const VRect& outer, const VRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

int32_t RoundUp(int32_t v, int32_t m) { return (v + m - 1) / m * m; }

PanoramaRaster RasterOf(PixelMap& map, const VRect& area) {
  PanoramaRaster r;
  uint8_t* pixels = map.GetPixels();
  if (pixels == nullptr) return r;
  const PixelBuffer b = map.GetBuffer();
  const int32_t bytes = BytesPerPixel(b.depth);
  ptrdiff_t rowBytes = b.rowBytes;
  uint8_t* top = pixels;
  if (b.bottomUp) {
    top = pixels + static_cast<ptrdiff_t>(b.height - 1) * b.rowBytes;
    rowBytes = -rowBytes;
  }
  r.pixels = top + static_cast<ptrdiff_t>(area.top) * rowBytes + static_cast<ptrdiff_t>(area.left) * bytes;
  r.rowBytes = static_cast<int32_t>(rowBytes);
  r.width = area.GetWidth();
  r.height = area.GetHeight();
  r.depth = b.depth;
  return r;
}

}  // namespace

BubbleViewControl::BubbleViewControl(int32_t id, int32_t taskId, const VFRect& rootBounds, int32_t left, int32_t top,
                                     int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      VTask(taskId, true, false, false, GetTaskManager()),
      VNavigator(0.0f, 0.0f, 0.0f),
      root_(std::make_unique<Root>(this, rootBounds)) {
  root_->VEventHandler::AddChild(static_cast<VEventHandler*>(this));
  root_->VDataLink::AddChild(static_cast<VDataLink*>(this));
  focal_ = static_cast<float>(width) * 0.5f;
  UpdatePitchLimits();
  SetPosition(Vec3{0.0f, 0.0f, 0.0f});
}

BubbleViewControl::~BubbleViewControl() { root_.reset(); }

VBubble* BubbleViewControl::GetRoot() { return root_.get(); }
VBubbleSpaceGraphicObject* BubbleViewControl::GetBubbleRoot() { return root_.get(); }

VRect BubbleViewControl::ControlRect() const {
  VRect r;
  GetGlobalBounds(r);
  return r;
}

void BubbleViewControl::SetFocalLength(float f) {
  if (!std::isfinite(f) || f <= 0.0f) return;
  focal_ = f;
  focalChanged_ = true;
  UpdatePitchLimits();
}

void BubbleViewControl::UpdatePitchLimits() {
  const VRect r = ControlRect();
  const double h2 = r.GetHeight() / 2;
  const double half = std::asin(h2 / std::sqrt(h2 * h2 + double{focal_} * focal_));
  const VFRect& b = root_->GetBounds();
  pitchMinimum_ = static_cast<float>(b.top + half);
  pitchMaximum_ = static_cast<float>(b.bottom - half);
  if (pitchMinimum_ > pitchMaximum_) pitchMinimum_ = pitchMaximum_ = (b.top + b.bottom) * 0.5f;
}

bool BubbleViewControl::SetView(float yaw, float pitch) {
  if (!SetPosition(Vec3{yaw, pitch, 0.0f})) return false;
  NormalizeViewAngles();
  return true;
}

void BubbleViewControl::SetRenderMode(uint16_t mode) {
  savedRenderMode_ = renderMode_;
  renderMode_ = mode;
}

void BubbleViewControl::SetFrameMode(uint16_t mode) {
  savedFrameMode_ = frameMode_;
  frameMode_ = mode;
}

void BubbleViewControl::GetInputDirection(Vec3& direction) {
  // A seek turns through the smaller angle.
  float x = std::remainder(direction[0] + kBubblePi, kBubbleTwoPi);
  if (x < 0.0f) x += kBubbleTwoPi;
  direction[0] = x - kBubblePi;
}

void BubbleViewControl::GetBounds(Vec3& minimum, Vec3& maximum) {
  const VFRect& b = root_->GetBounds();
  if (b.GetWidth() == kBubbleTwoPi) {
    minimum[0] = -FLT_MAX;
    maximum[0] = FLT_MAX;
  } else {
    minimum[0] = b.left;
    maximum[0] = b.right;
  }
  if (b.GetHeight() == kBubbleTwoPi) {
    minimum[1] = -FLT_MAX;
    maximum[1] = FLT_MAX;
  } else {
    minimum[1] = pitchMinimum_;
    maximum[1] = pitchMaximum_;
  }
  minimum[2] = maximum[2] = 0.0f;
}

void BubbleViewControl::NormalizeViewAngles() {
  float yaw = std::fmod(position_[0], kBubbleTwoPi);
  if (yaw < 0.0f) yaw += kBubbleTwoPi;
  if (yaw >= kBubbleTwoPi) yaw = 0.0f;
  float pitch = std::remainder(position_[1] + kBubblePi, kBubbleTwoPi);
  if (pitch < 0.0f) pitch += kBubbleTwoPi;
  pitch -= kBubblePi;
  const Vec3 delta{yaw - position_[0], pitch - position_[1], 0.0f};
  if (delta[0] != 0.0f || delta[1] != 0.0f) ShiftPositionAndTarget(delta);
  position_[0] = yaw;
  position_[1] = pitch;
}

void BubbleViewControl::InvalidateBubbleRect(const VFRect* rect) {
  frect::Union(dirty_, rect ? *rect : root_->GetAbsoluteBounds());
}

bool BubbleViewControl::BubbleRectToPixels(const VFRect& rect, VRect& out) const {
  if (!map_.IsValid()) return false;
  const VFRect& b = root_->GetBounds();
  const int32_t h = map_.GetComposedRows();
  const double sx = map_.GetWidth() / static_cast<double>(b.GetWidth());
  const double sy = h / std::min(static_cast<double>(b.GetHeight()), static_cast<double>(kBubblePi));
  auto t = [](double v) { return static_cast<int32_t>(std::clamp(std::trunc(v), -1e9, 1e9)); };
  out.left = t(rect.left * sx + 0.5);
  out.right = t(rect.right * sx + 0.5);
  out.top = t(rect.top * sy + h / 2 + 0.5);
  out.bottom = t(rect.bottom * sy + h / 2 + 0.5);
  return true;
}

void BubbleViewControl::BubbleOffsetToPixel(float dx, float dy, int32_t& px, int32_t& py) const {
  px = py = 0;
  if (!map_.IsValid()) return;
  const VFRect& b = root_->GetBounds();
  const double sx = map_.GetWidth() / static_cast<double>(b.GetWidth());
  const double sy = map_.GetComposedRows() / std::min(static_cast<double>(b.GetHeight()), static_cast<double>(kBubblePi));
  px = static_cast<int32_t>(std::clamp(std::trunc(dx * sx), -1e9, 1e9));
  py = static_cast<int32_t>(std::clamp(std::trunc(dy * sy), -1e9, 1e9));
}

VFPoint BubbleViewControl::ScreenToBubblePoint(const VPoint& windowPoint) const {
  const VRect r = ControlRect();
  const double x = windowPoint.x - r.left - r.GetWidth() / 2;
  const double y = windowPoint.y - r.top - r.GetHeight() / 2;
  const double p = position_[1];
  const double f = focal_;
  const double vertical = y * std::cos(p) + f * std::sin(p);
  const double forward = f * std::cos(p) - y * std::sin(p);
  const double length = std::sqrt(f * f + y * y + x * x);
  const double latitude = std::asin(std::clamp(vertical / length, -1.0, 1.0));
  // The horizontal angle of the ray, also for rays that pass over a pole.
  const double longitude = (x == 0.0 && forward == 0.0) ? 0.0 : std::atan2(x, forward);
  return VFPoint{static_cast<float>(position_[0] + longitude), static_cast<float>(latitude)};
}

bool BubbleViewControl::PreparePanoramaMap(int32_t depth, uint16_t pixelFormat) {
  VBubbleSpaceGraphicObject* best = root_->FindHighestResolution();
  float r = best ? best->GetResolution() : 0.0f;
  if (!(r > 0.0f) || !std::isfinite(r)) return map_.IsValid();
  const VFRect rootBounds = root_->GetBounds();
  const double wanted = std::trunc(static_cast<double>(r) * rootBounds.GetWidth() + 0.5);
  const int32_t width = PanoramaMap::MapWidthFor(static_cast<int32_t>(std::min(wanted, 1e9)));
  r = static_cast<float>(width / static_cast<double>(rootBounds.GetWidth()));
  const double range = std::min(static_cast<double>(rootBounds.GetHeight()), static_cast<double>(kBubblePi));
  const int32_t h = std::max(4, static_cast<int32_t>(std::trunc(range * r + 0.5)));
  root_->SetResolution(r, false);
  if (map_.IsValid() && (map_.GetComposedRows() < h || map_.GetWidth() != width || map_.GetDepth() != depth ||
                         map_.GetPixelFormat() != pixelFormat)) {
    map_.Release();
  }
  if (!map_.IsValid()) {
    if (!map_.Create(width, h, depth, pixelFormat)) return false;
    mapChanged_ = true;
    InvalidateBubbleRect(nullptr);
  }
  if (frect::IsValid(dirty_)) {
    VFRect dirty = dirty_;
    NormalizeBubbleRect(dirty);
    const VFRect all = root_->GetAbsoluteBounds();
    const float dx[4] = {0.0f, -kBubbleTwoPi, -kBubbleTwoPi, 0.0f};
    const float dy[4] = {0.0f, 0.0f, -kBubbleTwoPi, -kBubbleTwoPi};
    for (int pass = 0; pass < 4; ++pass) {
      VFRect moved = dirty;
      frect::Offset(moved, dx[pass], dy[pass]);
      VFRect clip;
      if (frect::Intersection(moved, all, clip)) root_->Draw(&map_, &clip, false);
    }
    dirty_ = VFRect();
  }
  return true;
}

bool BubbleViewControl::UseQualityRendering() {
  if (renderMode_ != 0) return renderMode_ == 1 || renderMode_ == 3;
  if (idleTime_ >= settleTime_ && velocity_ == Vec3{0.0f, 0.0f, 0.0f}) return true;
  if (qualityMeter_.GetSampleCount() > 10 && fastMeter_.GetSampleCount() > 100) {
    return qualityMeter_.GetFrameRate() / fastMeter_.GetFrameRate() >= 0.9;
  }
  return false;
}

bool BubbleViewControl::UseFrameBuffer(const VRect* update) {
  if (frameMode_ != 0) return frameMode_ == 1 || frameMode_ == 3;
  const VRect r = ControlRect();
  if (!(r == savedSizeRect_)) return true;
  if (update != nullptr && !(*update == r)) {
    VRect overlap;
    if (update->Intersect(r, overlap)) return true;
  }
  return UseQualityRendering() && !viewMoved_;
}

bool BubbleViewControl::DecideRedraw(const VRect* update) {
  VRect r = ControlRect();
  r.right = r.left + RoundUp(r.GetWidth(), 32);
  r.bottom = r.top + RoundUp(r.GetHeight(), 16);
  VRect saved = savedSizeRect_;
  saved.right = saved.left + RoundUp(saved.GetWidth(), 32);
  saved.bottom = saved.top + RoundUp(saved.GetHeight(), 16);
  if (!(r == saved)) {
    sizeChanged_ = true;
    savedSizeRect_ = ControlRect();
  }
  // A view moved outside the steps (SetView) counts as moved too.
  if (position_[0] != lastYaw_ || position_[1] != lastPitch_) viewMoved_ = true;
  if (screenMoved_ || sizeChanged_ || focalChanged_ || viewMoved_) mapChanged_ = true;
  if (mapChanged_) return true;
  if (!lastFrameQuality_ && UseQualityRendering()) return true;
  if (lastDecision_ && UseFrameBuffer(update)) return false;
  return true;
}

bool BubbleViewControl::Step(uint32_t /*pass*/) {
  UpdateNavigator();
  NormalizeViewAngles();
  if (position_[0] != lastYaw_ || position_[1] != lastPitch_) viewMoved_ = true;
  const uint32_t now = NowMilliseconds();
  if (!haveTick_) {
    haveTick_ = true;
    lastTick_ = now;
  }
  if (static_cast<int32_t>(now - lastTick_) > 0) {
    if (viewMoved_) {
      idleTime_ = 0;
    } else {
      idleTime_ += static_cast<int32_t>(now - lastTick_);
    }
  }
  lastTick_ = now;
  if (samplePending_) {
    if (VRateMeter* meter = GetRateMeter()) {
      (lastFrameQuality_ ? qualityMeter_ : fastMeter_).SetFrameTime(meter->GetLastFrameTime());
    }
    samplePending_ = false;
  }
  redrawRequested_ = DecideRedraw(nullptr);
  if (redrawRequested_) {
    Invalidate(nullptr);
  } else if (VRateMeter* meter = GetRateMeter()) {
    meter->Restart();
  }
  return true;
}

bool BubbleViewControl::RenderPanorama(PixelMap& target) {
  PixelMapLock lock(&target);
  if (!lock.IsLocked()) return false;
  const VRect rect = ControlRect();
  const VRect area(0, 0, std::min(rect.GetWidth(), target.GetWidth()), std::min(rect.GetHeight(), target.GetHeight()));
  return RenderInto(RasterOf(target, area));
}

bool BubbleViewControl::RenderInto(const PanoramaRaster& out) {
  const VRect rect = ControlRect();
  if (!(rect == lastScreenRect_)) screenMoved_ = true;
  if (position_[0] != lastYaw_ || position_[1] != lastPitch_) viewMoved_ = true;
  if (screenMoved_ || sizeChanged_ || focalChanged_) UpdatePitchLimits();
  const bool quality = UseQualityRendering();
  if (!map_.IsValid() || out.pixels == nullptr) return false;
  PanoramaCamera camera;
  camera.yaw = position_[0];
  camera.pitch = position_[1];
  camera.focal = focal_;
  camera.quality = quality;
  const float range = std::min(root_->GetBounds().GetHeight(), kBubblePi);
  const bool drawn = renderer_.Render(map_.GetRaster(), range, out, camera);
  lastScreenRect_ = rect;
  lastYaw_ = position_[0];
  lastPitch_ = position_[1];
  screenMoved_ = sizeChanged_ = focalChanged_ = viewMoved_ = mapChanged_ = false;
  lastFrameQuality_ = quality;
  if (renderMode_ == 3 || renderMode_ == 4) renderMode_ = savedRenderMode_;
  if (frameMode_ == 3 || frameMode_ == 4) frameMode_ = savedFrameMode_;
  if (drawn) ++frames_;
  return drawn;
}

void BubbleViewControl::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  PixelMap* portMap = port->GetPixelMap();
  const int32_t depth = portMap ? portMap->GetDepth() : 16;
  const uint16_t format = portMap ? portMap->GetPixelFormat() : GetDefaultPixelFormat(16);
  if (depth != 15 && depth != 16 && depth != 32) return;
  if (!PreparePanoramaMap(depth, format)) return;
  const bool redraw = DecideRedraw(&rect);
  const VRect control = ControlRect();
  bool buffered = redraw ? UseFrameBuffer(&rect) : lastDecision_;
  // A port without pixels, or one that does not hold the whole control, goes through the buffer.
  if (portMap == nullptr || !Holds(portMap->GetBounds(), control)) buffered = true;
  if (buffered) {
    const VRect size(0, 0, control.GetWidth(), control.GetHeight());
    if (!frameBuffer_ || frameBuffer_->GetDepth() != depth || frameBuffer_->GetPixelFormat() != format ||
        !Holds(frameBuffer_->GetBounds(), size)) {
      frameBuffer_ = std::make_unique<PixelMap>(size, depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, format);
      if (!frameBuffer_->HasStorage()) {
        frameBuffer_.reset();
        return;
      }
    }
  }
  if (redraw) {
    if (buffered) {
      RenderPanorama(*frameBuffer_);
    } else {
      // Straight into the port's map at the control's place.
      PixelMapLock lock(portMap);
      if (!lock.IsLocked()) return;
      RenderInto(RasterOf(*portMap, control));
    }
    samplePending_ = true;
    lastDecision_ = buffered;
  }
  if (buffered && frameBuffer_) {
    VRect dest = control;
    VRect clip;
    if (!dest.Intersect(rect, clip)) return;
    const VRect source(clip.left - control.left, clip.top - control.top, clip.right - control.left,
                       clip.bottom - control.top);
    port->DrawPixelMap(frameBuffer_.get(), source, clip);
  }
}

BubbleMouseEvent BubbleViewControl::ToBubbleEvent(const VMouseEvent& event) const {
  BubbleMouseEvent e;
  e.modifiers = event.modifiers;
  const VFPoint p = ScreenToBubblePoint(event.GetPoint());
  e.x = p.x;
  e.y = p.y;
  e.buttons = event.buttons;
  return e;
}

bool BubbleViewControl::MouseDown(const VMouseEvent& event) { return root_->CaptureMouse(ToBubbleEvent(event)); }
bool BubbleViewControl::MouseUp(const VMouseEvent& event) { return root_->ReleaseMouse(ToBubbleEvent(event)); }
bool BubbleViewControl::MouseMove(const VMouseEvent& event) { return root_->RouteMouseMove(ToBubbleEvent(event)); }
bool BubbleViewControl::UpdateCursor(const VMouseEvent& event) { return root_->RouteCursorUpdate(ToBubbleEvent(event)); }
bool BubbleViewControl::KeyDown(const VKeyEvent& event) { return root_->KeyDown(event); }
bool BubbleViewControl::KeyUp(const VKeyEvent& event) { return root_->KeyUp(event); }

VGraphicWindow* BubbleViewControl::GetDisplayWindow() { return VControl::GetWindow(); }
void BubbleViewControl::HoldMouseCapture() { VGraphicObject::SetCapturedObject(this); }

bool BubbleViewControl::HandleEvent(uint32_t /*code*/, uint32_t /*value1*/, uint32_t /*value2*/) { return false; }
