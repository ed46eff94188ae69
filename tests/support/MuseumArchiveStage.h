// What museum media load on in a test or a benchmark, for the life of this
// object: the lookup tables, the museum's archive router with one archive
// open in its slot, and a 16-bit screen, the depth pictures decode for. An
// archive opened as the interface (GUI) archive is made the current one, as
// the title does once it opens it.
#pragma once

#include <memory>
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "title/shell/MuseumArchives.h"

namespace testsupport {

class MuseumArchiveStage {
 public:
  MuseumArchiveStage(ArchiveSlot slot, const std::string& archivePath) {
    SetupLookupTables();
    screen_ = std::make_unique<PixelMap>(VRect(0, 0, 8, 8), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                                         kFormat565LE, 0);
    previousRouter_ = SetMediaArchiveRouter(&GetMuseumArchives());
    open_ = GetMuseumArchives().Open(slot, archivePath);
    if (open_ && slot == ArchiveSlot::kGui) SelectGuiArchive();
    display_.SetScreenPixelMap(screen_.get());
    previousDisplay_ = SetPixelMapDisplay(&display_);
  }
  ~MuseumArchiveStage() {
    SetPixelMapDisplay(previousDisplay_);
    screen_.reset();
    DeleteMuseumArchives();
    SetMediaArchiveRouter(previousRouter_);
    ShutdownLookupTables();
  }
  MuseumArchiveStage(const MuseumArchiveStage&) = delete;
  MuseumArchiveStage& operator=(const MuseumArchiveStage&) = delete;

  // Whether the archive opened.
  bool IsOpen() const { return open_; }

 private:
  std::unique_ptr<PixelMap> screen_;
  MemoryPixelMapDisplay display_;
  MediaArchiveRouter* previousRouter_ = nullptr;
  PixelMapDisplay* previousDisplay_ = nullptr;
  bool open_ = false;
};

}  // namespace testsupport
