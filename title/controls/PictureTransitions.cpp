#include "title/controls/PictureTransitions.h"

#include <algorithm>
#include <cmath>

#include "engine/app/VGraphicObject.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"
#include "platform/Rand.h"

namespace {

VPicture* LoadPicture(uint16_t id) { return id != 0 ? new VPicture(id) : nullptr; }

VPicture* Referenced(VPicture* picture) {
  if (picture != nullptr) picture->AddReference();
  return picture;
}

// Whole part of rand / 32767 x n: 0..n (n only for the largest draw).
int32_t RandomBelow(int32_t n) {
  return static_cast<int32_t>(static_cast<double>(platform::Rand()) / platform::kRandMax * n);
}

}  // namespace

// ---- PictureStepTransition ------------------------------------------------

PictureStepTransition::PictureStepTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed,
                                             int32_t length, int32_t quantum, bool startNow)
    : VTransition(target, nullptr, timed, std::max(length, 1), quantum == 0 ? 16 : quantum, taskId, startNow),
      target_(target),
      picture_(picture),
      noPicture_(picture == nullptr) {
  if (picture_ != nullptr) pictureRect_ = VRect(0, 0, picture_->GetWidth(), picture_->GetHeight());
}

PictureStepTransition::~PictureStepTransition() {
  if (picture_ != nullptr) picture_->Release();
}

VPicture* PictureStepTransition::GetNewPicture() const { return Referenced(picture_); }

void PictureStepTransition::ObjectGone() {
  target_ = nullptr;
  VTransition::ObjectGone();
}

bool PictureStepTransition::BeginStep(DrawPort* port, StepPixels& s) {
  if (target_ == nullptr || port == nullptr) return false;
  s.shown = target_->GetPicture();
  if (s.shown == nullptr) return false;
  s.shownMap = s.shown->GetPixelMap();
  s.portMap = port->GetPixelMap();
  s.newMap = picture_ != nullptr ? picture_->GetPixelMap() : nullptr;
  bool ok = s.shownMap != nullptr && s.portMap != nullptr && (picture_ == nullptr || s.newMap != nullptr);
  ok = ok && (s.portMap->GetDepth() == 15 || s.portMap->GetDepth() == 16);
  if (ok && s.newMap != nullptr) ok = s.newMap->PeekAttributes().flags == 0;
  if (ok) ok = s.lockedShown = s.shownMap->Lock();
  if (ok && s.newMap != nullptr) ok = s.lockedNew = s.newMap->Lock();
  if (ok) ok = s.lockedPort = s.portMap->Lock();
  if (ok) {
    s.dst = WordPixelView::Of(*s.shownMap);
    s.port = WordPixelView::Of(*s.portMap);
    if (s.newMap != nullptr) s.source = WordPixelView::Of(*s.newMap);
    // The new picture must be read in the shown picture's own layout.
    ok = s.dst.IsValid() && s.port.IsValid() && (s.newMap == nullptr || (s.source.IsValid() && s.source.SameLayout(s.dst)));
  }
  if (ok) {
    target_->GetGlobalOrigin(s.origin, true);
    // The effect's rectangle on the shown picture's first frame, cut to
    // the part of the window the port's map covers.
    VRect window(-s.origin.x, -s.origin.y, s.portMap->GetWidth() - s.origin.x, s.portMap->GetHeight() - s.origin.y);
    VRect frame(0, 0, s.shown->GetWidth(), s.shown->GetHeight());
    ok = GetRect().Intersect(frame, s.area) && s.area.Intersect(window, s.area) &&
         s.area.Intersect(s.dst.Bounds(), s.area);
    if (!ok) s.area = VRect();
    ok = true;  // an empty area still counts the step
  }
  if (!ok) {
    EndStep(s, false);
    return false;
  }
  return true;
}

void PictureStepTransition::EndStep(StepPixels& s, bool redraw) {
  if (s.lockedPort) s.portMap->Unlock();
  if (s.lockedNew) s.newMap->Unlock();
  if (s.lockedShown) s.shownMap->Unlock();
  s.lockedPort = s.lockedNew = s.lockedShown = false;
  if (s.shown != nullptr) s.shown->Release();
  s.shown = nullptr;
  if (redraw && target_ != nullptr && target_->IsShown()) {
    VRect global;
    target_->GetGlobalBounds(global);
    target_->Draw(nullptr, &global, false, true);
  }
}

// ---- PictureTransition ----------------------------------------------------

const std::vector<int32_t>& PictureTransition::DefaultPattern() {
  static const std::vector<int32_t> table = {0, 0, 2, 2, 2, 0, 0, 2, 1, 1, 3, 3, 3, 1, 1, 3,
                                             1, 0, 3, 2, 3, 0, 1, 2, 0, 1, 2, 3, 2, 1, 0, 3};
  return table;
}

PictureTransition::PictureTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed,
                                     int32_t length, std::vector<int32_t> pattern, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, LoadPicture(pictureId), timed, length, quantum, startNow) {
  InitPattern(std::move(pattern));
}

