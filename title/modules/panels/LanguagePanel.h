// A choice between Dutch and English: a backdrop (picture 6499) with two
// animated figures (6510 Dutch, 6500 English) that play while the pointer is
// over their click areas, the language's name below them, and on a click the
// choice's selection animation (6511, 6501); when that has ended the panel
// asks the main window for the opening panel (owner message 83). No path of
// the title shows it.
#pragma once

#include <cstdint>

#include "engine/controls/VPanel.h"
#include "title/modules/panels/PanelSteps.h"

class AnimatedPicture;
class VTextControl;

class LanguagePanel : public VPanel {
 public:
  static constexpr int32_t kBackgroundId = panels::kBackgroundId;
  static constexpr int32_t kDutchArea = 15021;
  static constexpr int32_t kEnglishArea = 15022;
  static constexpr uint16_t kBackdrop = 6499;
  static constexpr uint16_t kEnglishAnimation = 6500;
  static constexpr uint16_t kEnglishSelection = 6501;
  static constexpr uint16_t kDutchAnimation = 6510;
  static constexpr uint16_t kDutchSelection = 6511;
  // Sound effects: the pointer over a choice, a choice made.
  static constexpr int32_t kSoundOver = 63;
  static constexpr int32_t kSoundChosen = 64;
  static constexpr int32_t kNoChoice = -1;
  static constexpr int32_t kDutch = 0;
  static constexpr int32_t kEnglish = 1;

  // Acquires the two sound effects.
  LanguagePanel();
  // Releases them.
  ~LanguagePanel() override;
  LanguagePanel(const LanguagePanel&) = delete;
  LanguagePanel& operator=(const LanguagePanel&) = delete;

  // The whole screen.
  void Build() override;
  void Enter() override;
  // Removes the selection animation.
  void Leave() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  int32_t GetChoice() const { return choice_; }
  bool IsBusy() const { return busy_; }
  bool IsDone() const { return done_; }
  AnimatedPicture* GetEnglishAnimation() const { return englishAnimation_; }
  AnimatedPicture* GetDutchAnimation() const { return dutchAnimation_; }
  AnimatedPicture* GetSelectionAnimation() const { return selectionAnimation_; }
  VTextControl* GetLabel() const { return label_; }


 private:
  void PointerEntered(int32_t area);
  void PointerLeft(int32_t area);
  void Chosen(int32_t area);
  void HideSelection();
  void DeleteSelection();

  // Children; they go with the panel.
  AnimatedPicture* englishAnimation_ = nullptr;
  AnimatedPicture* dutchAnimation_ = nullptr;
  AnimatedPicture* selectionAnimation_ = nullptr;
  VTextControl* label_ = nullptr;
  bool busy_ = false;
  int32_t choice_ = kNoChoice;
  bool done_ = false;
};
