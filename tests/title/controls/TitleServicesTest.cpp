#include <gtest/gtest.h>

#include "engine/app/AppServices.h"
#include "engine/app/SoundMediaServices.h"
#include "engine/mpeg/MovieMediaServices.h"
#include "engine/services/EngineServices.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/TitleServices.h"
#include "title/controls/TitleSoundTable.h"

namespace {

class FakeMainScreen : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return nullptr; }
  void SetCaption(const VString&, bool, bool) override {}
};

// The title's start-up: the engine's services with the movie library's media
// services, its table of interface sounds and the shell's main screen.
TEST(TitleServicesTest, InstallsTheEnginesServicesAndTheTitlesOwn) {
  FakeMainScreen screen;
  TitleServicesOptions options;
  options.mainScreen = &screen;
  InstallTitleServices(std::move(options));
  EXPECT_EQ(GetAppServices().media, &GetMovieMediaServices());
  EXPECT_EQ(GetMainScreenServices(), &screen);
  EXPECT_EQ(GetSoundManager().GetSoundCount(), static_cast<int32_t>(kTitleSoundTable.size()));

  InstallMainScreenServices(nullptr);
  DestroySoundManager();
  InstallEngineServices();
  EXPECT_EQ(GetAppServices().media, &GetSoundMediaServices());
}

}  // namespace