PictureTransition::PictureTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed,
                                     int32_t length, std::vector<int32_t> pattern, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, Referenced(picture), timed, length, quantum, startNow) {
  InitPattern(std::move(pattern));
}

void PictureTransition::InitPattern(std::vector<int32_t> pattern) {
  pattern_ = pattern.empty() ? DefaultPattern() : std::move(pattern);
  if (pattern_.size() % 2 != 0) pattern_.pop_back();  // a lone column has no row
  cell_ = std::max(1, static_cast<int32_t>(std::sqrt(static_cast<double>(pattern_.size() / 2))));
}

void PictureTransition::DrawAt(DrawPort* port, int32_t position, int32_t length) {
  const double fraction = length > 0 ? static_cast<double>(position) / length : 1.0;
  const VRect& rect = GetRect();
  const int64_t pixels = rect.IsEmpty() ? 0 : int64_t{rect.GetWidth()} * rect.GetHeight();
  const int64_t pairs = static_cast<int64_t>(pattern_.size() / 2);
  const int64_t k = static_cast<int64_t>(fraction * static_cast<double>(random_ ? pixels : pairs));
  if (k == revealed_ || (picture_ == nullptr && !noPicture_)) return;
  StepPixels s;
  if (!BeginStep(port, s)) return;
  const WordPixelView* source = s.newMap != nullptr ? &s.source : nullptr;
  // Pixels of the new picture are read only inside its own rectangle.
  VRect clip = s.area;
  if (source != nullptr) clip.Intersect(pictureRect_, clip);
  if (random_) {
    DissolvePixels(s.dst, source, rect, clip, generator_, revealed_, k);
  } else {
    for (int64_t i = revealed_; i < k && i < pairs; ++i) {
      RevealPatternCell(s.dst, source, clip, cell_, pattern_[static_cast<size_t>(2 * i)],
                        pattern_[static_cast<size_t>(2 * i + 1)]);
    }
  }
  revealed_ = k;
  EndStep(s, true);
}

// ---- PictureFadeTransition ------------------------------------------------

PictureFadeTransition::PictureFadeTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed,
                                             int32_t length, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, LoadPicture(pictureId), timed, length, quantum, startNow) {
  TakeSnapshot();
}

PictureFadeTransition::PictureFadeTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed,
                                             int32_t length, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, Referenced(picture), timed, length, quantum, startNow) {
  TakeSnapshot();
}

PictureFadeTransition::~PictureFadeTransition() = default;

void PictureFadeTransition::TakeSnapshot() {
  if (target_ == nullptr) return;
  VPicture* shown = target_->GetPicture();
  if (shown == nullptr) return;
  // A word-for-word copy of what the target shows, in the same layout and
  // byte order.
  PixelMap* map = shown->GetPixelMap();
  if (map != nullptr && map->Lock()) {
    const WordPixelView from = WordPixelView::Of(*map);
    if (from.IsValid()) {
      auto copy = std::make_unique<PixelMap>(VRect(0, 0, from.width, from.height), map->GetDepth(), nullptr, nullptr,
                                             nullptr, PixelMap::kStorageMemory, map->GetPixelFormat(), 0);
      if (copy->HasStorage() && copy->Lock()) {
        const WordPixelView to = WordPixelView::Of(*copy);
        if (to.IsValid()) CopyWordRect(to, from, from.Bounds(), to.Bounds(), to.Bounds());
        copy->Unlock();
        snapshot_ = std::move(copy);
      }
    }
    map->Unlock();
  }
  shown->Release();
}

int32_t PictureFadeTransition::FactorAt(int32_t position, int32_t length, bool& fromNewPicture) {
  const double half = std::max(length, 1) / 2.0;
  fromNewPicture = position > half;
  if (fromNewPicture) return std::clamp(static_cast<int32_t>((position - half) / half * 64), 0, 64);
  return std::clamp(64 - static_cast<int32_t>(position / half * 64), 0, 64);
}

void PictureFadeTransition::DrawAt(DrawPort* port, int32_t position, int32_t length) {
  if (snapshot_ == nullptr) return;
  bool fromNew = false;
  const int32_t factor = FactorAt(position, length, fromNew);
  if (factor == lastFactor_ && fromNew == lastFromNew_) return;
  StepPixels s;
  if (!BeginStep(port, s)) return;
  WordPixelView source;
  VRect area = s.area;
  bool lockedSnapshot = false;
  if (fromNew) {
    source = s.source;
    area.Intersect(pictureRect_, area);
  } else {
    lockedSnapshot = snapshot_->Lock();
    if (lockedSnapshot) source = WordPixelView::Of(*snapshot_);
  }
  if (source.IsValid() && source.SameLayout(s.dst)) {
    FadePixels(s.dst, source, area, factor);
  } else if (fromNew && s.newMap == nullptr) {
    FadePixels(s.dst, s.dst, area, 0);  // no picture: the second half stays black
  }
  if (lockedSnapshot) snapshot_->Unlock();
  lastFactor_ = factor;
  lastFromNew_ = fromNew;
  // The faded area also goes straight into the port's map.
  if (!area.IsEmpty() && s.port.SameLayout(s.dst)) {
    VRect placed = area;
    placed.Offset(s.origin.x, s.origin.y);
    CopyWordRect(s.port, s.dst, area, placed, s.port.Bounds());
  }
  EndStep(s, true);
}

