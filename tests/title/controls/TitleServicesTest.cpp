#include <gtest/gtest.h>

#include "engine/app/AppServices.h"
#include "engine/app/SoundMediaServices.h"
#include "engine/mpeg/MovieMediaServices.h"
#include "engine/services/EngineServices.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/TitleServices.h"

namespace {

class FakeMainScreen : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return nullptr; }
  void SetCaption(const VString&, bool, bool) override {}
};

// The title's start-up: the engine's services with the movie library's media
// services and the shell's main screen.
TEST(TitleServicesTest, InstallsTheEnginesServicesAndTheTitlesOwn) {
  FakeMainScreen screen;
  TitleServicesOptions options;
  options.mainScreen = &screen;
  InstallTitleServices(std::move(options));
  EXPECT_EQ(GetAppServices().media, &GetMovieMediaServices());
  EXPECT_EQ(GetMainScreenServices(), &screen);

  InstallMainScreenServices(nullptr);
  InstallEngineServices();
  EXPECT_EQ(GetAppServices().media, &GetSoundMediaServices());
}

}  // namespace
