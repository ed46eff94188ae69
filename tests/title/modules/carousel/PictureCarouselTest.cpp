// The picture carousel: the ring's perspective against an independent model,
// the pointer zones turning it (with the time step held to 10..1000 ms), the
// front picture selected and cleared, a click freezing the ring, a turn by
// itself to a target with the selection held until it stands, and the
// pictures of places without their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>
#include <sstream>
#include <string>
#include <vector>

#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VPicture.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "title/modules/carousel/CarouselSlotControl.h"
#include "title/modules/carousel/CarouselTestSupport.h"
#include "title/shell/IndexEntryList.h"
#include "title/modules/carousel/PictureCarousel.h"

namespace {

using carouseltest::CarouselFixture;

constexpr double kStep = PictureCarousel::kStep;

struct ModelPlace {
  int angleIndex, place, left, top, width, height, layer;
};

std::vector<ModelPlace> RunModel(const std::string& python, const std::vector<double>& angles) {
  std::string command = "'" + python + "' '" + OSTREVAN_SOURCE_DIR +
                        "/tests/title/modules/carousel/carousel_ring_model.py' -45 210 110";
  for (double a : angles) {
    std::ostringstream s;
    s.precision(17);
    s << ' ' << a;
    command += s.str();
  }
  std::istringstream out(testsupport::Capture(command));
  std::vector<ModelPlace> places;
  ModelPlace p{};
  while (out >> p.angleIndex >> p.place >> p.left >> p.top >> p.width >> p.height >> p.layer) places.push_back(p);
  return places;
}

class PictureCarouselTest : public CarouselFixture {
 protected:
  PictureCarousel* Make(const IndexEntryList* entries) {
    auto* carousel = new PictureCarousel(14867, 0, 0, 1, entries, bench->recorder);
    carousel->SetVisibleCount(20);
    return carousel;
  }
};

TEST_F(PictureCarouselTest, RingPlacesMatchTheModelAtEveryAngle) {
  REQUIRE_TOOL(python, "python3");
  Open();
  const std::vector<double> angles = {0.0, 0.05, 0.1, kStep / 2, kStep - 1e-9, kStep};
  const std::vector<ModelPlace> model = RunModel(python, angles);
  ASSERT_EQ(model.size(), angles.size() * 20);
  PictureCarousel* carousel = Make(nullptr);
  for (const ModelPlace& m : model) {
    const double angle = angles[static_cast<size_t>(m.angleIndex)];
    SCOPED_TRACE("angle " + std::to_string(angle) + " place " + std::to_string(m.place));
    const PictureCarousel::Place p = PictureCarousel::ProjectPlace(m.place, angle, -45, 210, 110);
    EXPECT_EQ(p.left, m.left);
    EXPECT_EQ(p.top, m.top);
    EXPECT_EQ(p.width, m.width);
    EXPECT_EQ(p.height, m.height);
    EXPECT_EQ(1000 - static_cast<int>(p.depth), m.layer);
    // The slot controls stand where the model puts them; with nothing
    // selected the front place covers every other.
    carousel->SetAngle(angle);
    carousel->Layout(false);
    const CarouselSlotControl* slot = carousel->GetPlaceSlot(m.place);
    const VRect& b = slot->GetBounds();
    EXPECT_EQ(b.left, m.left);
    EXPECT_EQ(b.top, m.top);
    EXPECT_EQ(b.GetWidth(), m.width);
    EXPECT_EQ(b.GetHeight(), m.height);
    EXPECT_EQ(slot->GetLayer(), m.place == PictureCarousel::kFrontPlace ? 1000 : m.layer);
    EXPECT_TRUE(slot->IsVisible());
  }
  // The front is the nearest and largest, the back the farthest.
  const ModelPlace& front = model[10];
  const ModelPlace& back = model[0];
  EXPECT_EQ(front.width, 66);
  EXPECT_EQ(front.height, 50);
  EXPECT_EQ(front.layer, 745);
  EXPECT_EQ(back.width, 49);
  EXPECT_EQ(back.height, 37);
  EXPECT_EQ(back.layer, 656);
}

TEST_F(PictureCarouselTest, VisibleCountHidesTheLaterPlaces) {
  Open();
  PictureCarousel* carousel = Make(nullptr);
  carousel->SetVisibleCount(7);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(carousel->GetPlaceSlot(i)->IsVisible(), i < 7) << i;
}

TEST_F(PictureCarouselTest, PointerZonesTurnTheRingFasterNearTheEdges) {
  Open();
  PictureCarousel* carousel = Make(nullptr);
  // Time moves only where the test moves it.
  bench->clock().SetStepPerRead(0);
  const int32_t zoneY = (carousel->GetLeftZone().top + carousel->GetLeftZone().bottom) / 2;
  struct Case {
    const char* what;
    int x;
    uint32_t ms;
    double turn;  // expected angle change, + forwards
  };
  const std::vector<Case> cases = {
      {"left zone at x 20, 100 ms", 20, 100, -0.1 * 0.8},
      {"left zone at x 0, 100 ms", 0, 100, -0.1},
      {"left zone inner edge: no turn", 100, 100, 0.0},
      {"right zone at x 380, 100 ms", 380, 100, 0.1 * 0.8},
      {"right zone at x 350, 200 ms", 350, 200, 0.2 * 0.5},
      {"two steps in one millisecond count as 10 ms", 400, 0, 0.01},
      {"a pause of 5 s counts as 1 s", 400, 5000, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bench->Move(500, 450);  // outside: prime the step's clock
    bench->clock().AdvanceMilliseconds(20);
    bench->Idle();
    bench->Move(c.x, zoneY);
    const double before = carousel->GetOffset() * -kStep + carousel->GetAngle();
    bench->clock().AdvanceMilliseconds(c.ms);
    bench->Idle();
    // The ring's turn as one number: the angle less a step per offset.
    double after = carousel->GetOffset() * -kStep + carousel->GetAngle();
    double turned = after - before;
    while (turned > M_PI) turned -= 2 * PictureCarousel::kPi;
    while (turned < -M_PI) turned += 2 * PictureCarousel::kPi;
    EXPECT_NEAR(turned, c.turn, 1e-6);
    EXPECT_GE(carousel->GetAngle(), 0.0);
    EXPECT_LE(carousel->GetAngle(), kStep + 1e-9);
  }
}

// Every zone holds its right and bottom edges: the pointer there turns the
// ring, selects the front picture or clears the selection; one pixel beyond
// it does not.
TEST_F(PictureCarouselTest, ZonesHoldTheirRightAndBottomEdges) {
  Open();
  PictureCarousel* carousel = Make(nullptr);
  const VRect left = carousel->GetLeftZone();
  const VRect right = carousel->GetRightZone();
  ASSERT_LT(left.bottom, 379) << "the zones end with the ring's pictures";
  struct Case {
    const char* what;
    int x, y;
    bool selectFirst;  // the front picture selected before
    bool turns, selects, clears;
  };
  const std::vector<Case> cases = {
      {"left zone, bottom edge", 0, left.bottom, false, true, false, false},
      {"below the left zone", 0, left.bottom + 1, false, false, false, false},
      {"left zone, top edge", 0, left.top, false, true, false, false},
      {"right zone, bottom right corner", 400, right.bottom, false, true, false, false},
      {"centre zone, bottom right corner", 252, 105, false, false, true, false},
      {"centre zone, top left corner", 167, 41, false, false, true, false},
      {"right of the centre zone", 253, 105, false, false, false, false},
      {"below the centre zone", 252, 106, false, false, false, false},
      {"the ring's bottom right corner", 400, 379, true, false, false, true},
      {"right of the ring", 401, 379, true, false, false, false},
      {"below the ring", 400, 380, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bench->Move(600, 450);
    RunFor(40);
    carousel->SelectItem(-1, true, false);
    carousel->SetAngle(0);
    if (c.selectFirst) carousel->SelectItem(PictureCarousel::kFrontPlace, false, false);
    bench->log.clear();
    const int offset = carousel->GetOffset();
    bench->Move(c.x, c.y);
    RunFor(40);
    const bool turned = carousel->GetOffset() != offset || carousel->GetAngle() != 0.0;
    EXPECT_EQ(turned, c.turns);
    EXPECT_EQ(!Logged(142).empty(), c.selects);
    EXPECT_EQ(!Logged(143).empty(), c.clears);
    EXPECT_EQ(carousel->GetSelectedItem() >= 0, c.selects || (c.selectFirst && !c.clears));
  }
}

// A turning ring draws every place from scaled copies of its picture: the
// front place always shows its own item's picture; each slot keeps no more
// copies than the sizes a place takes round the ring, and once the ring has
// gone round, the copies made on the way serve the next turn.
TEST_F(PictureCarouselTest, TurningDrawsThePicturesFromCopiesMadeOnce) {
  using carouseltest::kEvenColour;
  using carouseltest::kOddColour;
  Open();
  // The pictures at the depth of the window's map, as the title loads them.
  PictureCarousel* carousel = nullptr;
  {
    const ScopedLoadPixelFormat depth(16);
    carousel = Make(nullptr);
  }
  std::set<std::pair<int, int>> sizes;
  for (int k = 0; k < 20000; ++k) {
    const double angle = k * 2 * PictureCarousel::kPi / 20000;
    const PictureCarousel::Place p = PictureCarousel::ProjectPlace(0, angle, -45, 210, 110);
    sizes.insert({p.width, p.height});
  }
  bench->Move(395, (carousel->GetRightZone().top + carousel->GetRightZone().bottom) / 2);
  const auto near = [](uint32_t got, uint32_t want) {
    for (int shift : {16, 8, 0}) {
      if (std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 8) {
        return false;
      }
    }
    return true;
  };
  const auto copies = [&] {
    size_t total = 0;
    for (int i = 0; i < PictureCarousel::kRingSize; ++i) {
      EXPECT_LE(carousel->GetSlot(i)->GetScaledCopyCount(), sizes.size()) << "slot " << i;
      total += carousel->GetSlot(i)->GetScaledCopyCount();
    }
    return total;
  };
  // Each turn somewhat more than once round at 0.95 radians a second.
  std::vector<size_t> made;
  for (int turn = 0; turn < 2; ++turn) {
    const size_t before = copies();
    for (int pass = 0; pass < 180; ++pass) {
      bench->clock().AdvanceMilliseconds(40);
      bench->Idle();
      bench->Redraw();
      const VRect& front = carousel->GetPlaceSlot(PictureCarousel::kFrontPlace)->GetBounds();
      const int item = (carousel->GetOffset() + PictureCarousel::kFrontPlace) % PictureCarousel::kRingSize;
      const uint32_t shown = bench->PixelAt((front.left + front.right) / 2, (front.top + front.bottom) / 2);
      ASSERT_TRUE(near(shown, item % 2 == 0 ? kEvenColour : kOddColour))
          << "turn " << turn << " pass " << pass << " item " << item << std::hex << " colour " << shown;
    }
    made.push_back(copies() - before);
  }
  EXPECT_GT(made[0], 20u * sizes.size() / 2);
  EXPECT_LT(made[1] * 10, made[0]) << "the second turn draws from the copies of the first";
}

TEST_F(PictureCarouselTest, FrontPictureSelectedClickedAndCleared) {
  Open();
  PictureCarousel* carousel = Make(nullptr);
  bench->Move(320, 20);
  RunFor(40);
  carousel->SetAngle(0.2);
  // The centre zone snaps the angle to 0 and selects the front item.
  bench->Move(210, 70);
  RunFor(40);
  EXPECT_EQ(carousel->GetAngle(), 0.0);
  EXPECT_EQ(carousel->GetSelectedItem(), 10);
  EXPECT_EQ(Logged(142), std::vector<std::string>{"142 10"});
  CarouselSlotControl* front = carousel->GetSlot(10);
  EXPECT_EQ(front->PeekPicture()->GetMediaId(), 3021);
  EXPECT_TRUE(front->HasHandCursor());
  // Lit: at the picture's own size, 10 up and to the left, in front.
  const PictureCarousel::Place p = PictureCarousel::ProjectPlace(10, 0, -45, 210, 110);
  EXPECT_EQ(front->GetBounds(), VRect(p.left - 10, p.top - 10, p.left - 10 + 76, p.top - 10 + 60));
  EXPECT_EQ(front->GetLayer(), 1000);
  // Entering the zone again does nothing more.
  bench->Move(215, 72);
  RunFor(40);
  EXPECT_EQ(Logged(142).size(), 1u);

  // A click on the selected picture freezes the ring: the zones do nothing.
  bench->Click(front->GetBounds().left + 30, front->GetBounds().top + 30);
  EXPECT_EQ(Logged(144), std::vector<std::string>{"144 10"});
  EXPECT_TRUE(carousel->IsFrozen());
  bench->Move(10, (carousel->GetLeftZone().top + carousel->GetLeftZone().bottom) / 2);
  RunFor(200);
  EXPECT_EQ(carousel->GetAngle(), 0.0);
  EXPECT_EQ(carousel->GetSelectedItem(), 10);
  bench->Move(front->GetBounds().left + 30, front->GetBounds().top + 30);
  bench->Click(front->GetBounds().left + 30, front->GetBounds().top + 30);
  EXPECT_FALSE(carousel->IsFrozen());

  // A pointer outside the ring's rectangle keeps the selection; over the
  // ring outside the zones clears it.
  bench->Move(500, 300);
  RunFor(100);
  EXPECT_EQ(carousel->GetSelectedItem(), 10);
  bench->Move(200, 330);
  RunFor(40);
  EXPECT_EQ(carousel->GetSelectedItem(), -1);
  EXPECT_EQ(Logged(143), std::vector<std::string>{"143 -1"});
  EXPECT_EQ(front->PeekPicture()->GetMediaId(), 3020);
  EXPECT_FALSE(front->HasHandCursor());
}

TEST_F(PictureCarouselTest, TurnsToTheTargetAndSelectsWhatWasAskedMeanwhile) {
  Open();
  struct Case {
    int target;
    int startOffset;
  };
  for (const Case c : std::vector<Case>{{3, 0}, {17, 0}, {10, 0}, {0, 5}, {19, 12}}) {
    SCOPED_TRACE("target " + std::to_string(c.target));
    bench->log.clear();
    PictureCarousel* carousel = Make(nullptr);
    bench->Move(600, 450);  // off the ring
    RunFor(40);
    // Bring the ring to the start offset through its own turning.
    carousel->StopAtItem((c.startOffset + 10) % 20);
    ASSERT_TRUE(RunUntil([&] { return carousel->GetOffset() == c.startOffset && carousel->GetAngle() == 0; }));
    RunFor(40);
    ASSERT_FALSE(carousel->IsStoppingAtSlot());
    bench->log.clear();
    carousel->StopAtItem(c.target);
    carousel->SelectItem(c.target, false, true);
    EXPECT_EQ(carousel->GetPendingItem(), c.target);
    EXPECT_EQ(carousel->GetSelectedItem(), -1);
    ASSERT_TRUE(RunUntil([&] { return !Logged(141).empty(); }));
    EXPECT_EQ(Logged(141), std::vector<std::string>{"141 14867"});
    EXPECT_EQ(carousel->GetOffset(), (c.target + 10) % 20);
    EXPECT_EQ(carousel->GetAngle(), 0.0);
    EXPECT_EQ(carousel->GetSelectedItem(), c.target);
    EXPECT_EQ(carousel->GetPendingItem(), -1);
    EXPECT_EQ(carousel->GetPlaceSlot(10), carousel->GetSlot(c.target));
    // The shorter way round: never more than half the ring.
    delete carousel;
  }
}

TEST_F(PictureCarouselTest, PlacesWithoutPicturesTakeTheDefaultPairs) {
  // Bubble 7 has no cards; bubble 3 has them; the index lists three places.
  Open();
  IndexEntryList entries(IndexEntryList::kIndexMediaId);
  ASSERT_EQ(entries.GetCount(), 3);
  PictureCarousel* carousel = Make(&entries);
  EXPECT_EQ(carousel->GetSlot(0)->PeekPicture()->GetMediaId(), 18403);
  EXPECT_EQ(carousel->GetSlot(1)->PeekPicture()->GetMediaId(), 3010);
  EXPECT_EQ(carousel->GetSlot(2)->PeekPicture()->GetMediaId(), 18603);
  for (int i = 3; i < 20; ++i) {
    EXPECT_EQ(carousel->GetSlot(i)->PeekPicture()->GetMediaId(), i % 2 == 0 ? 3020 : 3010) << i;
  }
  carousel->SelectItem(2, false, false);
  EXPECT_EQ(carousel->GetSlot(2)->PeekPicture()->GetMediaId(), 18605);
  // Items beyond the ring are not selected.
  carousel->SelectItem(25, false, false);
  EXPECT_EQ(carousel->GetSelectedItem(), 2);
}

TEST_F(PictureCarouselTest, WithoutAnyPictureTheRingStillTurns) {
  withInterfacePictures = false;
  index.clear();
  Open();
  PictureCarousel* carousel = Make(nullptr);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(carousel->GetSlot(i)->PeekPicture(), nullptr);
  bench->Move(5, 60);
  RunFor(2000, 40);
  bench->Move(210, 70);
  RunFor(100);
  bench->Move(200, 330);
  RunFor(100);
  carousel->StopAtItem(4);
  carousel->SelectItem(4, false, false);
  bench->Move(600, 450);
  EXPECT_TRUE(RunUntil([&] { return carousel->GetSelectedItem() == 4; }));
}

}  // namespace
