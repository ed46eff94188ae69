#include "title/shell/SlideShowPanel.h"

#include <utility>

#include "title/shell/MuseumArchives.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"

SlideShowPanel::SlideShowPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : ViewerPanel(id, left, top, layer, 0, 0, parent) {
  VGraphicObject* previous = SetCurrentParent(this);
  playerId_ = (new SequencePlayer(kPlayerId, 0, 0, layer, width, height, this))->VGraphicObject::GetId();
  SetCurrentParent(previous);
}

SlideShowPanel::~SlideShowPanel() {
  if (SequencePlayer* player = GetPlayer()) player->SetDocument(nullptr);
  sequence_.reset();
}

SequencePlayer* SlideShowPanel::GetPlayer() const {
  return dynamic_cast<SequencePlayer*>(const_cast<SlideShowPanel*>(this)->FindObject(playerId_));
}

void SlideShowPanel::LoadSequence(uint16_t mediaId) {
  MediaArchive* saved = SaveCurrentArchive();
  SelectArchiveForMedia(mediaId);
  auto sequence = std::make_unique<Sequence>(mediaId);
  // The player lets the old sequence go (stopping it and unloading its
  // media) before that is deleted: it must never hold a deleted document.
  if (SequencePlayer* player = GetPlayer()) {
    player->SetDocument(sequence.get());
    player->Reset(false);
  }
  std::swap(sequence_, sequence);
  sequence.reset();
  RestoreCurrentArchive(saved);
}

void SlideShowPanel::Play() {
  SequencePlayer* player = GetPlayer();
  if (sequence_ != nullptr && player != nullptr) player->Play();
}

void SlideShowPanel::Pause() {
  SequencePlayer* player = GetPlayer();
  if (sequence_ != nullptr && player != nullptr) player->Pause();
}

void SlideShowPanel::Resume() {
  SequencePlayer* player = GetPlayer();
  if (sequence_ != nullptr && player != nullptr) player->Resume();
}

void SlideShowPanel::Rewind(bool redraw) {
  SequencePlayer* player = GetPlayer();
  if (sequence_ != nullptr && player != nullptr) player->Rewind(redraw);
}