// ---- PictureTileTransition ------------------------------------------------

PictureTileTransition::PictureTileTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed,
                                             int32_t length, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, LoadPicture(pictureId), timed, length, quantum, startNow) {
  BuildTables();
}

PictureTileTransition::PictureTileTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed,
                                             int32_t length, int32_t quantum, bool startNow)
    : PictureStepTransition(taskId, target, Referenced(picture), timed, length, quantum, startNow) {
  BuildTables();
}

VRect PictureTileTransition::TileRect(int32_t tile) {
  constexpr int32_t w = kScreenWidth / kColumns;
  constexpr int32_t h = kScreenHeight / kRows;
  const int32_t left = (tile % kColumns) * w;
  const int32_t top = (tile / kColumns) * h;
  return VRect(left, top, left + w, top + h);
}

void PictureTileTransition::BuildTables() {
  placement_.assign(kTiles, -1);
  order_.assign(kTiles, -1);
  std::vector<bool> placed(kTiles, false);
  std::vector<bool> ordered(kTiles, false);
  platform::SeedRand(platform::TickCount());

  // The order in which tiles go home: a random walk between neighbours.
  auto drawFreeTile = [&](std::vector<bool>& used) {
    int32_t t;
    do {
      t = RandomBelow(kTiles);
    } while (t >= kTiles || used[static_cast<size_t>(t)]);
    return t;
  };
  int32_t previous = drawFreeTile(ordered);
  order_[0] = previous;
  ordered[static_cast<size_t>(previous)] = true;
  for (int32_t i = 1; i < kTiles; ++i) {
    int32_t next = -1;
    for (int32_t draws = 0; draws < 30; ++draws) {
      const int32_t d = RandomBelow(9);
      if (d == 4 || d > 8) continue;  // not a neighbour
      const int32_t candidate = previous + (d % 3) - 1 + (d / 3 - 1) * kColumns;
      if (candidate < 0 || candidate >= kTiles || ordered[static_cast<size_t>(candidate)]) continue;
      next = candidate;
      break;
    }
    if (next < 0) next = drawFreeTile(ordered);
    order_[static_cast<size_t>(i)] = next;
    ordered[static_cast<size_t>(next)] = true;
    previous = next;
  }
  // Where each tile is shown at first: a random permutation.
  for (int32_t i = 0; i < kTiles; ++i) {
    const int32_t t = drawFreeTile(placed);
    placement_[static_cast<size_t>(i)] = t;
    placed[static_cast<size_t>(t)] = true;
  }
}

void PictureTileTransition::DrawTile(StepPixels& s, int32_t tile, int32_t position) {
  VRect clip = s.area;
  const VRect to = TileRect(position);
  if (s.newMap == nullptr) {
    // Without a picture every tile is black.
    VRect black;
    if (to.Intersect(clip, black)) FadePixels(s.dst, s.dst, black, 0);
    return;
  }
  CopyWordRect(s.dst, s.source, TileRect(tile), to, clip);
}

void PictureTileTransition::DrawAt(DrawPort* port, int32_t position, int32_t length) {
  const double fraction = length > 0 ? static_cast<double>(position) / length : 1.0;
  const int32_t n = std::clamp(static_cast<int32_t>(std::floor(fraction * kTiles - 1)), -1, kTiles - 1);
  if (n == done_) return;
  if (picture_ == nullptr && !noPicture_) return;
  StepPixels s;
  if (!BeginStep(port, s)) {
    done_ = n;
    return;
  }
  if (!started_) {
    for (int32_t i = 0; i < kTiles; ++i) DrawTile(s, placement_[static_cast<size_t>(i)], i);
    started_ = true;
  }
  for (int32_t i = done_ + 1; i <= n; ++i) {
    const int32_t t = order_[static_cast<size_t>(i)];
    const auto shownAt = std::find(placement_.begin(), placement_.end(), t) - placement_.begin();
    const int32_t at = static_cast<int32_t>(shownAt);
    if (at == t || at >= kTiles) continue;
    // The tile that occupies t's home moves to where t was shown.
    const int32_t occupant = placement_[static_cast<size_t>(t)];
    placement_[static_cast<size_t>(at)] = occupant;
    DrawTile(s, occupant, at);
    placement_[static_cast<size_t>(t)] = t;
    DrawTile(s, t, t);
  }
  done_ = n;
  EndStep(s, true);
}
