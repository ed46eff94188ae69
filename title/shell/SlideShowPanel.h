// The item viewer's panel of a slide show: a sequence player over the
// panel's area and the Sequence it plays, read from a TEXT medium. Play,
// pause, resume and rewind go to the player while both exist.
#pragma once

#include <cstdint>
#include <memory>

#include "title/shell/ViewerPanel.h"

class Sequence;
class SequencePlayer;

class SlideShowPanel : public ViewerPanel {
 public:
  // The player takes an id of its own from the control id pool.
  static constexpr int32_t kPlayerId = VControl::kAllocateId;

  // The panel itself has no size: the player, its child at 0, 0, covers
  // width x height.
  SlideShowPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                 VGraphicObject* parent);
  // Detaches the sequence from the player, when the player is still there,
  // before deleting it.
  ~SlideShowPanel() override;
  SlideShowPanel(const SlideShowPanel&) = delete;
  SlideShowPanel& operator=(const SlideShowPanel&) = delete;

  // The sequence of TEXT medium `mediaId`, read from the archive that holds
  // the id (the current archive kept), replaces the one played; the player
  // stands at its start.
  void LoadSequence(uint16_t mediaId);
  // Nothing without a sequence or a player.
  void Play();
  void Pause();
  void Resume();
  void Rewind(bool redraw);

  // Null once the player is gone (deleting a tree of controls deletes the
  // panel's children before the panel).
  SequencePlayer* GetPlayer() const;
  Sequence* GetSequence() const { return sequence_.get(); }

 private:
  std::unique_ptr<Sequence> sequence_;
  int32_t playerId_ = 0;
};
