// The panorama viewer: a control that owns a bubble space, composes its
// picture bubbles into one equirectangular panorama map, and each frame
// projects that map through a perspective camera steered by its navigator;
// fast frames while the view moves, one quality frame once it has settled.
// Mouse events of the window become bubble-space events for the bubbles.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/core/VTask.h"
#include "engine/panorama/BubbleSpaceHost.h"
#include "engine/panorama/PanoramaMap.h"
#include "engine/panorama/PanoramaRenderer.h"
#include "engine/panorama/VBubble.h"
#include "engine/panorama/VNavigator.h"

class PixelMap;
class VRateMeter;

class BubbleViewControl : public VControl, public VTask, public VNavigator, public BubbleSpaceHost {
 public:
  static constexpr int32_t kKind = 281;

  // rootBounds: the angular extent of the space (the tour uses 0..2pi by -pi/2..pi/2).
  BubbleViewControl(int32_t id, int32_t taskId, const VFRect& rootBounds, int32_t left, int32_t top, int32_t layer,
                    int32_t width, int32_t height, VGraphicObject* parent);
  ~BubbleViewControl() override;

  // ---- Camera -----------------------------------------------------------
  void SetFocalLength(float f);
  float GetFocalLength() const { return focal_; }
  void UpdatePitchLimits();
  float GetPitchMinimum() const { return pitchMinimum_; }
  float GetPitchMaximum() const { return pitchMaximum_; }
  float GetYaw() const { return position_[0]; }
  float GetPitch() const { return position_[1]; }
  // Points the camera at once (non-finite angles are refused).
  bool SetView(float yaw, float pitch);

  // ---- Modes --------------------------------------------------------------
  // 0: automatic; 1 and 3 quality, 2 and 4 fast; 3 and 4 for one frame only.
  void SetRenderMode(uint16_t mode);
  // 0: automatic; 1 and 3 through the frame buffer, 2 and 4 straight; 3 and 4 for one frame only.
  void SetFrameMode(uint16_t mode);
  uint16_t GetRenderMode() const { return renderMode_; }
  uint16_t GetFrameMode() const { return frameMode_; }
  // How long (ms) the view must rest before its quality frame.
  void SetSettleTime(int32_t ms) { settleTime_ = ms < 0 ? 0 : ms; }
  int32_t GetSettleTime() const { return settleTime_; }

  // ---- Navigator ---------------------------------------------------------
  void GetInputDirection(Vec3& direction) override;
  void GetBounds(Vec3& minimum, Vec3& maximum) override;
  void NormalizeViewAngles();

  // ---- Bubble space --------------------------------------------------------
  VBubble* GetRoot();
  void InvalidateBubbleRect(const VFRect* rect) override;
  void MarkMapChanged() override { mapChanged_ = true; }
  bool BubbleRectToPixels(const VFRect& rect, VRect& out) const override;
  void BubbleOffsetToPixel(float dx, float dy, int32_t& px, int32_t& py) const override;
  VBubbleSpaceGraphicObject* GetBubbleRoot() override;
  PanoramaMap* GetPanoramaMap() override { return map_.IsValid() ? &map_ : nullptr; }
  void RedrawHost() override { Invalidate(nullptr); }
  VGraphicWindow* GetDisplayWindow() override;
  void HoldMouseCapture() override;
  // A window point as a bubble-space point (clamped: never NaN).
  VFPoint ScreenToBubblePoint(const VPoint& windowPoint) const;

  // ---- Frames --------------------------------------------------------------
  // Makes (or keeps) the map for a target of that depth and composes what is dirty.
  bool PreparePanoramaMap(int32_t depth, uint16_t pixelFormat);
  // One frame into the pixel map (of the control's size), as a draw would.
  bool RenderPanorama(PixelMap& target);
  // One frame into a raster of the control's size.
  bool RenderInto(const PanoramaRaster& out);
  bool DecideRedraw(const VRect* update);
  bool UseFrameBuffer(const VRect* update);
  bool UseQualityRendering();
  bool LastFrameWasQuality() const { return lastFrameQuality_; }
  // The off-screen frame of buffered draws (null until one was made).
  PixelMap* GetFrameBuffer() const { return frameBuffer_.get(); }
  int32_t GetFrameCount() const { return frames_; }
  const PanoramaRenderer& GetRenderer() const { return renderer_; }
  // Whether the last Step asked for a redraw.
  bool RedrawRequested() const { return redrawRequested_; }

  // ---- Control and task ----------------------------------------------------
  bool Step(uint32_t pass) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  // Keys go to the bubbles: after the root's following siblings, its children.
  bool KeyDown(const VKeyEvent& event) override;
  bool KeyUp(const VKeyEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  using VControl::AddChild;
  using VControl::DispatchPostOrder;
  using VControl::DispatchPreOrder;
  using VControl::DispatchUpward;
  using VControl::HandleMessage;
  using VControl::InsertAfter;
  using VControl::Unlink;
  using VControl::GetParent;
  using VControl::GetFirstChild;
  using VControl::GetNextSibling;
  using VControl::Invalidate;
  using VControl::GetWindow;
  using VControl::GetBounds;

 private:
  class Root;
  VRect ControlRect() const;
  BubbleMouseEvent ToBubbleEvent(const VMouseEvent& event) const;

  std::unique_ptr<Root> root_;
  PanoramaMap map_;
  std::unique_ptr<PixelMap> frameBuffer_;
  PanoramaRenderer renderer_;
  float focal_ = 0.0f;
  float pitchMinimum_ = 0.0f;
  float pitchMaximum_ = 0.0f;
  float lastYaw_ = 0.0f;
  float lastPitch_ = 0.0f;
  VRect lastScreenRect_;
  VRect savedSizeRect_;
  bool screenMoved_ = true;
  bool sizeChanged_ = true;
  bool focalChanged_ = true;
  bool viewMoved_ = true;
  VRateMeter qualityMeter_;
  VRateMeter fastMeter_;
  uint16_t renderMode_ = 0;
  uint16_t savedRenderMode_ = 0;
  uint16_t frameMode_ = 0;
  uint16_t savedFrameMode_ = 0;
  int32_t settleTime_ = 0;
  int32_t idleTime_ = 0;
  uint32_t lastTick_ = 0;
  bool haveTick_ = false;
  bool samplePending_ = false;
  bool lastFrameQuality_ = false;
  bool lastDecision_ = false;
  bool mapChanged_ = true;
  bool redrawRequested_ = false;
  int32_t frames_ = 0;
  VFRect dirty_;
};
