// Test support of slide shows as the item viewer plays them: a small
// language archive of sequences and their JPEG pictures built with the
// engine's builder, the stage a show plays on (that archive open, the
// museum's archive router, a 16-bit screen the pictures decode for, the
// lookup tables), and the scene: a 640 x 480 window with a 16-bit offscreen
// map, a backdrop and the slide-show panel where the main panel's viewer puts
// it, played on a fake clock frame by frame. The slide-show tests and the
// cross-fade benchmark share it.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/VWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTask.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "platform/Clock.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"

namespace slideshowtest {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kShowWidth = 426;
constexpr int32_t kShowHeight = 320;
// Where the main panel's viewer puts the slide show: centred on (290, 204)
// of a viewer 20 pixels down.
constexpr int32_t kShowLeft = 290 - kShowWidth / 2;
constexpr int32_t kShowTop = 20 + 204 - kShowHeight / 2;
// 25 frames a second.
constexpr uint32_t kFrameMs = 40;

inline PixelMap* NewMap16(int32_t width, int32_t height) {
  return new PixelMap(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                      kFormat565LE, 0);
}

// A sequence's text, stored as a TEXT medium.
struct ShowSequence {
  uint16_t id;
  std::string text;
};
// A JPEG file, stored as a picture medium.
struct ShowPicture {
  uint16_t id;
  std::string path;
};

// Builds the archive at `archivePath` from the sequences (their texts
// written to files in `dir`) and the pictures; false when the builder fails.
inline bool BuildShowArchive(const std::string& dir, const std::string& archivePath,
                             const std::vector<ShowSequence>& sequences, const std::vector<ShowPicture>& pictures) {
  const std::string script = dir + "/show.build";
  {
    std::ofstream out(script, std::ios::binary);
    for (const ShowSequence& s : sequences) {
      const std::string text = dir + "/show" + std::to_string(s.id) + ".txt";
      std::ofstream(text, std::ios::binary) << s.text;
      out << s.id << " 40 \"" << text << "\"\n";
    }
    for (const ShowPicture& p : pictures) out << p.id << " 0 \"" << p.path << "\"\n";
  }
  VTextFile scriptFile(VFileSpec(script.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
  VFile archive(VFileSpec(archivePath.c_str()), MakeTypeCode("MSF "), kUnknownFileType);
  const bool built = BuildMediaArchive(scriptFile, archive, nullptr);
  scriptFile.Close();
  archive.Close();
  return built;
}

// What a show plays on, for the life of this object: the lookup tables, the
// museum's archive router with the archive open as the language archive,
// and a 16-bit screen, the depth the pictures decode for.
class ShowStage {
 public:
  explicit ShowStage(const std::string& archivePath) {
    SetupLookupTables();
    screen_.reset(NewMap16(8, 8));
    previousRouter_ = SetMediaArchiveRouter(&GetMuseumArchives());
    open_ = GetMuseumArchives().Open(ArchiveSlot::kLanguage, archivePath);
    display_.SetScreenPixelMap(screen_.get());
    previousDisplay_ = SetPixelMapDisplay(&display_);
  }
  ~ShowStage() {
    SetPixelMapDisplay(previousDisplay_);
    screen_.reset();
    DeleteMuseumArchives();
    SetMediaArchiveRouter(previousRouter_);
    ShutdownLookupTables();
  }
  ShowStage(const ShowStage&) = delete;
  ShowStage& operator=(const ShowStage&) = delete;

  // Whether the archive opened.
  bool IsOpen() const { return open_; }

 private:
  std::unique_ptr<PixelMap> screen_;
  MemoryPixelMapDisplay display_;
  MediaArchiveRouter* previousRouter_ = nullptr;
  PixelMapDisplay* previousDisplay_ = nullptr;
  bool open_ = false;
};

// The window with its offscreen map, a backdrop of one colour and the
// slide-show panel with the sequence loaded, drawn once and playing on a
// fake clock that moves only between frames.
class SlideShowScene {
 public:
  SlideShowScene(uint16_t sequenceId, const VRGBColor& backdrop)
      : clock_(1000ull * 1000000ull), source_(&clock_) {
    clock_.SetStepPerRead(0);
    VGraphicObject::ResetProgramState();
    VControl::ResetControlIdPool();
    manager_ = std::make_unique<VTaskManager>(0, true, false, nullptr);
    previousManager_ = SetTaskManager(manager_.get());
    window_ = std::make_unique<VWindow>(7, 0, VRect(0, 0, kWidth, kHeight), false, 0, false, false);
    window_->Create(0, VRect(0, 0, kWidth, kHeight), false, 0, nullptr, false);
    window_->SetOffscreenMap(NewMap16(kWidth, kHeight), 0);
    new VPictureControl(VControl::kAllocateId, backdrop, 0, 0, 0, kWidth, kHeight, window_.get());
    panel_ = new SlideShowPanel(15008, kShowLeft, kShowTop, 2, kShowWidth, kShowHeight, window_.get());
    panel_->LoadSequence(sequenceId);
    window_->Redraw(nullptr);
    Frame();
    panel_->Play();
  }
  ~SlideShowScene() {
    window_.reset();
    SetTaskManager(previousManager_);
    VGraphicObject::ResetProgramState();
  }
  SlideShowScene(const SlideShowScene&) = delete;
  SlideShowScene& operator=(const SlideShowScene&) = delete;

  // The clock `ms` on, then the task step (the player presents the sequence
  // and redraws what changed).
  void Advance(uint32_t ms) {
    clock_.AdvanceMilliseconds(ms);
    manager_->Step(platform::TickCount());
  }
  // One frame.
  void Frame() { Advance(kFrameMs); }
  // Frames while a whole one fits before `position`, then the step that
  // lands the player on it.
  void PlayTo(int32_t position) {
    while (GetPlayer()->IsPlaying() && GetPlayer()->GetPosition() + static_cast<int32_t>(kFrameMs) <= position) {
      Frame();
    }
    if (GetPlayer()->IsPlaying() && GetPlayer()->GetPosition() < position) {
      Advance(static_cast<uint32_t>(position - GetPlayer()->GetPosition()));
    }
  }

  // The slide show's area redrawn, or the whole window.
  void RedrawShow() {
    const VRect area(kShowLeft, kShowTop, kShowLeft + kShowWidth, kShowTop + kShowHeight);
    window_->Redraw(&area);
  }
  void RedrawWindow() { window_->Redraw(nullptr); }

  SequencePlayer* GetPlayer() const { return panel_->GetPlayer(); }
  Sequence* GetSequence() const { return panel_->GetSequence(); }
  PixelMap* GetMap() const { return window_->GetOffscreenPixelMap(); }

  // The slide show's area of the window's map as RGB bytes, row by row, each
  // 5- or 6-bit field widened by repeating its high bits.
  std::string ShowRgb() const {
    std::string rgb;
    rgb.reserve(size_t{kShowWidth} * kShowHeight * 3);
    for (int32_t y = kShowTop; y < kShowTop + kShowHeight; ++y) {
      for (int32_t x = kShowLeft; x < kShowLeft + kShowWidth; ++x) {
        VRGBColor c;
        GetMap()->GetPixel(VPoint(x, y), c);
        rgb += static_cast<char>(c.red);
        rgb += static_cast<char>(c.green);
        rgb += static_cast<char>(c.blue);
      }
    }
    return rgb;
  }

 private:
  platform::FakeClock clock_;
  platform::ScopedClockSource source_;
  std::unique_ptr<VTaskManager> manager_;
  VTaskManager* previousManager_ = nullptr;
  std::unique_ptr<VWindow> window_;
  SlideShowPanel* panel_ = nullptr;
};

}  // namespace slideshowtest
