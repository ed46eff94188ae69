// The movie library binding: absent by default (start answers false, stop
// does nothing), and with a stand-in binding the load order, the single load
// and the release of the movie library when the component manager is missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/MediaServices.h"
#include "engine/mpeg/MovieLibrary.h"
#include "engine/mpeg/MovieMediaServices.h"

namespace {

class RecordingBinding : public VMovieLibraryBinding {
 public:
  bool present[2] = {true, true};
  std::vector<std::string> calls;
  bool LoadLibrary(int library) override {
    calls.push_back("load" + std::to_string(library));
    return present[library];
  }
  void FreeLibrary(int library) override { calls.push_back("free" + std::to_string(library)); }
  bool HasEntry(int) override { return true; }
  int32_t InitializeComponents() override { return 0; }
  void TerminateComponents() override { calls.push_back("terminate"); }
  void Call(int32_t selector) override { calls.push_back(std::to_string(selector)); }
  uint32_t FileVersion() override { return 0x1234; }
};

struct ScopedBinding {
  explicit ScopedBinding(VMovieLibraryBinding* b) : previous(SetMovieLibraryBinding(b)) {}
  ~ScopedBinding() {
    CloseMovieLibrary();
    SetMovieLibraryBinding(previous);
  }
  VMovieLibraryBinding* previous;
};

TEST(MovieLibraryTest, AbsentLibraryStartsAsFalseAndStopsAsNothing) {
  VMediaServices* previous = SetMediaServices(&GetMovieMediaServices());
  EXPECT_FALSE(StartMovieLibrary());
  EXPECT_FALSE(StartMovieLibrary());
  StopMovieLibrary();
  EXPECT_FALSE(IsMovieLibraryOpen());
  EXPECT_EQ(LoadMovieLibrary(), 1);
  EXPECT_EQ(QueryMovieLibraryVersion(), 0u);
  SetMediaServices(previous);
}

TEST(MovieLibraryTest, PresentLibraryLoadsOnceAndCallsItsSelectorsInOrder) {
  RecordingBinding binding;
  ScopedBinding scope(&binding);
  EXPECT_TRUE(OpenMovieLibrary());
  EXPECT_TRUE(OpenMovieLibrary());
  CloseMovieLibrary();
  CloseMovieLibrary();
  EXPECT_EQ(binding.calls, (std::vector<std::string>{"load0", "load1", "57", "11", "12", "terminate", "free1", "58",
                                                    "free0"}));
  uint32_t version = 0;
  EXPECT_EQ(LoadMovieLibrary(&version), 0);
  EXPECT_EQ(version, 0x1234u);
  UnloadMovieLibrary();
}

TEST(MovieLibraryTest, MissingComponentManagerUnloadsTheMovieLibrary) {
  RecordingBinding binding;
  binding.present[1] = false;
  ScopedBinding scope(&binding);
  EXPECT_FALSE(OpenMovieLibrary());
  EXPECT_FALSE(IsMovieLibraryOpen());
  EXPECT_EQ(binding.calls, (std::vector<std::string>{"load0", "load1", "58", "free0"}));
}

}  // namespace
