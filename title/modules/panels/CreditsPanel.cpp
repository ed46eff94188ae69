#include "title/modules/panels/CreditsPanel.h"

#include <cstdio>

#include <new>

#include "engine/app/MainWindow.h"
#include "engine/app/VDisplay.h"
#include "engine/core/VEvent.h"
#include "engine/core/VTLink.h"
#include "platform/VirtualKeyMap.h"
#include "title/controls/AppMovieControl.h"
#include "title/modules/panels/PanelSteps.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/TitleRunLog.h"

namespace {
// The movie control's place and size, its task interval and layer.
constexpr int32_t kMovieLeft = 128;
constexpr int32_t kMovieTop = 128;
constexpr int32_t kMovieWidth = 384;
constexpr int32_t kMovieHeight = 224;
constexpr int32_t kMovieTaskInterval = 7;
constexpr int32_t kMovieLayer = 2;
// Children cleared before the movie starts.
constexpr int32_t kFirstClearedChild = 12295;
constexpr int32_t kLastClearedChild = 12298;
}  // namespace

void CreditsPanel::Build() { StoreBounds(VRect(0, 0, panels::kScreenWidth, panels::kScreenHeight)); }

void CreditsPanel::Enter() {
  SelectLanguageArchive();
  SetCursorById(panels::kArrowCursor);
  VDisplay::Get().SetBufferSwap(true);
  panels::MakeBlackBackground(this);
}

AppMovieControl* CreditsPanel::GetMovie() { return dynamic_cast<AppMovieControl*>(FindObject(kMovieId)); }

void CreditsPanel::StopMovie() {
  if (AppMovieControl* movie = GetMovie()) movie->Pause();
}

void CreditsPanel::StartMovie() {
  for (int32_t id = kFirstClearedChild; id <= kLastClearedChild; ++id) RemoveChild(id, true);
  Redraw(nullptr, nullptr);
  SelectLanguageViArchive();
  auto* movie = new AppMovieControl(kMovieId, kMovieTaskInterval, kMovieMedia, kMovieLeft, kMovieTop, true, false,
                                    kMovieLayer, kMovieWidth, kMovieHeight, nullptr, this);
  if (title_run_log::HasSink()) {
    movie->SetFirstFrameListener([] { title_run_log::WriteAtNextFrame("opening-movie-first-frame-ms"); });
  }
  state_ = kMovieRuns;
  movie->Play();
  // A movie that is missing or could not be opened never plays and never
  // reports an end: the main panel follows at once.
  if (state_ == kMovieRuns && !movie->IsPlaying()) {
    std::fprintf(stderr, "ostrevan-haus: the opening movie (%u) cannot be played; the main panel follows\n",
                 static_cast<unsigned>(kMovieMedia));
    state_ = kToMainPanel;
  }
}

void CreditsPanel::Finish(uint32_t ownerMessage) {
  state_ = kFinished;
  RemoveChild(kMovieId, true);
  Redraw(nullptr, nullptr);
  // The owner replaces (and deletes) this panel while taking the message.
  SendUpward(ownerMessage, static_cast<uint32_t>(GetId()), 0);
}

bool CreditsPanel::KeyDown(const VKeyEvent& event) {
  if (event.virtualKey != platform::kKeyF4 || !event.IsAltDown()) return VPanel::KeyDown(event);
  StopMovie();
  state_ = kToClosingPanel;
  return true;
}

bool CreditsPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  switch (code) {
    case kMessageTick:
      switch (state_) {
        case kStarting:
          panels::RedrawAndMarkFrame(this);
          state_ = kFirstFrame;
          return false;
        case kFirstFrame:
          panels::RedrawAndMarkFrame(this);
          VDisplay::Get().SetBufferSwap(false);
          Redraw(nullptr, nullptr);
          SelectLanguageArchive();
          state_ = kStartMovie;
          return false;
        case kStartMovie:
          StartMovie();
          return false;
        case kToClosingPanel:
          Finish(MainWindow::kOwnerShowPanel8193);
          return true;  // this panel is gone: the tick goes no further
        case kToMainPanel:
          Finish(MainWindow::kOwnerShowPanel8192);
          return true;
        default:
          return false;
      }
    case kMovieEnded:
      if (value1 != static_cast<uint32_t>(kMovieId) || state_ != kMovieRuns) break;
      StopMovie();
      state_ = kToMainPanel;
      return true;
    case kEventReleased:
      if (value1 != static_cast<uint32_t>(kBackgroundId) || state_ != kMovieRuns) break;
      StopMovie();
      state_ = kToMainPanel;
      return true;
    default:
      break;
  }
  return VPanel::HandleEvent(code, value1, value2);
}

