// The item viewer's panel of a video item: its movie (control 12295) from
// the language video archive, started, paused and rewound by the viewer. A
// pause the user asked for swallows the movie's own play and pause reports
// (45, 47), so that the viewer does not take the pause for the movie's end.
#pragma once

#include <cstdint>

#include "title/shell/ViewerPanel.h"

class VFileSpec;

class VideoItemPanel : public ViewerPanel {
 public:
  static constexpr int32_t kMovieId = 12295;
  static constexpr int32_t kMovieTaskInterval = 7;
  // Owner message: the movie was opened.
  static constexpr uint32_t kOwnerMovieOpened = 106;

  using ViewerPanel::ViewerPanel;

  // The movie `mediaId` of the language video archive, the current archive
  // kept; then owner message 106.
  void OpenMovie(uint16_t mediaId, int32_t left, int32_t top, int32_t width, int32_t height);
  // The same for a movie file.
  void OpenMovieFile(const VFileSpec& spec, int32_t left, int32_t top, int32_t width, int32_t height);
  // Nothing when there is no movie.
  void ResumeMovie();
  void PauseMovie();
  void RewindMovie();
  void UserPauseMovie();
  bool IsUserPausing() const { return userPause_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  bool userPause_ = false;
};
