#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/OpacityRatioTable.h"
#include "engine/graphics/VMedia.h"

namespace {

// A medium that records its unloads and its deletion in order.
class RecordingMedia : public VMedia {
 public:
  explicit RecordingMedia(std::vector<std::string>* events) : events_(events) { loaded_ = 1; }
  ~RecordingMedia() override { events_->push_back(IsLoaded() ? "deleted while loaded" : "deleted"); }
  void Unload() override {
    loaded_ = 0;
    events_->push_back("unloaded");
  }

 private:
  std::vector<std::string>* events_;
};

TEST(VMediaLifetime, LastReleaseUnloadsOnceThenDeletes) {
  std::vector<std::string> events;
  auto* media = new RecordingMedia(&events);
  {
    VMediaRef<RecordingMedia> holder = VMediaRef<RecordingMedia>::Share(media);
    EXPECT_EQ(media->GetReferenceCount(), 2);
  }
  EXPECT_EQ(media->GetReferenceCount(), 1);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(media->Release(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"unloaded", "deleted"}));
}

TEST(OpacityRatioTable, BuiltAgainAfterTheLastRelease) {
  OpacityRatioTable* first = AcquireOpacityRatioTable();
  EXPECT_EQ(first->GetReferenceCount(), 1);
  first->Release();
  // The program-wide pointer went with the table: a new one starts at one.
  OpacityRatioTable* second = AcquireOpacityRatioTable();
  EXPECT_EQ(second->GetReferenceCount(), 1);
  ASSERT_NE(second->GetEntries(), nullptr);
  EXPECT_EQ(second->GetRow(10)[20], 8064);
  second->Release();
}

}  // namespace
