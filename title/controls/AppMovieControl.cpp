// Opening, playing and drawing a movie in a control.
#include "title/controls/AppMovieControl.h"

#include "engine/app/VDisplay.h"
#include "engine/app/VWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/Cursor.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VBigEndianFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/MovieContainer.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VISO11172StreamScheduler.h"
#include "engine/mpeg/VMPVScheduler.h"

namespace {

constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorPressed = 106;
constexpr uint16_t kCursorClickable = 107;
// Steps of ShowFirstFrame before it gives up on a movie that shows nothing.
constexpr int kFirstFrameSteps = 10000;

// The "MPG " medium of the id, from the archive that serves it; null when
// there is none.
std::unique_ptr<VFile> OpenMovieMedium(uint16_t mediaId) {
  if (mediaId == 0) return nullptr;
  MediaArchive* archive = GetArchiveForMedia(mediaId);
  if (archive == nullptr) archive = GetCurrentArchive();
  if (archive == nullptr) return nullptr;
  auto file = std::make_unique<VBigEndianFile>();
  uint32_t type = MakeTypeCode("MPG ");
  if (!archive->OpenMedia(mediaId, *file, type)) return nullptr;
  return file;
}

std::unique_ptr<VFile> OpenMovieFile(const VFileSpec& spec) {
  auto file = std::make_unique<VBigEndianFile>(spec, kUnknownFileType, kUnknownFileType);
  if (!file->Open(1)) return nullptr;
  return file;
}

}  // namespace

AppMovieControl::AppMovieControl(int32_t id, int32_t taskId, uint16_t mediaId, int32_t left, int32_t top,
                                 bool directDrawing, bool /*unused*/, int32_t layer, int32_t width, int32_t height,
                                 VColorTable* colorTable, VGraphicObject* parent)
    : AppMovieControl(id, taskId, OpenMovieMedium(mediaId), left, top, directDrawing, layer, width, height,
                      colorTable, parent) {}

AppMovieControl::AppMovieControl(int32_t id, int32_t taskId, const VFileSpec& spec, int32_t left, int32_t top,
                                 bool directDrawing, bool /*unused*/, int32_t layer, int32_t width, int32_t height,
                                 VColorTable* colorTable, VGraphicObject* parent)
    : AppMovieControl(id, taskId, OpenMovieFile(spec), left, top, directDrawing, layer, width, height, colorTable,
                      parent) {}

AppMovieControl::AppMovieControl(int32_t id, int32_t taskId, std::unique_ptr<VFile> file, int32_t left, int32_t top,
                                 bool directDrawing, int32_t layer, int32_t width, int32_t height,
                                 VColorTable* colorTable, VGraphicObject* parent)
    : VMovieControl(id, left, top, layer, width, height, colorTable, parent),
      VTask(taskId, true, false, false, GetTaskManager()),
      directDrawing_(directDrawing),
      sized_(width >= 1 && height >= 1),
      colorTable_(colorTable) {
  clock_.Reset();
  if (!file) return;
  file_ = std::move(file);
  OpenContainer();
}

AppMovieControl::~AppMovieControl() {
  if (IsPlaying()) {
    SetActive(false);
    scheduler_->SetPlaying(false);
    clock_.Pause();
  }
  scheduler_.reset();
  file_.reset();
  if (framePicture_) framePicture_->Release();
  clock_.Stop();
}

void AppMovieControl::OpenContainer() {
  SkipMovieAtoms(*file_);
  const MovieStreamKind kind = LocateMovieStream(*file_);
  // A transport stream, or data without a pack or sequence header near its
  // start, is no movie this control plays: it stays empty.
  if (kind != MovieStreamKind::kSystemStream && kind != MovieStreamKind::kVideoStream) file_.reset();
  OpenStream();
  if (!sized_) FitToMovie();
  rateMeter_ = std::make_unique<VRateMeter>();
}

void AppMovieControl::OpenStream() {
  if (!file_) return;
  const uint32_t code = PeekMovieCode(*file_);
  try {
    if (code == kPackStartCode) {
      if (!scheduler_) scheduler_ = std::make_unique<VISO11172StreamScheduler>(0, file_.get(), 0.7f, 0.3f);
      scheduler_->SetClock(&clock_);
      scheduler_->Start();
    } else if (!scheduler_) {
      auto video = std::make_unique<VMPVScheduler>(0, new VBitstream(file_.get(), 32768, true), 0.7f, 0.3f, true);
      video->SetClock(&clock_);
      video->Start();
      scheduler_ = std::move(video);
    }
  } catch (const VBitstreamEmptyException&) {
    // No sequence header: the control stays without a movie.
    scheduler_.reset();
  } catch (const VMPEGException&) {
    scheduler_.reset();
  }
  if (scheduler_) scheduler_->SetClock(&clock_);
  SetActive(false);
}

