#include "engine/services/EngineServices.h"

#include <utility>

#include "engine/app/AppServices.h"
#include "engine/app/SoundMediaServices.h"
#include "engine/app/VEngineDrawingBackend.h"
#include "engine/app/VWindow.h"
#include "engine/controls/VPanel.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTransition.h"
#include "engine/core/ServiceCheck.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/image/ImageRegistry.h"
#include "engine/mpeg/MovieMediaServices.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/sound/AudioDecoder.h"

void InstallEngineServices(EngineServicesOptions options) {
  if (options.strict) SetMissingServicesFatal(true);

  static MemoryVisitHistory memoryHistory;
  static MemoryCategoryTables memoryTables;
  ScriptServices script = std::move(options.script);
  if (script.visitHistory == nullptr) script.visitHistory = &memoryHistory;
  if (script.categoryTables == nullptr) script.categoryTables = &memoryTables;
  InstallScriptServices(std::move(script));

  GraphicsServices graphics;
  graphics.pictureFileReader = &ReadPictureFileWithReaders;
  graphics.pictureFonts = &MakePictureFontFromSystemFace;
  graphics.windowPixelMaps = &VWindow::VisitOffscreenMaps;
  InstallGraphicsServices(std::move(graphics));

  EnsureStandardSoundCodecs();
  if (!HasAudioDecoder(kAudioTagMPEGAudio)) RegisterAudioDecoder(new VMPADecoder(1.0f, 1.0f));
  if (options.audioDevices) SetAudioDeviceFactory(std::move(options.audioDevices));

  static VEngineDrawingBackend drawing;
  AppServices app;
  app.drawing = &drawing;
  app.transitions = &VTransition::GetRunningTransitions();
  app.panels = &GetControlPanelServices();
  app.media = options.movieLibrary ? &GetMovieMediaServices() : &GetSoundMediaServices();
  InstallAppServices(app);
}
