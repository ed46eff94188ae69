// The screen that takes a module's, item's or overlay's place while its own
// screen is not built yet: a plain backdrop with the screen's German name
// (and the item it opens at), answering the kind it stands for, shown and
// hidden like every module screen (owner messages 94 and 95). A click or
// Escape asks to close it as the real screen's own controls would: an
// overlay (kinds 6 and 10) sends 93 with its id; a module screen reports
// the main interface's tour button (91 with 14389), which leads back to the
// tour.
#pragma once

#include <cstdint>
#include <string>

#include "title/controls/PictureFrameControl.h"

struct ScreenRequest;

class StandInScreen : public PictureFrameControl {
 public:
  static constexpr uint32_t kOwnerCloseRequest = 93;
  static constexpr uint32_t kOwnerButton = 91;
  static constexpr int32_t kTourButtonId = 14389;
  static constexpr uint32_t kEscapeKey = 0x1B;

  explicit StandInScreen(const ScreenRequest& request);

  int32_t GetKind() const override { return kind_; }
  // The German name of a screen kind ("" for none).
  static const char* GetKindName(int32_t kind);
  const std::string& GetTitle() const { return title_; }

  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool KeyDown(const VKeyEvent& event) override;

 private:
  void AskToClose();

  int32_t kind_;
  std::string title_;
};
