// The application shell's archive services as the engine sees them: which
// archive serves a media id, and the program-wide current archive. The shell
// installs its routing at start-up; until then the one registered default
// archive serves every id. Archives stay owned by whoever created them.
#pragma once

#include <cstdint>

class MediaArchive;
class VTextFile;

// The shell's routing of media ids to archives.
class MediaArchiveRouter {
 public:
  virtual ~MediaArchiveRouter() = default;
  // The archive that serves the id, or null when it was not created.
  virtual MediaArchive* GetArchiveForMedia(uint16_t id) = 0;
};

// The archive that serves the id: the installed router's answer, else the
// default archive (null when none is registered). Changes no state.
MediaArchive* GetArchiveForMedia(uint16_t id);
// Opens the TEXT medium of the id, from the archive that serves it, in
// `file` for reading and gives its size in bytes; false when no archive
// serves the id or the medium does not open.
bool OpenTextMedium(uint16_t id, VTextFile& file, int64_t& size);
// The current archive (null before one is set).
MediaArchive* GetCurrentArchive();
// Makes a non-null archive current and returns the previous one; null changes
// nothing and returns the current one.
MediaArchive* SetCurrentArchive(MediaArchive* archive);

// Installs the shell's router (null removes it); returns the previous one.
// The router is not owned and must outlive its installation.
MediaArchiveRouter* SetMediaArchiveRouter(MediaArchiveRouter* router);
// Registers the archive that serves every id while no router is installed
// (null unregisters); returns the previous one.
MediaArchive* SetDefaultMediaArchive(MediaArchive* archive);

// Told of each medium asked for by id (MediaArchive::OpenMedia) that no
// archive serves: no archive for the id, the id not in it, or its entry
// outside the archive. `type` is the type asked for (0: any). Called on the
// thread that asked; none is installed at first (nothing is said).
using MissingMediaListener = void (*)(uint16_t id, uint32_t type);
// Installs the listener (null removes it); returns the previous one.
MissingMediaListener SetMissingMediaListener(MissingMediaListener listener);
// Tells the installed listener, if any.
void ReportMissingMedia(uint16_t id, uint32_t type);

// Forgets everything that refers to `archive` (default, current); archives
// call it when they are destroyed so no service hands out a dead archive.
void ForgetMediaArchive(MediaArchive* archive);

// Registers an archive as the default and current one for a scope (tools and
// tests), restoring the previous ones afterwards.
class ScopedMediaArchive {
 public:
  explicit ScopedMediaArchive(MediaArchive* archive);
  ~ScopedMediaArchive();
  ScopedMediaArchive(const ScopedMediaArchive&) = delete;
  ScopedMediaArchive& operator=(const ScopedMediaArchive&) = delete;

 private:
  MediaArchive* previousDefault_;
  MediaArchive* previousCurrent_;
};