void AppMovieControl::Play() {
  if (IsPlaying()) return;
  if (scheduler_) {
    SetActive(true);
    scheduler_->SetPlaying(true);
  }
  clock_.Resume();
  SendControlEvent(*this, kMessagePlay);
}

void AppMovieControl::Pause() {
  if (!IsPlaying()) return;
  SetActive(false);
  if (scheduler_) {
    scheduler_->SetPlaying(false);
    clock_.Pause();
  }
  SendControlEvent(*this, kMessagePaused);
}

void AppMovieControl::Rewind() {
  const bool show = scheduler_ ? scheduler_->GetShowFirstFrame() : false;
  const ControlLife::Watch watch = life_.MakeWatch();
  Pause();
  if (!watch.Alive()) return;
  clock_.Stop();
  scheduler_.reset();
  if (file_) file_->Seek(0, true);
  OpenStream();
  ShowFirstFrame(show);
  if (scheduler_) scheduler_->SetNoDrop(noDrop_);
}

bool AppMovieControl::IsPlaying() { return scheduler_ && scheduler_->IsPlaying(); }

void AppMovieControl::SetVolume(int32_t volume) {
  if (scheduler_) scheduler_->SetVolume(volume);
}

void AppMovieControl::Restart() {
  const ControlLife::Watch watch = life_.MakeWatch();
  Rewind();
  if (watch.Alive()) Play();
}

void AppMovieControl::CreateFramePicture() {
  if (framePicture_ || !scheduler_) return;
  VRect frame;
  scheduler_->GetFrameBounds(frame);
  if (frame.IsEmpty()) return;
  int32_t depth = 0;
  if (auto* window = dynamic_cast<VWindow*>(GetWindow()))
    if (PixelMap* map = window->GetDrawPixelMap()) depth = map->GetDepth();
  framePicture_ = new VPicture(VRect(0, 0, frame.GetWidth(), frame.GetHeight()), depth ? depth : 32, colorTable_);
}

void AppMovieControl::ShowFirstFrame(bool show) {
  if (!scheduler_) return;
  scheduler_->SetShowFirstFrame(show);
  if (!show) return;
  for (int i = 0; i < kFirstFrameSteps && scheduler_ && !scheduler_->HasShownFirstFrame(); ++i) {
    RunStep();
    // A movie that ends before showing a picture has none to show.
    if (!frameShown_) break;
  }
}

void AppMovieControl::SetNoDropSetting(bool noDrop) {
  noDrop_ = noDrop;
  if (scheduler_) scheduler_->SetNoDrop(noDrop);
}

void AppMovieControl::FitToMovie() {
  if (!scheduler_) return;
  VRect frame;
  scheduler_->GetFrameBounds(frame);
  SetWidth(std::max(frame.GetWidth(), 1));
  SetHeight(std::max(frame.GetHeight(), 1));
}

bool AppMovieControl::NeedsFramePicture(PixelMap* map) {
  bool need;
  VRect frame;
  scheduler_->GetFrameBounds(frame);
  VRect bounds;
  GetGlobalBounds(bounds);
  if (!directDrawing_ || IsTransparent() || map == nullptr) {
    need = true;
  } else if (bounds.GetWidth() < frame.GetWidth() || bounds.GetHeight() < frame.GetHeight()) {
    need = true;
  } else {
    const VRect placed(bounds.left, bounds.top, bounds.left + frame.GetWidth(), bounds.top + frame.GetHeight());
    const VRect& mapBounds = map->GetBounds();
    need = !(placed.left >= mapBounds.left && placed.top >= mapBounds.top && placed.right <= mapBounds.right &&
             placed.bottom <= mapBounds.bottom);
  }
  if (need && !usingFramePicture_) {
    CreateFramePicture();
    if (framePicture_) {
      VRect pictureBounds(0, 0, frame.GetWidth(), frame.GetHeight());
      scheduler_->DrawFrame(framePicture_->GetPixelMap(), &pictureBounds);
    }
  }
  usingFramePicture_ = need;
  return need;
}

