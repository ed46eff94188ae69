// Program-wide archive routing and the current archive.
#include "engine/archive/ArchiveServices.h"

#include <atomic>

#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VTextFile.h"

namespace {

std::atomic<MediaArchiveRouter*> gRouter{nullptr};
std::atomic<MediaArchive*> gDefault{nullptr};
std::atomic<MediaArchive*> gCurrent{nullptr};
std::atomic<MissingMediaListener> gMissingMedia{nullptr};

}  // namespace

MediaArchive* GetArchiveForMedia(uint16_t id) {
  MediaArchiveRouter* router = gRouter.load();
  if (router != nullptr) return router->GetArchiveForMedia(id);
  return gDefault.load();
}

bool OpenTextMedium(uint16_t id, VTextFile& file, int64_t& size) {
  MediaArchive* archive = GetArchiveForMedia(id);
  if (archive == nullptr) return false;
  uint32_t type = MakeTypeCode("TEXT");
  MediaEntry entry;
  if (!archive->OpenMedia(id, file, type, &entry) || !file.Open(1)) return false;
  size = static_cast<int64_t>(entry.size);
  return true;
}

MediaArchive* GetCurrentArchive() { return gCurrent.load(); }

MediaArchive* SetCurrentArchive(MediaArchive* archive) {
  if (archive == nullptr) return gCurrent.load();
  return gCurrent.exchange(archive);
}

MediaArchiveRouter* SetMediaArchiveRouter(MediaArchiveRouter* router) { return gRouter.exchange(router); }

MediaArchive* SetDefaultMediaArchive(MediaArchive* archive) { return gDefault.exchange(archive); }

MissingMediaListener SetMissingMediaListener(MissingMediaListener listener) {
  return gMissingMedia.exchange(listener);
}

void ReportMissingMedia(uint16_t id, uint32_t type) {
  if (MissingMediaListener listener = gMissingMedia.load()) listener(id, type);
}

void ForgetMediaArchive(MediaArchive* archive) {
  if (archive == nullptr) return;
  MediaArchive* expected = archive;
  gDefault.compare_exchange_strong(expected, nullptr);
  expected = archive;
  gCurrent.compare_exchange_strong(expected, nullptr);
}

ScopedMediaArchive::ScopedMediaArchive(MediaArchive* archive)
    : previousDefault_(gDefault.exchange(archive)), previousCurrent_(gCurrent.exchange(archive)) {}

ScopedMediaArchive::~ScopedMediaArchive() {
  gDefault.store(previousDefault_);
  gCurrent.store(previousCurrent_);
}
