// Test doubles for the display tree: a recording window (root object plus
// the window services), recording ports, a recording drawing backend and
// objects that log what they draw and which input they receive.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/app/GraphicServices.h"
#include "engine/app/MessagePointer.h"
#include "engine/app/VControl.h"
#include "engine/app/VGraphicObject.h"
#include "engine/app/VPanelOwner.h"
#include "engine/core/Cursor.h"

namespace apptest {

inline std::string RectText(const VRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// Everything the doubles see, in order, as readable lines.
using Log = std::vector<std::string>;

// A port is an identity the display tree passes along; the doubles hand out
// addresses of these records.
struct FakePort {
  std::string name;
};

inline DrawPort* AsPort(FakePort* port) { return reinterpret_cast<DrawPort*>(port); }
inline std::string PortName(DrawPort* port) {
  return port == nullptr ? "null" : reinterpret_cast<FakePort*>(port)->name;
}

// The window services of a test window: log every request; ports are
// handed out on an off-screen map ("mapN") or on the window ("winN").
class RecordingWindowServices : public VGraphicWindow {
 public:
  RecordingWindowServices(Log* log, int32_t width, int32_t height) : log_(log), width_(width), height_(height) {}

  void CaptureSystemMouse() override { Add("os-capture"); }
  void ReleaseSystemMouse() override { Add("os-release"); }
  void InvalidateWindowRect(const VRect& rect) override { Add("invalidate " + RectText(rect)); }
  void ValidateWindowRect(const VRect& rect) override { Add("validate " + RectText(rect)); }
  DrawPort* MakeOffscreenPort(VRect& area) override {
    if (!hasOffscreenMap) return nullptr;
    return NewPort("map", area);
  }
  DrawPort* MakeWindowPort(VRect& area) override {
    if (!canMakeWindowPort) return nullptr;
    return NewPort("win", area);
  }
  void FinishPort(DrawPort* port, const VRect* copyToWindow) override {
    Add("finish " + PortName(port) + (copyToWindow != nullptr ? " copy " + RectText(*copyToWindow) : ""));
  }

  bool hasOffscreenMap = true;
  bool canMakeWindowPort = true;

 private:
  DrawPort* NewPort(const std::string& kind, VRect& area) {
    area = VRect(0, 0, width_, height_);
    ports_.push_back(FakePort{kind + std::to_string(ports_.size())});
    Add("port " + ports_.back().name);
    return AsPort(&ports_.back());
  }
  void Add(const std::string& line) {
    if (log_ != nullptr) log_->push_back(line);
  }
  Log* log_;
  int32_t width_;
  int32_t height_;
  std::deque<FakePort> ports_;  // stable addresses
};

// A drawing backend that logs fills and transition redraws and counts the
// colour-table checks.
class RecordingBackend : public VDrawingBackend {
 public:
  explicit RecordingBackend(Log* log) : log_(log), previous_(SetDrawingBackend(this)) {}
  ~RecordingBackend() override { SetDrawingBackend(previous_); }
  void FillRect(DrawPort* port, const VRect& rect, const VRGBColor& c) override {
    log_->push_back("fill " + PortName(port) + " " + RectText(rect) + " rgb(" + std::to_string(c.red) + "," +
                    std::to_string(c.green) + "," + std::to_string(c.blue) + ")");
  }
  void ApplyChangedColorTable() override { ++colorTableChecks; }
  void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow*) override {
    if (logTransitions) log_->push_back("transitions " + PortName(port) + " " + (update ? RectText(*update) : "all"));
  }

  int colorTableChecks = 0;
  bool logTransitions = false;

 private:
  Log* log_;
  VDrawingBackend* previous_;
};

// What a logging object does with input.
struct InputBehaviour {
  bool takeMouseDown = false;
  bool takeMouseUp = false;
  bool takeMouseMove = false;
  bool takeKeys = false;
};

// Logs "name rect port" for every DrawContent and "name event" for input.
template <class Base>
class Logging : public Base {
 public:
  template <class... Args>
  Logging(std::string name, Log* log, Args&&... args)
      : Base(std::forward<Args>(args)...), name_(std::move(name)), log_(log) {}

  void DrawContent(DrawPort* port, const VRect& rect) override {
    log_->push_back(name_ + " " + RectText(rect) + " " + PortName(port));
  }
  bool MouseDown(const VMouseEvent& e) override {
    log_->push_back(name_ + " down");
    if (behaviour.takeMouseDown) return true;
    return Base::MouseDown(e);
  }
  bool MouseUp(const VMouseEvent& e) override {
    log_->push_back(name_ + " up");
    if (behaviour.takeMouseUp) return true;
    return Base::MouseUp(e);
  }
  bool MouseMove(const VMouseEvent& e) override {
    if (logMoves) log_->push_back(name_ + " move");
    if (behaviour.takeMouseMove) return true;
    return Base::MouseMove(e);
  }
  bool KeyDown(const VKeyEvent& e) override {
    log_->push_back(name_ + " keydown " + std::to_string(e.virtualKey));
    return behaviour.takeKeys;
  }
  bool KeyUp(const VKeyEvent& e) override {
    log_->push_back(name_ + " keyup " + std::to_string(e.virtualKey));
    return behaviour.takeKeys;
  }
  void VisibilityChanged() override { log_->push_back(name_ + " visibility"); }

  const std::string& name() const { return name_; }
  void StoreVisibleFlagForTest(bool visible) { Base::StoreVisibleFlag(visible); }
  InputBehaviour behaviour;
  bool logMoves = false;

 private:
  std::string name_;
  Log* log_;
};

using Box = Logging<VGraphicObject>;

// A window whose root is a plain graphic object covering (0, 0, width,
// height); it owns nothing. Its own drawing is logged as "root".
class FakeWindow : public Logging<VGraphicObject>, public RecordingWindowServices {
 public:
  explicit FakeWindow(Log* log, int32_t width = 640, int32_t height = 480)
      : Logging<VGraphicObject>("root", log, 0, 1, 0, 0, 0, width, height),
        RecordingWindowServices(log, width, height) {}
  VGraphicWindow* GetWindow() override { return this; }
  VGraphicObject* GetRootObject() override { return this; }
};

// A Box with parent-relative bounds, linked layer-ordered under the parent.
inline std::unique_ptr<Box> MakeBox(const std::string& name, Log* log, VGraphicObject* parent, int32_t left,
                                    int32_t top, int32_t width, int32_t height, int32_t layer = 0, int32_t id = 0) {
  auto box = std::make_unique<Box>(name, log, 0, id, left, top, layer, width, height);
  if (parent != nullptr) box->AddChild(parent);
  return box;
}

inline VMouseEvent MouseAt(int32_t x, int32_t y, uint16_t buttons = kButtonLeft) {
  return VMouseEvent(VPoint(x, y), 0, buttons, 0);
}

// Resets every program-wide value the display tree and controls keep.
inline void ResetAppState() {
  VGraphicObject::ResetProgramState();
  VControl::ResetControlIdPool();
  ResetCursorState();
  ResetMouseInputState();
}

}  // namespace apptest
