// The control strip along the bottom of the window (id 14378): the module
// selector with the four module buttons, the tool buttons, the caption line
// (the program-wide line for titles and hover texts), the status line with
// its button, and the link text. It has four layout modes (and the hidden
// mode -1) and moves between them at once or animated on a value network.
// It reports to its owner: 90 (a module button, 1..4), 91 (a button or the
// link), 92 (an animated mode switch has finished, with the mode).
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class VString;

class MainInterfaceScreen : public VControl {
 public:
  static constexpr int32_t kId = 14378;
  static constexpr int32_t kSelectorId = 14381;
  static constexpr int32_t kSwitchTimerId = 13;
  static constexpr uint32_t kOwnerModuleButton = 90;
  static constexpr uint32_t kOwnerButton = 91;
  static constexpr uint32_t kOwnerModeReached = 92;

  // pictureId 0: no background picture (the main panel passes 0).
  MainInterfaceScreen(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* owner);
  ~MainInterfaceScreen() override;
  MainInterfaceScreen(const MainInterfaceScreen&) = delete;
  MainInterfaceScreen& operator=(const MainInterfaceScreen&) = delete;

  // Creates the controls, the module buttons, the caption texts and the
  // layout tables.
  virtual void BuildControls();
  // Switches to mode -1..3 over duration ms (0: at once). False when the
  // mode is the current one or a switch is running. An animated switch
  // reports 92 with the mode to the owner when it has finished.
  virtual bool SetLayoutMode(int32_t mode, int32_t duration);
  int32_t GetMode() const { return mode_; }
  bool IsSwitching() const { return switching_; }

  void SetControlsEnabled(bool enabled, bool byMode);
  bool AreControlsEnabled() const { return enabled_; }
  void SetCaption(const VString& text, bool showBox, bool keep);
  void ShowSavedCaption();
  void ShowCaptionByIndex(int32_t controlId);
  int32_t GetCaptionWidth() const;
  void SetStatusText(const VString& text, bool asCaption, bool keepOnStrip);
  void SetStatusCode(int32_t code);
  int32_t GetStatusCode() const { return statusCode_; }
  void SetLinkText(const VString& text);

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void FinishSwitch();

  int32_t mode_ = 0;
  bool switching_ = false;
  bool enabled_ = true;
  int32_t statusCode_ = -1;
};
