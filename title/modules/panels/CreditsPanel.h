// The opening panel, the first one the main window shows: on black it plays
// the opening movie (medium 18000 of the language video archive, 384 x 224
// in the middle of the screen) and then asks the main window for the main
// panel (owner message 80). A click on the background while the movie runs
// ends it early the same way; Alt+F4 asks for the closing panel instead (81).
// A movie that is missing or cannot be decoded ends at once, so the title
// goes straight on to the main panel.
//
// The panel advances on the ticks of the idle pass. Its owner deletes it
// while handling 80 or 81, so the tick that sends one touches nothing of the
// panel afterwards.
#pragma once

#include <cstdint>

#include "engine/controls/VPanel.h"
#include "title/modules/panels/PanelSteps.h"

class AppMovieControl;

class CreditsPanel : public VPanel {
 public:
  static constexpr int32_t kBackgroundId = panels::kBackgroundId;
  static constexpr int32_t kMovieId = 12295;
  static constexpr uint16_t kMovieMedia = 18000;
  static constexpr uint32_t kMovieEnded = 47;

  enum State : int32_t {
    kStarting = 0,
    kFirstFrame = 1,
    kStartMovie = 4,
    kMovieRuns = 5,
    kToClosingPanel = 6,
    kToMainPanel = 7,
    kFinished = 8,
  };

  CreditsPanel() = default;
  ~CreditsPanel() override = default;
  CreditsPanel(const CreditsPanel&) = delete;
  CreditsPanel& operator=(const CreditsPanel&) = delete;

  // Language archive current, arrow cursor, buffer swapping on, the black
  // background.
  // The whole screen.
  void Build() override;
  void Enter() override;
  // Alt+F4: the movie stops and the closing panel follows.
  bool KeyDown(const VKeyEvent& event) override;
  // Ticks advance the states; the movie's end and a click on the background
  // end the movie.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Stops the movie where it stands (nothing without one).
  void StopMovie();
  int32_t GetState() const { return state_; }
  AppMovieControl* GetMovie();


 private:
  // Tick 4: the movie control made and started.
  void StartMovie();
  // Ticks 6 and 7: the movie removed, then the owner asked for the next
  // panel (which deletes this one).
  void Finish(uint32_t ownerMessage);

  int32_t state_ = kStarting;
};
