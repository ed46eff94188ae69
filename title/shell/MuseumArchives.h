// The title's four Devid Uvedud archives: the interface archive
// "Media/QV_GUI.msf" in the current folder, and on the CD-ROM the extras, the
// language's texts and sounds and the language's movies. The rule that picks
// one for a media id (installed as the engine's archive router), opening them
// at start with the title's messages, and the current-archive operations the
// screens use.
//
// The archives are process-wide; the application deletes them at exit
// (DeleteMuseumArchives). An archive that fails to open stays allocated, not
// open, until then: its ids then find nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/archive/ArchiveServices.h"

class MediaArchive;

enum class ArchiveSlot : int32_t {
  kGui = 0,
  kExtra = 1,
  kLanguage = 2,
  kLanguageVideo = 3,
};

// The archive that serves a media id (taken as unsigned 16 bits): below 50
// and from 18000 up the language archive, 6000 to 7000 the extra archive,
// everything else the GUI archive. The language video archive is never
// chosen by id: the movie player selects it.
ArchiveSlot ArchiveSlotForMedia(uint16_t id);

// The archive file names of a language (0 Dutch, 1 English, 2 French,
// 3 German, 4 Spanish, 5 the sixth language); the GUI and extra names are the
// same for all. Empty for a language outside 0..5.
std::string GetArchiveFileName(ArchiveSlot slot, int32_t language);

class MuseumArchives : public MediaArchiveRouter {
 public:
  MuseumArchives();
  ~MuseumArchives() override;
  MuseumArchives(const MuseumArchives&) = delete;
  MuseumArchives& operator=(const MuseumArchives&) = delete;

  // The archive of the slot (null before it was made).
  MediaArchive* Get(ArchiveSlot slot) const { return archives_[static_cast<size_t>(slot)].get(); }
  // ArchiveSlotForMedia's archive.
  MediaArchive* GetArchiveForMedia(uint16_t id) override { return Get(ArchiveSlotForMedia(id)); }
  // Deletes the slot's archive, makes a new one and opens the file (an empty
  // path opens nothing). True when it opened; the archive stays either way.
  bool Open(ArchiveSlot slot, const std::string& path);
  // Deletes every archive.
  void Clear();

 private:
  std::array<std::unique_ptr<MediaArchive>, 4> archives_;
};

// The process-wide archives, made on first use.
MuseumArchives& GetMuseumArchives();
// Deletes the process-wide archives (and with them every reference the
// engine's archive services hold to them).
void DeleteMuseumArchives();

// The host path of "Media/<name>" on the first CD-ROM stand-in that holds
// such a file (names matched without regard to case), or "" when none does.
// The stand-ins are the folders of OSTREVAN_CD, then the optical mounts.
std::string FindMediaOnCdRom(const std::string& name);

// Opens the four archives and loads the category tables. The GUI archive
// comes from "Media/" in the current folder; when it does not open the
// "files" message is shown. The three others come from the CD-ROM, all three
// tried; when any failed the "CD-ROM" message is shown. A category table
// that does not load (a damaged disc) shows the "damaged" message. After a
// message the application is asked to quit and the result is false. The GUI
// archive is current afterwards.
bool OpenMediaArchives();

// The title's listener of missing media (SetMissingMediaListener): names
// each medium that was asked for and is not on the disc, once per id and
// type, in the run log as "media-missing ID TYPE" (TYPE the four characters
// asked for, "any" for none, the code in hexadecimal when not printable).
void NoteMissingMedia(uint16_t id, uint32_t type);

// Make the slot's archive current; each returns the archive current before.
MediaArchive* SelectGuiArchive();
MediaArchive* SelectExtraArchive();
MediaArchive* SelectLanguageArchive();
MediaArchive* SelectLanguageViArchive();
// Makes the archive that serves the id current; returns the previous one.
MediaArchive* SelectArchiveForMedia(uint16_t id);
// The current archive, to be made current again with RestoreCurrentArchive.
MediaArchive* SaveCurrentArchive();
void RestoreCurrentArchive(MediaArchive* saved);
