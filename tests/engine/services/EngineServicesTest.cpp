#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/app/AppServices.h"
#include "engine/app/MediaServices.h"
#include "engine/app/SoundMediaServices.h"
#include "engine/core/ServiceCheck.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VFont.h"
#include "engine/mpeg/MovieMediaServices.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptServices.h"
#include "engine/services/EngineServices.h"
#include "engine/sound/AudioDecoder.h"

namespace {

// Every record is complete but for the event records, which only the
// content modules make.
TEST(EngineServicesTest, EveryServiceOfTheEngineIsInstalled) {
  InstallScriptServices({});
  InstallGraphicsServices({});
  InstallAppServices({});
  InstallEngineServices();

  const ScriptServices& script = GetScriptServices();
  EXPECT_NE(script.visitHistory, nullptr);
  EXPECT_NE(script.categoryTables, nullptr);
  EXPECT_FALSE(script.eventRecords);

  const GraphicsServices graphics = GetGraphicsServices();
  EXPECT_NE(graphics.pictureFileReader, nullptr);
  EXPECT_TRUE(graphics.pictureFonts);
  EXPECT_TRUE(graphics.windowPixelMaps);

  const AppServices app = GetAppServices();
  EXPECT_NE(app.drawing, nullptr);
  EXPECT_NE(app.transitions, nullptr);
  EXPECT_NE(app.panels, nullptr);
  EXPECT_EQ(app.media, &GetSoundMediaServices());

  EXPECT_TRUE(HasAudioDecoder(kAudioTagMPEGAudio));

  // The checked getters find them all: in strict mode a missing one would
  // stop this program.
  EXPECT_NE(GetVisitHistory(), nullptr);
  EXPECT_NE(GetCategoryTables(), nullptr);
  EXPECT_NE(GetPictureFileReader(), nullptr);
  EXPECT_TRUE(GetPictureFontFactory());
  EXPECT_TRUE(GetWindowPixelMapEnumerator());
  EXPECT_NE(GetDrawingBackend(), nullptr);
  EXPECT_NE(GetTransitionRedrawer(), nullptr);
  EXPECT_NE(GetPanelServices(), nullptr);
  EXPECT_NE(GetMediaServices(), nullptr);
}

// The program's own pieces replace the engine's defaults; the movie
// library's media services come when asked for.
TEST(EngineServicesTest, OptionsReplaceTheDefaults) {
  MemoryVisitHistory history;
  MemoryCategoryTables tables;
  EngineServicesOptions options;
  options.movieLibrary = true;
  options.script.visitHistory = &history;
  options.script.categoryTables = &tables;
  options.script.eventRecords = [](ItemRef) { return std::unique_ptr<EventRecordInterface>(); };
  InstallEngineServices(std::move(options));
  EXPECT_EQ(GetScriptServices().visitHistory, &history);
  EXPECT_EQ(GetScriptServices().categoryTables, &tables);
  EXPECT_TRUE(GetScriptServices().eventRecords);
  EXPECT_EQ(GetAppServices().media, &GetMovieMediaServices());

  InstallEngineServices();
  EXPECT_NE(GetScriptServices().visitHistory, &history);
  EXPECT_EQ(GetAppServices().media, &GetSoundMediaServices());
}

// Each service, taken away, is reported by name where it is used.
struct MissingCase {
  const char* name;
  std::function<void()> uninstallAndUse;
};

TEST(EngineServicesDeathTest, EachMissingServiceIsReportedByName) {
  const MissingCase cases[] = {
      {"visit history",
       [] {
         SetVisitHistory(nullptr);
         GetHistoryFlag(ItemRef(1, 1));
       }},
      {"category tables",
       [] {
         SetCategoryTables(nullptr);
         GetItemBaseMediaId(2, 1);
       }},
      {"event records",
       [] {
         SetEventRecordFactory(nullptr);
         CreateEventRecord(ItemRef(4, 1));
       }},
      {"picture file reader",
       [] {
         SetPictureFileReader(nullptr);
         GetPictureFileReader();
       }},
      {"picture fonts",
       [] {
         SetPictureFontFactory(nullptr);
         FindOrCreateFont("Service Check Face", 12, 0, nullptr, false);
       }},
      {"window pixel maps",
       [] {
         SetWindowPixelMapEnumerator(nullptr);
         GetWindowPixelMapEnumerator();
       }},
      {"drawing backend",
       [] {
         SetDrawingBackend(nullptr);
         RedrawAllTransitions(nullptr, nullptr, nullptr);
       }},
      {"transition redrawer",
       [] {
         SetTransitionRedrawer(nullptr);
         GetTransitionRedrawer();
       }},
      {"panel services",
       [] {
         SetPanelServices(nullptr);
         GetPanelServices();
       }},
      {"media services",
       [] {
         SetMediaServices(nullptr);
         StartMovieLibrary();
       }},
  };
  for (const MissingCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DEATH(c.uninstallAndUse(), std::string("service ") + c.name + " used before it was installed");
  }
}

// Without strict mode each missing service warns and its use falls back.
TEST(EngineServicesTest, WithoutStrictModeMissingServicesFallBack) {
  ScopedMissingServicesAllowed allowed;
  VisitHistory* history = SetVisitHistory(nullptr);
  VMediaServices* media = SetMediaServices(nullptr);
  EXPECT_FALSE(GetHistoryFlag(ItemRef(1, 1)));
  EXPECT_FALSE(StartMovieLibrary());
  EXPECT_TRUE(GetAudioFollowsActivation());
  SetVisitHistory(history);
  SetMediaServices(media);
}

}  // namespace
