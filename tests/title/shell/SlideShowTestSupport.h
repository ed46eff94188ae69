// Test support of slide shows as the item viewer plays them: a small
// language archive of sequences and their JPEG pictures built with the
// engine's builder, and the scene: a 640 x 480 window with a 16-bit offscreen
// map, a backdrop and the slide-show panel where the main panel's viewer puts
// it, played on a fake clock frame by frame. A show plays on that archive
// opened in the language slot of a testsupport::MuseumArchiveStage. The
// slide-show tests and the cross-fade benchmark share it.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/PixelMap.h"
#include "tests/support/FakeClockWindow.h"
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

// The window with its offscreen map, a backdrop of one colour and the
// slide-show panel with the sequence loaded, drawn once and playing on a
// fake clock that moves only between frames.
class SlideShowScene {
 public:
  SlideShowScene(uint16_t sequenceId, const VRGBColor& backdrop) : bench_(kWidth, kHeight) {
    new VPictureControl(VControl::kAllocateId, backdrop, 0, 0, 0, kWidth, kHeight, bench_.GetWindow());
    panel_ = new SlideShowPanel(15008, kShowLeft, kShowTop, 2, kShowWidth, kShowHeight, bench_.GetWindow());
    panel_->LoadSequence(sequenceId);
    bench_.GetWindow()->Redraw(nullptr);
    Frame();
    panel_->Play();
  }
  SlideShowScene(const SlideShowScene&) = delete;
  SlideShowScene& operator=(const SlideShowScene&) = delete;

  // The clock `ms` on, then the task step (the player presents the sequence
  // and redraws what changed).
  void Advance(uint32_t ms) {
    bench_.Advance(ms);
    bench_.Step();
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
    bench_.GetWindow()->Redraw(&area);
  }
  void RedrawWindow() { bench_.GetWindow()->Redraw(nullptr); }

  SequencePlayer* GetPlayer() const { return panel_->GetPlayer(); }
  Sequence* GetSequence() const { return panel_->GetSequence(); }
  PixelMap* GetMap() const { return bench_.GetMap(); }

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
  testsupport::FakeClockWindow bench_;
  SlideShowPanel* panel_ = nullptr;
};

}  // namespace slideshowtest
