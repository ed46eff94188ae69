#include "title/shell/MuseumArchives.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "engine/app/MainWindow.h"
#include "engine/app/VApplication.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "platform/CdRomDrives.h"
#include "platform/File.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/StartMessages.h"
#include "title/shell/TitleRunLog.h"

namespace {

constexpr uint16_t kLanguageBelow = 50;
constexpr uint16_t kExtraFirst = 6000;
constexpr uint16_t kExtraLast = 7000;
constexpr uint16_t kLanguageFrom = 18000;

constexpr int32_t kLanguageCount = 6;
constexpr const char* kLanguageNames[kLanguageCount] = {"QV_NL.msf", "QV_EN.msf", "QV_FR.msf",
                                                        "QV_DE.msf", "QV_SP.msf", "QV_VS.msf"};
constexpr const char* kLanguageVideoNames[kLanguageCount] = {"QV_NL_VI.msf", "QV_EN_VI.msf", "QV_FR_VI.msf",
                                                             "QV_DE_VI.msf", "QV_SP_VI.msf", "QV_VS_VI.msf"};

MuseumArchives* gArchives = nullptr;

MediaArchive* Select(ArchiveSlot slot) {
  // A null archive (not made yet) changes nothing, as SetCurrentArchive says.
  return SetCurrentArchive(GetMuseumArchives().Get(slot));
}

// Asks the running application to end (nothing without one).
void QuitApplication() {
  if (VApplication* app = GetApplication()) app->Quit();
}

}  // namespace

ArchiveSlot ArchiveSlotForMedia(uint16_t id) {
  if (id < kLanguageBelow) return ArchiveSlot::kLanguage;
  if (id >= kExtraFirst && id <= kExtraLast) return ArchiveSlot::kExtra;
  if (id >= kLanguageFrom) return ArchiveSlot::kLanguage;
  return ArchiveSlot::kGui;
}

std::string GetArchiveFileName(ArchiveSlot slot, int32_t language) {
  if (language < 0 || language >= kLanguageCount) return std::string();
  switch (slot) {
    case ArchiveSlot::kGui: return "QV_GUI.msf";
    case ArchiveSlot::kExtra: return "QV_extra.msf";
    case ArchiveSlot::kLanguage: return kLanguageNames[language];
    case ArchiveSlot::kLanguageVideo: return kLanguageVideoNames[language];
  }
  return std::string();
}

MuseumArchives::MuseumArchives() = default;

MuseumArchives::~MuseumArchives() { Clear(); }

bool MuseumArchives::Open(ArchiveSlot slot, const std::string& path) {
  std::unique_ptr<MediaArchive>& archive = archives_[static_cast<size_t>(slot)];
  archive.reset();  // its destructor makes the engine's services forget it
  archive = std::make_unique<MediaArchive>();
  if (path.empty()) return false;
  return archive->OpenArchive(VFileSpec(path.c_str()), false);
}

void MuseumArchives::Clear() {
  for (std::unique_ptr<MediaArchive>& archive : archives_) archive.reset();
}

MuseumArchives& GetMuseumArchives() {
  if (gArchives == nullptr) gArchives = new MuseumArchives();
  return *gArchives;
}

void DeleteMuseumArchives() {
  // The router goes with the archives; another installed router stays.
  MediaArchiveRouter* router = SetMediaArchiveRouter(nullptr);
  if (router != gArchives) SetMediaArchiveRouter(router);
  delete gArchives;
  gArchives = nullptr;
}

std::string FindMediaOnCdRom(const std::string& name) {
  if (name.empty()) return std::string();
  for (const std::string& root : platform::CdRomRoots()) {
    // The path resolves without regard to case: an ISO mount may show
    // "media/qv_de.msf". A stand-in that is a file, or a folder without the
    // file, holds nothing.
    const std::string path = platform::ResolvePath(root + "/Media/" + name);
    if (platform::FileExists(path) && !platform::DirectoryExists(path)) return path;
  }
  return std::string();
}

bool OpenMediaArchives() {
  MuseumArchives& archives = GetMuseumArchives();
  const int32_t language = MainWindow::GetLanguageCode();
  if (!archives.Open(ArchiveSlot::kGui, "Media/" + GetArchiveFileName(ArchiveSlot::kGui, language))) {
    ShowStartMessage(StartMessage::kFiles, language);
    QuitApplication();
    return false;
  }
  SelectGuiArchive();
  bool all = true;
  for (const ArchiveSlot slot : {ArchiveSlot::kExtra, ArchiveSlot::kLanguage, ArchiveSlot::kLanguageVideo}) {
    if (!archives.Open(slot, FindMediaOnCdRom(GetArchiveFileName(slot, language)))) all = false;
  }
  if (!all) {
    ShowStartMessage(StartMessage::kCdRom, language);
    QuitApplication();
    return false;
  }
  // The archives opened but what they hold cannot be read (a damaged disc):
  // the title cannot go on without its category tables.
  if (!LoadCategoryTables()) {
    ShowStartMessage(StartMessage::kDamaged, language);
    QuitApplication();
    return false;
  }
  return true;
}

MediaArchive* SelectGuiArchive() { return Select(ArchiveSlot::kGui); }
MediaArchive* SelectExtraArchive() { return Select(ArchiveSlot::kExtra); }
MediaArchive* SelectLanguageArchive() { return Select(ArchiveSlot::kLanguage); }
MediaArchive* SelectLanguageViArchive() { return Select(ArchiveSlot::kLanguageVideo); }

MediaArchive* SelectArchiveForMedia(uint16_t id) { return Select(ArchiveSlotForMedia(id)); }

MediaArchive* SaveCurrentArchive() { return GetCurrentArchive(); }

void RestoreCurrentArchive(MediaArchive* saved) { SetCurrentArchive(saved); }

void NoteMissingMedia(uint16_t id, uint32_t type) {
  static std::mutex mutex;
  static std::set<uint64_t> named;
  const std::lock_guard<std::mutex> lock(mutex);
  if (!named.insert((static_cast<uint64_t>(type) << 16) | id).second) return;
  char code[5] = {};
  TypeCodeText(type, code);
  std::string typeText = code;
  const bool printable = typeText.size() == 4 && std::all_of(typeText.begin(), typeText.end(), [](char c) {
    return c >= ' ' && c <= '~';
  });
  if (type == 0) {
    typeText = "any";
  } else if (!printable) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", type);
    typeText = number;
  }
  title_run_log::Write("media-missing " + std::to_string(id) + " " + typeText);
}