bool AppMovieControl::Step(uint32_t /*pass*/) {
  if (VPrimarySurface* surface = GetPrimarySurface(); surface && !surface->IsActive()) {
    clock_.Pause();
    return true;
  }
  // The clock runs while the movie plays (a step that only shows the first
  // picture leaves it standing).
  if (IsPlaying()) clock_.Resume();
  if (!scheduler_) {
    frameShown_ = false;
    return true;
  }
  RunStep();
  if (!frameShown_) EndOfMovie();
  return true;
}

void AppMovieControl::RunStep() {
  frameShown_ = false;
  if (!scheduler_) return;
  auto* window = dynamic_cast<VWindow*>(GetWindow());
  PixelMap* map = window ? window->GetDrawPixelMap() : nullptr;
  if (window && map && !NeedsFramePicture(map)) {
    VRect frame;
    scheduler_->GetFrameBounds(frame);
    VRect bounds;
    GetGlobalBounds(bounds);
    const VRect target(bounds.left, bounds.top, bounds.left + frame.GetWidth(), bounds.top + frame.GetHeight());
    {
      PixelMapLock lock(map);
      frameShown_ = scheduler_->Run(map, &target);
    }
    if (scheduler_->TakeFrameChanged()) {
      window->CopyToWindow(*map, target, target);
      FrameDrawn();
    }
  } else if (window && map) {
    CreateFramePicture();
    if (framePicture_ && framePicture_->GetPixelMap()) {
      VRect frame;
      scheduler_->GetFrameBounds(frame);
      const VRect pictureBounds(0, 0, frame.GetWidth(), frame.GetHeight());
      frameShown_ = scheduler_->Run(framePicture_->GetPixelMap(), &pictureBounds);
      if (scheduler_->TakeFrameChanged()) {
        Redraw(nullptr, nullptr);
        FrameDrawn();
      }
    }
  }
}

void AppMovieControl::FrameDrawn() {
  if (rateMeter_) rateMeter_->Sample();
  if (!firstFrameListener_) return;
  const std::function<void()> listener = std::move(firstFrameListener_);
  firstFrameListener_ = nullptr;
  listener();
}

void AppMovieControl::EndOfMovie() {
  if (scheduler_) scheduler_->SetPlaying(false);
  SetActive(false);
  const ControlLife::Watch watch = life_.MakeWatch();
  if (loopMode_ == 1) {
    Restart();
    if (watch.Alive()) SendUpward(kMessageLooped, 0, 0);
  } else {
    clock_.Pause();
    SendControlEvent(*this, kMessagePaused);
  }
}

void AppMovieControl::DrawContent(DrawPort* port, const VRect& rect) {
  VMovieControl::DrawContent(port, rect);
  if (port == nullptr || !scheduler_) return;
  VRect bounds;
  GetGlobalBounds(bounds);
  VRect clip = bounds;
  if (!rect.IsEmpty() && !bounds.Intersect(rect, clip)) return;
  VRect frame;
  scheduler_->GetFrameBounds(frame);
  const VRect placed(bounds.left, bounds.top, bounds.left + frame.GetWidth(), bounds.top + frame.GetHeight());
  if (!usingFramePicture_ && directDrawing_) {
    if (PixelMap* map = port->GetPixelMap()) {
      PixelMapLock lock(map);
      scheduler_->DrawFrame(map, &placed);
    }
  } else if (framePicture_ && !bounds.IsEmpty()) {
    // A frame larger than the control is cut to the control.
    framePicture_->Draw(port, placed, &clip);
  }
}

bool AppMovieControl::MouseDown(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  SendControlEvent(*this, kMessagePressed);
  if (!watch.Alive()) return true;
  if (VGraphicObject::MouseDown(event)) return true;
  // The release must come here too.
  TakeMouseCapture();
  return true;
}

bool AppMovieControl::MouseUp(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  SendControlEvent(*this, kMessageReleased);
  if (!watch.Alive()) return true;
  return VGraphicObject::MouseUp(event);
}

bool AppMovieControl::KeyDown(const VKeyEvent& /*event*/) { return false; }

bool AppMovieControl::UpdateCursor(const VMouseEvent& /*event*/) {
  if (IsPressedObject())
    SetCursorById(kCursorPressed);
  else if (IsDraggable())
    SetCursorById(kCursorDraggable);
  else if (IsEnabled())
    SetCursorById(kCursorClickable);
  else
    SetCursorById(0);
  return true;
}
