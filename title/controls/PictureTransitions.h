// Transitions that replace what a picture control shows by a new picture
// over time, working straight on 15- and 16-bit pixel maps: a dissolve (an
// ordered pattern of cells, or pixel by pixel in a pseudo-random order), a
// fade through black, and scrambled tiles that walk back home one by one.
// Each writes into the control's shown picture and redraws the control.
//
// Ownership: each holds one reference on its new picture and owns its
// tables and snapshot. The target control is not owned and must outlive the
// transition (the transition is a task of the current task manager, which
// deletes it when it ends).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/VTransition.h"
#include "title/controls/PictureTransitionKernels.h"

class PixelMap;
class VPicture;
class VPictureControl;

// What the three share: the target, the new picture and the checks and
// locking around a step.
class PictureStepTransition : public VTransition {
 public:
  ~PictureStepTransition() override;
  // The new picture with one more reference (null when there is none).
  VPicture* GetNewPicture() const;

 protected:
  // A quantum of 0 becomes 16; a length below 1 becomes 1, so that the last
  // step always draws the end state.
  PictureStepTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed, int32_t length,
                        int32_t quantum, bool startNow);

  // The pixels of one step, locked between Begin and End.
  struct StepPixels {
    VPicture* shown = nullptr;  // one reference
    PixelMap* shownMap = nullptr;
    PixelMap* newMap = nullptr;
    PixelMap* portMap = nullptr;
    WordPixelView dst;         // the shown picture
    WordPixelView source;      // the new picture (invalid without one)
    WordPixelView port;        // the drawing port's map
    VRect area;                // shown-picture coordinates: the effect cut to picture and window
    VPoint origin;             // the target's top-left in the window
    bool lockedShown = false, lockedNew = false, lockedPort = false;
  };
  // Checks the preconditions and locks; false (nothing locked, nothing
  // held) when the step must change no pixels.
  bool BeginStep(DrawPort* port, StepPixels& s);
  // Unlocks, releases the shown picture and, when asked, redraws the target.
  void EndStep(StepPixels& s, bool redraw);
  void ObjectGone() override;

  VPictureControl* target_;
  VPicture* picture_;
  VRect pictureRect_;
  bool noPicture_;
};

class PictureTransition : public PictureStepTransition {
 public:
  // The picture by media id, or an existing one (one reference added; null
  // reveals black). pattern: pairs (cell column, cell row); empty takes the
  // 4 x 4 ordered table.
  PictureTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed, int32_t length,
                    std::vector<int32_t> pattern, int32_t quantum, bool startNow);
  PictureTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed, int32_t length,
                    std::vector<int32_t> pattern, int32_t quantum, bool startNow);

  void DrawAt(DrawPort* port, int32_t position, int32_t length) override;
  // Pixel by pixel in pseudo-random order instead of the pattern.
  void SetRandom(bool random) { random_ = random; }
  int64_t GetRevealedCount() const { return revealed_; }
  int32_t GetCellSize() const { return cell_; }

  static const std::vector<int32_t>& DefaultPattern();

 private:
  void InitPattern(std::vector<int32_t> pattern);

  std::vector<int32_t> pattern_;
  int32_t cell_ = 1;
  int64_t revealed_ = 0;
  bool random_ = false;
  uint32_t generator_ = 0;
};

class PictureFadeTransition : public PictureStepTransition {
 public:
  // Takes a snapshot of what the target shows now.
  PictureFadeTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed, int32_t length,
                        int32_t quantum, bool startNow);
  PictureFadeTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed, int32_t length,
                        int32_t quantum, bool startNow);
  ~PictureFadeTransition() override;

  void DrawAt(DrawPort* port, int32_t position, int32_t length) override;
  // The factor (0..64) and whether the new picture is the source at a position.
  static int32_t FactorAt(int32_t position, int32_t length, bool& fromNewPicture);

 private:
  void TakeSnapshot();
  std::unique_ptr<PixelMap> snapshot_;
  // The state written last: a redraw of the window at the same state has
  // nothing to recompute, the shown picture holds it already.
  int32_t lastFactor_ = -1;
  bool lastFromNew_ = false;
};

class PictureTileTransition : public PictureStepTransition {
 public:
  static constexpr int32_t kScreenWidth = 640;
  static constexpr int32_t kScreenHeight = 480;
  static constexpr int32_t kColumns = 20;
  static constexpr int32_t kRows = 20;
  static constexpr int32_t kTiles = kColumns * kRows;

  PictureTileTransition(int32_t taskId, VPictureControl* target, uint16_t pictureId, bool timed, int32_t length,
                        int32_t quantum, bool startNow);
  PictureTileTransition(int32_t taskId, VPictureControl* target, VPicture* picture, bool timed, int32_t length,
                        int32_t quantum, bool startNow);

  void DrawAt(DrawPort* port, int32_t position, int32_t length) override;
  // Entry i: the picture tile that position i shows now.
  const std::vector<int32_t>& GetPlacement() const { return placement_; }
  // The order in which tiles return home.
  const std::vector<int32_t>& GetOrder() const { return order_; }
  int32_t GetDoneIndex() const { return done_; }
  // The rectangle of tile i (picture coordinates).
  static VRect TileRect(int32_t tile);

 private:
  void BuildTables();
  void DrawTile(StepPixels& s, int32_t tile, int32_t position);

  std::vector<int32_t> placement_;
  std::vector<int32_t> order_;
  int32_t done_ = -1;
  bool started_ = false;
};
