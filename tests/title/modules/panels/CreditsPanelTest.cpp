// The opening panel on a fake clock, made through the class factory as the
// main window makes it: three ticks lead to the opening movie; its end or a
// click on the background ask for the main panel (80), Alt+F4 for the
// closing panel (81); a movie that is missing or cannot be decoded goes
// straight on to the main panel. The owner stand-in deletes the panel while
// it takes the request, as the main window does, so a panel that touched
// itself after asking would be caught by the address sanitizer.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "PanelTestSupport.h"
#include "engine/controls/VFactory.h"
#include "engine/core/VEvent.h"
#include "platform/VirtualKeyMap.h"
#include "support/RequireTool.h"
#include "title/controls/AppMovieControl.h"
#include "title/modules/panels/CreditsPanel.h"
#include "title/modules/panels/LanguagePanel.h"
#include "title/modules/panels/TextPicturePanel.h"
#include "title/modules/panels/TitlePanelClasses.h"
#include "title/shell/MuseumApplication.h"

namespace {

enum class Movie { kPlayable, kMissing, kUndecodable };
enum class Action { kNone, kClickBackground, kAltF4 };

struct Case {
  const char* name;
  Movie movie;
  Action action;
  uint32_t asked;         // the owner message that follows
  bool movieRuns;         // the movie runs (state 5) for a while first
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class CreditsPanelTest : public paneltest::PanelFixture, public testing::WithParamInterface<Case> {
 protected:
  void AddMovie(Movie movie) {
    if (movie == Movie::kMissing) return;
    if (movie == Movie::kUndecodable) {
      WriteFile("broken.mpg", std::string(4096, '\x5a'));
      videoLines.push_back("18000 0 " + Quoted("broken.mpg"));
      return;
    }
    REQUIRE_TOOL(ffmpeg, "ffmpeg");
    ASSERT_EQ(Run("'" + ffmpeg + "' -loglevel error -y -f lavfi -i testsrc=size=384x224:rate=25 -f lavfi -i "
                  "sine=frequency=440:sample_rate=44100 -t 1 -c:v mpeg1video -c:a mp2 -b:a 64k -f mpeg '" +
                  Path("opening.mpg") + "'"),
              0);
    videoLines.push_back("18000 0 " + Quoted("opening.mpg"));
  }
};

TEST_P(CreditsPanelTest, MovieThenTheNextPanel) {
  const Case c = GetParam();
  AddMovie(c.movie);
  if (HasFatalFailure() || IsSkipped()) return;
  OpenDisc();
  if (HasFatalFailure() || IsSkipped()) return;
  VFactory factory;
  VFactory* previous = SetDefaultFactory(&factory);
  RegisterTitlePanelClasses();
  auto* panel = dynamic_cast<CreditsPanel*>(
      CreatePanel(MuseumApplication::kCreditsPanelType, MuseumApplication::kOpeningPanelId, owner, false));
  ASSERT_NE(panel, nullptr);
  owner->panel = panel;
  panel->SetVisible(true, false);
  EXPECT_EQ(panel->GetId(), MuseumApplication::kOpeningPanelId);
  ASSERT_NE(panel->FindObject(CreditsPanel::kBackgroundId), nullptr);

  // Three ticks to the movie.
  std::vector<int32_t> states{panel->GetState()};
  for (int i = 0; i < 3; ++i) {
    Pass(10);
    states.push_back(panel->GetState());
  }
  if (c.movieRuns) {
    EXPECT_EQ(states, (std::vector<int32_t>{0, 1, 4, 5}));
    AppMovieControl* movie = panel->GetMovie();
    ASSERT_NE(movie, nullptr);
    EXPECT_TRUE(movie->IsPlaying());
    EXPECT_EQ(movie->GetBounds(), VRect(128, 128, 512, 352));
    for (int i = 0; i < 20; ++i) Pass(20);
    ASSERT_NE(owner->panel, nullptr);
    EXPECT_EQ(panel->GetState(), CreditsPanel::kMovieRuns) << "the movie runs on";
    EXPECT_TRUE(owner->asked.empty());
    if (c.action == Action::kClickBackground) {
      bench->Click(20, 20);
      EXPECT_EQ(panel->GetState(), CreditsPanel::kToMainPanel);
      EXPECT_FALSE(movie->IsPlaying()) << "stopped";
    } else if (c.action == Action::kAltF4) {
      VKeyEvent key(0, platform::kKeyF4);
      key.modifiers = kModifierAlt;
      EXPECT_TRUE(panel->KeyDown(key));
      EXPECT_EQ(panel->GetState(), CreditsPanel::kToClosingPanel);
    }
  }
  if (!c.movieRuns) {
    // No movie to wait for: the main panel is asked for on the next pass.
    Pass(10);
    EXPECT_EQ(owner->panel, nullptr) << "states " << testing::PrintToString(states);
  }
  // The movie's end (or the request) leads on: the owner replaces the panel.
  for (int i = 0; i < 400 && owner->panel != nullptr; ++i) Pass(20);
  EXPECT_EQ(owner->panel, nullptr) << "the panel asked for the next one";
  EXPECT_EQ(owner->asked, (std::vector<uint32_t>{c.asked}));
  SetDefaultFactory(previous);
}

INSTANTIATE_TEST_SUITE_P(
    Movies, CreditsPanelTest,
    testing::Values(Case{"PlaysToTheEnd", Movie::kPlayable, Action::kNone, 80, true},
                    Case{"ClickOnTheBackground", Movie::kPlayable, Action::kClickBackground, 80, true},
                    Case{"AltF4", Movie::kPlayable, Action::kAltF4, 81, true},
                    Case{"MissingMovie", Movie::kMissing, Action::kNone, 80, false},
                    Case{"UndecodableMovie", Movie::kUndecodable, Action::kNone, 80, false}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The registrations: each type makes its panel; registering again adds
// nothing.
TEST(TitlePanelClasses, EachTypeMakesItsPanel) {
  VFactory factory;
  RegisterTitlePanelClasses(&factory);
  RegisterTitlePanelClasses(&factory);
  EXPECT_EQ(factory.GetCount(), 3);
  struct Entry {
    int32_t type;
    bool (*is)(VPropertyHolder*);
  };
  for (const Entry e :
       {Entry{MuseumApplication::kCreditsPanelType,
              [](VPropertyHolder* o) { return dynamic_cast<CreditsPanel*>(o) != nullptr; }},
        Entry{MuseumApplication::kLanguagePanelType,
              [](VPropertyHolder* o) { return dynamic_cast<LanguagePanel*>(o) != nullptr; }},
        Entry{MuseumApplication::kTextPicturePanelType,
              [](VPropertyHolder* o) { return dynamic_cast<TextPicturePanel*>(o) != nullptr; }}}) {
    VFactoryRegistration* record = FindFactoryClass(&factory, e.type);
    ASSERT_NE(record, nullptr) << e.type;
    VPropertyHolder* object = CreateObjectById(&factory, record, nullptr, nullptr);
    EXPECT_TRUE(e.is(object)) << e.type;
    record->GetDestroy()(object, false);
  }
  DestroySoundManager();
}

}  // namespace
