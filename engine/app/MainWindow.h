// The title's main window: the application window that checks the display
// when the start message comes, shows the first panel, switches panels on
// the owner messages of its panels and keeps the user's last activity time.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/app/AppWindow.h"
#include "engine/core/VEvent.h"
#include "engine/core/VLinkedList.h"

class MainWindow : public AppWindow {
 public:
  static constexpr int32_t kKindCode = 1795;
  // The first panel and the panels the owner messages switch to.
  static constexpr int32_t kFirstPanelClass = 2049;
  static constexpr int32_t kFirstPanelId = 8194;
  // Owner messages of the panels.
  static constexpr uint32_t kOwnerShowPanel8192 = 80;
  static constexpr uint32_t kOwnerShowPanel8193 = 81;
  static constexpr uint32_t kOwnerShowPanel8194 = 83;
  static constexpr uint32_t kOwnerActivityTimer = 86;

  // The program's language (0 Dutch, 1 and 5 English, 2 French, 3 German,
  // 4 Spanish), which chooses the texts of the display check. 3 here.
  static void SetLanguageCode(int32_t code);
  static int32_t GetLanguageCode();
  // The class id the application shell registered for a panel id (8192,
  // 8193, 8194); 0 when none.
  static void SetPanelClassId(int32_t panelId, int32_t classId);
  static int32_t GetPanelClassId(int32_t panelId);

  // The check's messages (code page 1252), empty for languages without one.
  enum class DisplayProblem { kDepth, kTooSmall, kModeSwitch };
  static const char* GetDisplayMessage(DisplayProblem problem, int32_t language);

  MainWindow(int32_t id, uint16_t windowId, const VRect& rect, bool topmost, bool followsMinimise);
  ~MainWindow() override;

  // The start message: CheckDisplayMode.
  void Start() override { CheckDisplayMode(); }
  // Checks the display: 15 or 16 bits and exactly 640 x 480 show the first
  // panel and the window; anything else shows the matching message and quits.
  // True when the program goes on.
  bool CheckDisplayMode();

  intptr_t WindowProc(const platform::Message& message) override;
  // Owner messages 80, 81, 83 (panels) and 86 (activity timer); the rest
  // goes to the panel owner's handling. A panel asks for the next one from
  // inside its own handling, and showing the next one may delete it, so the
  // switch is made on the next idle pass (the last request wins).
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;
  // Sends a replayed mouse event through the display tree as the message of
  // its kind (kMsgMouseMove, kMsgLButtonDown ...; see RouteMouseMessage);
  // other kinds are dropped. While events are replayed the pointer stands at
  // the last replayed point for those who ask where it is.
  void ReplayEvent(const VMouseEvent& event, uint16_t kind);
  bool KeyDown(const VKeyEvent& /*event*/) override { return false; }

  // What sees the window's input before its display tree: each mouse message
  // as its event with the message as its kind, each key press (a key-down
  // with its virtual key, a character with its character). An answer true
  // swallows the input. Empty functions see nothing.
  using MouseInputFilter = std::function<bool(const VMouseEvent& event, uint16_t kind)>;
  using KeyInputFilter = std::function<bool(const VKeyEvent& event)>;
  void SetInputFilters(MouseInputFilter mouse, KeyInputFilter keys);
  // Gives the real pointer back to those who ask where it is.
  void EndReplay();

  void SetActivityTimer(bool on);
  void ResetActivityTime();
  bool IsActivityTimerOn() const { return activityTimerOn_; }
  uint32_t GetLastActivityTime() const { return lastActivityTime_; }
  // The panel id a switch waits for, 0 for none.
  int32_t GetPendingPanelId() const { return pendingPanelId_; }
  // Makes the waiting switch now (nothing without one).
  void SwitchToPendingPanel();
  // An object the window owns and deletes with itself (null: none).
  void SetOwnedObject(VListElement* object) { ownedObject_ = object; }

 private:
  uint32_t lastActivityTime_ = 0;
  bool activityTimerOn_ = false;
  VListElement* ownedObject_ = nullptr;
  MouseInputFilter mouseFilter_;
  KeyInputFilter keyFilter_;
  bool replaying_ = false;
  class PanelSwitchTask;
  PanelSwitchTask* switchTask_ = nullptr;
  int32_t pendingPanelId_ = 0;
  void RequestPanel(int32_t panelId);
};
