#include "title/shell/VideoItemPanel.h"

#include "engine/controls/ControlEvents.h"
#include "engine/core/VFileSpec.h"
#include "title/controls/AppMovieControl.h"
#include "title/shell/MuseumArchives.h"

namespace {
AppMovieControl* FindMovie(VControl& panel) {
  return dynamic_cast<AppMovieControl*>(panel.FindObject(VideoItemPanel::kMovieId));
}
}  // namespace

void VideoItemPanel::OpenMovie(uint16_t mediaId, int32_t left, int32_t top, int32_t width, int32_t height) {
  VGraphicObject* previous = SetCurrentParent(this);
  MediaArchive* saved = SaveCurrentArchive();
  SelectLanguageViArchive();
  auto* movie = new AppMovieControl(kMovieId, kMovieTaskInterval, mediaId, left, top, true, false, 1, width, height,
                                    nullptr, this);
  movie->SetEnabled(false);
  RestoreCurrentArchive(saved);
  SetCurrentParent(previous);
  SendControlEvent(*this, kOwnerMovieOpened, 0);
}

void VideoItemPanel::OpenMovieFile(const VFileSpec& spec, int32_t left, int32_t top, int32_t width, int32_t height) {
  VGraphicObject* previous = SetCurrentParent(this);
  auto* movie =
      new AppMovieControl(kMovieId, kMovieTaskInterval, spec, left, top, true, false, 1, width, height, nullptr, this);
  movie->SetEnabled(false);
  SetCurrentParent(previous);
  SendControlEvent(*this, kOwnerMovieOpened, 0);
}

void VideoItemPanel::ResumeMovie() {
  if (AppMovieControl* movie = FindMovie(*this)) movie->Play();
}

void VideoItemPanel::PauseMovie() {
  if (AppMovieControl* movie = FindMovie(*this)) movie->Pause();
}

void VideoItemPanel::RewindMovie() {
  if (AppMovieControl* movie = FindMovie(*this)) movie->Rewind();
}

void VideoItemPanel::UserPauseMovie() {
  userPause_ = true;
  PauseMovie();
  userPause_ = false;
}

bool VideoItemPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if ((code == AppMovieControl::kMessagePlay || code == AppMovieControl::kMessagePaused) &&
      value1 == static_cast<uint32_t>(kMovieId) && userPause_) {
    return true;
  }
  return ViewerPanel::HandleEvent(code, value1, value2);
}
