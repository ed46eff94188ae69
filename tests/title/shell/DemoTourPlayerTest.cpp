// The demo-tour recorder and player: the file's layout read back by Python's
// struct module, the timing of playback on a stepped clock, empty, cut and
// missing files, the read-only playback, the chain of DemoTour files (names
// without regard to case) and the keys.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/VEvent.h"
#include "platform/Clock.h"
#include "platform/WindowMessage.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "title/shell/DemoTourPlayer.h"

namespace {

using platform::kMsgLButtonDown;
using platform::kMsgLButtonUp;
using platform::kMsgMouseMove;
using platform::kMsgRButtonDown;

// A player whose replayed events are kept, and whose dialogs answer with a
// path set by the test (empty: cancelled).
class TestPlayer : public DemoTourPlayer {
 public:
  TestPlayer() : DemoTourPlayer(nullptr) {}
  struct Played {
    uint16_t kind;
    int32_t x;
    int32_t y;
    uint16_t buttons;
    uint32_t at;
  };
  std::vector<Played> played;
  std::string dialogAnswer;

 protected:
  void Replay(const VMouseEvent& event, uint16_t kind) override {
    played.push_back({kind, event.x, event.y, event.buttons, platform::TickCount()});
  }
  bool ChooseFileToSave(std::string& path) override {
    path = dialogAnswer;
    return !path.empty();
  }
  bool ChooseFileToOpen(std::string& path) override {
    path = dialogAnswer;
    return !path.empty();
  }
};

VMouseEvent Mouse(int32_t x, int32_t y, uint16_t buttons) { return VMouseEvent(VPoint(x, y), 0, buttons, 0); }

std::string Record(uint32_t time, uint16_t kind, int32_t x, int32_t y, uint16_t capture, uint16_t button) {
  std::string bytes(20, '\0');
  const auto put = [&bytes](size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(0, time, 4);
  put(4, kind, 2);
  put(6, static_cast<uint32_t>(x), 4);
  put(10, static_cast<uint32_t>(y), 4);
  put(14, capture, 2);
  put(16, button, 2);
  bytes[18] = '\r';
  bytes[19] = '\n';
  return bytes;
}

const std::string kEnd("\xFF\xFF\xFF\xFF", 4);

class DemoTourPlayerTest : public testsupport::TempDirTest {
 protected:
  DemoTourPlayerTest() : TempDirTest("demo_tour_") {}
  void SetUp() override {
    TempDirTest::SetUp();
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previousFolder_ = here;
    // The chain names files relative to the current folder.
    ASSERT_EQ(chdir(Path("").c_str()), 0);
    clock_.SetTickCount(100000);
    previousClock_ = platform::SetClockSource(&clock_);
  }
  void TearDown() override {
    platform::SetClockSource(previousClock_);
    EXPECT_EQ(chdir(previousFolder_.c_str()), 0);
  }

  // Steps the player every millisecond for `ms` milliseconds.
  void Run(TestPlayer& player, uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) {
      if (player.IsActive()) player.Step(0);
      clock_.AdvanceMilliseconds(1);
    }
  }

  platform::FakeClock clock_;
  platform::ClockSource* previousClock_ = nullptr;
  std::string previousFolder_;
};

// A recording of moves and clicks, read back by Python's struct module:
// 20-byte records "<IHiiHH2s" (time, kind, x, y, capture flag, button code,
// CR LF), then the end marker 0xFFFFFFFF and nothing after it.
TEST_F(DemoTourPlayerTest, RecordingHasTheRecordLayout) {
  REQUIRE_TOOL(python, "python3");
  const std::string path = Path("tour.mse");
  {
    TestPlayer player;
    ASSERT_TRUE(player.StartRecording(path, VPoint(320, 240)));
    clock_.AdvanceMilliseconds(1500);
    player.OnInputEvent(Mouse(612, 230, 0), kMsgMouseMove);
    clock_.AdvanceMilliseconds(150);
    player.OnInputEvent(Mouse(612, 230, kButtonLeft), kMsgLButtonDown);
    clock_.AdvanceMilliseconds(80);
    player.OnInputEvent(Mouse(612, 231, 0), kMsgLButtonUp);
    clock_.AdvanceMilliseconds(10);
    player.OnInputEvent(Mouse(-5, 70000, kButtonRight | kButtonLeft), kMsgRButtonDown);
    // Only the middle button as the last buttons sets the capture flag; the
    // button code of the middle button is 1.
    player.OnInputEvent(Mouse(1, 2, kButtonMiddle), kMsgMouseMove);
    EXPECT_EQ(player.GetState(), DemoTourPlayer::kRecording);
    player.StopRecording();
    EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  }
  const std::string script = Path("read.py");
  testsupport::WriteBytes(script,
                          "import struct, sys\n"
                          "data = open(sys.argv[1], 'rb').read()\n"
                          "at = 0\n"
                          "while True:\n"
                          "    (time,) = struct.unpack_from('<I', data, at)\n"
                          "    if time == 0xFFFFFFFF:\n"
                          "        print('end', len(data) - at - 4)\n"
                          "        break\n"
                          "    t, kind, x, y, capture, button, eol = struct.unpack_from('<IHiiHH2s', data, at)\n"
                          "    assert struct.calcsize('<IHiiHH2s') == 20 and eol == b'\\r\\n'\n"
                          "    print(t - 100000, hex(kind), x, y, capture, button)\n"
                          "    at += 20\n");
  EXPECT_EQ(testsupport::Capture("'" + python + "' '" + script + "' '" + path + "'"),
            "0 0x200 320 240 0 0\n"
            "1500 0x200 612 230 0 0\n"
            "1650 0x201 612 230 0 1\n"
            "1730 0x202 612 231 0 0\n"
            "1740 0x204 -5 70000 0 4\n"
            "1740 0x200 1 2 1 1\n"
            "end 0\n");
}

// An empty recording is the end marker alone, and plays nothing: the first
// step finds the marker instead of reading past it.
TEST_F(DemoTourPlayerTest, AnEmptyRecordingIsTheMarkerAndPlaysNothing) {
  const std::string path = Path("empty.mse");
  TestPlayer player;
  ASSERT_TRUE(player.StartRecording(path));
  player.StopRecording();
  EXPECT_EQ(testsupport::ReadBytes(path), kEnd);
  ASSERT_TRUE(player.StartPlayback(path));
  EXPECT_TRUE(player.IsActive());
  Run(player, 50);
  EXPECT_TRUE(player.played.empty());
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  EXPECT_FALSE(player.IsActive()) << "the task stops at the end";
}

// The first record plays at the first step whatever its time; the others
// keep their recorded spacing, one a step.
TEST_F(DemoTourPlayerTest, PlaybackKeepsTheRecordedSpacing) {
  const std::string path = Path("tour.mse");
  testsupport::WriteBytes(path, Record(5000, kMsgMouseMove, 10, 20, 0, 0) + Record(5300, kMsgLButtonDown, 10, 20, 0, 1) +
                                    Record(5300, kMsgLButtonUp, 11, 21, 0, 0) +
                                    Record(6000, kMsgRButtonDown, 30, 40, 0, 4) + kEnd);
  TestPlayer player;
  ASSERT_TRUE(player.StartPlayback(path));
  const uint32_t start = platform::TickCount();
  Run(player, 1001);
  ASSERT_EQ(player.played.size(), 4u);
  const std::vector<uint32_t> expected = {0, 300, 301, 1000};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(static_cast<double>(player.played[i].at - start), static_cast<double>(expected[i]), 1.0) << i;
  }
  EXPECT_EQ(player.played[1].kind, kMsgLButtonDown);
  EXPECT_EQ(player.played[1].buttons, kButtonLeft);
  EXPECT_EQ(player.played[2].x, 11);
  EXPECT_EQ(player.played[2].y, 21);
  EXPECT_EQ(player.played[3].buttons, kButtonRight);
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  EXPECT_EQ(player.GetRecordCount(), 4u);
}

// Files that end early: the records that are whole play, and the playback
// ends where the next one is cut, without reading past the end or looping.
TEST_F(DemoTourPlayerTest, ShortFilesEndThePlayback) {
  const std::string one = Record(100, kMsgMouseMove, 1, 2, 0, 0);
  const std::string two = Record(150, kMsgLButtonDown, 3, 4, 0, 1);
  struct Case {
    const char* what;
    std::string bytes;
    size_t plays;
  } cases[] = {
      {"nothing at all", "", 0},
      {"part of the marker", "\xFF\xFF", 0},
      {"part of a record", one.substr(0, 7), 0},
      {"a record without the marker", one, 1},
      {"a record and part of another", one + two.substr(0, 19), 1},
      {"two records and part of the marker", one + two + "\xFF", 2},
  };
  for (const Case& c : cases) {
    const std::string path = Path("short.mse");
    testsupport::WriteBytes(path, c.bytes);
    TestPlayer player;
    ASSERT_TRUE(player.StartPlayback(path)) << c.what;
    Run(player, 200);
    EXPECT_EQ(player.played.size(), c.plays) << c.what;
    EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle) << c.what;
    EXPECT_FALSE(player.IsActive()) << c.what;
    EXPECT_EQ(testsupport::ReadBytes(path), c.bytes) << c.what;
  }
}

// A demo-tour file is outside input. The points it replays are held to the
// 640 x 480 screen (a point far outside once overflowed the controls'
// arithmetic), and a record the recorder would not write (another kind,
// capture flag or button code, no CR LF) ends the playback as a cut one does.
TEST_F(DemoTourPlayerTest, PlaybackHoldsPointsToTheScreenAndStopsAtADamagedRecord) {
  {
    const std::string path = Path("far.mse");
    testsupport::WriteBytes(path, Record(1, kMsgMouseMove, INT32_MIN, INT32_MIN, 0, 0) +
                                      Record(2, kMsgLButtonDown, INT32_MAX, 5, 0, 1) +
                                      Record(3, kMsgLButtonUp, 640, 480, 0, 0) + Record(4, kMsgMouseMove, 639, 0, 0, 0) +
                                      Record(5, kMsgRButtonDown, -1, 479, 0, 4) + kEnd);
    TestPlayer player;
    ASSERT_TRUE(player.StartPlayback(path));
    Run(player, 20);
    std::vector<std::pair<int32_t, int32_t>> points;
    for (const TestPlayer::Played& p : player.played) points.emplace_back(p.x, p.y);
    const std::vector<std::pair<int32_t, int32_t>> held = {{0, 0}, {639, 5}, {639, 479}, {639, 0}, {0, 479}};
    EXPECT_EQ(points, held);
  }
  const std::string good = Record(100, kMsgMouseMove, 1, 2, 0, 0);
  const auto damaged = [](size_t at, const std::string& bytes) {
    std::string record = Record(150, kMsgLButtonDown, 3, 4, 0, 1);
    return record.replace(at, bytes.size(), bytes);
  };
  const struct {
    const char* what;
    std::string record;
  } cases[] = {
      {"a kind that is no mouse message", damaged(4, std::string("\x03\x02", 2))},
      {"the middle button's message", damaged(4, std::string("\x07\x02", 2))},
      {"kind 0", damaged(4, std::string("\0\0", 2))},
      {"a capture flag of 2", damaged(14, std::string("\x02\0", 2))},
      {"button code 2", damaged(16, std::string("\x02\0", 2))},
      {"button code 0xFFFF", damaged(16, std::string("\xFF\xFF", 2))},
      {"LF CR", damaged(18, "\n\r")},
      {"no line end", damaged(18, "ab")},
  };
  for (const auto& c : cases) {
    const std::string path = Path("damaged.mse");
    testsupport::WriteBytes(path, good + c.record + good + kEnd);
    TestPlayer player;
    ASSERT_TRUE(player.StartPlayback(path)) << c.what;
    Run(player, 200);
    EXPECT_EQ(player.played.size(), 1u) << c.what;
    EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle) << c.what;
    EXPECT_FALSE(player.IsActive()) << c.what;
  }
}

// Playback reads only: a missing file is refused and not made, and a file
// that is played keeps its bytes and its time of change.
TEST_F(DemoTourPlayerTest, PlaybackNeverWritesOrCreates) {
  TestPlayer player;
  EXPECT_FALSE(player.StartPlayback(Path("missing.mse")));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  EXPECT_FALSE(player.IsActive());
  EXPECT_FALSE(testsupport::FileExists(Path("missing.mse")));

  const std::string path = Path("kept.mse");
  const std::string bytes = Record(1, kMsgMouseMove, 5, 6, 0, 0) + kEnd + "old tail";
  testsupport::WriteBytes(path, bytes);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  ASSERT_TRUE(player.StartPlayback(path));
  Run(player, 20);
  EXPECT_EQ(player.played.size(), 1u) << "the old bytes after the marker do not play";
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(testsupport::ReadBytes(path), bytes);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mode & 0777, 0444u);
}

// Recording over a longer file writes from its start; the old bytes stay
// after the new end marker, and playback stops at the marker.
TEST_F(DemoTourPlayerTest, RecordingOverALongerFileKeepsItsTailBehindTheMarker) {
  const std::string path = Path("tour.mse");
  const std::string old = Record(1, kMsgMouseMove, 1, 1, 0, 0) + Record(2, kMsgMouseMove, 2, 2, 0, 0) +
                          Record(3, kMsgMouseMove, 3, 3, 0, 0) + kEnd;
  testsupport::WriteBytes(path, old);
  TestPlayer player;
  ASSERT_TRUE(player.StartRecording(path));
  player.OnInputEvent(Mouse(7, 8, 0), kMsgMouseMove);
  player.StopRecording();
  const std::string now = testsupport::ReadBytes(path);
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(now.substr(20, 4), kEnd);
  EXPECT_EQ(now.substr(24), old.substr(24));
  ASSERT_TRUE(player.StartPlayback(path));
  Run(player, 20);
  ASSERT_EQ(player.played.size(), 1u);
  EXPECT_EQ(player.played[0].x, 7);
}

// A recording that the program's end cuts short still gets its end marker.
TEST_F(DemoTourPlayerTest, ARecordingEndsWithThePlayer) {
  const std::string path = Path("cut.mse");
  {
    TestPlayer player;
    ASSERT_TRUE(player.StartRecording(path));
    player.OnInputEvent(Mouse(7, 8, 0), kMsgMouseMove);
  }
  const std::string bytes = testsupport::ReadBytes(path);
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(20), kEnd);
}

// What follows the end of a played file, by its name, without regard to
// case: DemoTour1.mse starts over with ./DemoTour1.mse, DemoTour2.mse goes on
// with DemoTour3.mse, anything else ends the chain. The next input event
// starts the next file and still reaches the window.
TEST_F(DemoTourPlayerTest, TheChainFollowsTheNames) {
  struct Case {
    const char* played;
    DemoTourPlayer::State state;
    const char* next;
  } cases[] = {
      {"DemoTour1.mse", DemoTourPlayer::kFirstTourNext, "DemoTour1.mse"},
      {"sub/DEMOTOUR1.MSE", DemoTourPlayer::kFirstTourNext, "DemoTour1.mse"},
      {"DemoTour2.mse", DemoTourPlayer::kNamedTourNext, "DemoTour3.mse"},
      {"sub/demotour2.MSE", DemoTourPlayer::kNamedTourNext, "DemoTour3.mse"},
      {"DemoTour3.mse", DemoTourPlayer::kIdle, ""},
      {"tour.mse", DemoTourPlayer::kIdle, ""},
  };
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  for (const Case& c : cases) {
    testsupport::WriteBytes(Path(c.played), Record(1, kMsgMouseMove, 1, 1, 0, 0) + kEnd);
    TestPlayer player;
    ASSERT_TRUE(player.StartPlayback(c.played)) << c.played;
    Run(player, 5);
    EXPECT_EQ(player.GetState(), c.state) << c.played;
    EXPECT_EQ(player.GetNextFileName(), c.next) << c.played;
    ASSERT_EQ(unlink(Path(c.played).c_str()), 0);
  }

  // The next files, on disk under other cases.
  testsupport::WriteBytes(Path("demotour3.MSE"), Record(1, kMsgMouseMove, 3, 3, 0, 0) + kEnd);
  testsupport::WriteBytes(Path("DEMOTOUR1.mse"), Record(1, kMsgMouseMove, 1, 1, 0, 0) + kEnd);
  testsupport::WriteBytes(Path("DemoTour2.mse"), Record(1, kMsgMouseMove, 2, 2, 0, 0) + kEnd);
  TestPlayer player;
  ASSERT_TRUE(player.StartPlayback("DemoTour2.mse"));
  Run(player, 5);
  ASSERT_EQ(player.GetState(), DemoTourPlayer::kNamedTourNext);
  EXPECT_FALSE(player.OnInputEvent(Mouse(0, 0, 0), kMsgMouseMove)) << "the event that starts it is not swallowed";
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kPlaying);
  Run(player, 5);
  ASSERT_EQ(player.played.size(), 2u);
  EXPECT_EQ(player.played[1].x, 3) << "DemoTour3.mse played";
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);

  ASSERT_TRUE(player.StartPlayback("./DemoTour1.mse"));
  Run(player, 5);
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kFirstTourNext);
  player.OnInputEvent(Mouse(0, 0, 0), kMsgMouseMove);
  Run(player, 5);
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kFirstTourNext) << "DemoTour1.mse starts over";
  EXPECT_EQ(player.played.size(), 4u);
  // F12 waiting for the first tour does nothing but is taken.
  EXPECT_TRUE(player.KeyDown(VKeyEvent(0, DemoTourPlayer::kKeyArm)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kFirstTourNext);
}

// The keys: F12 arms, disarms and stops; armed, R records and P plays the
// file the dialog gives. F1 and F3 (0x70, 0x72) are not P and R: they reach
// the window as before. While a tour plays the window's input is swallowed.
TEST_F(DemoTourPlayerTest, KeysRecordAndPlay) {
  const auto key = [](uint32_t virtualKey) {
    VKeyEvent event(0, virtualKey);
    event.character = 0;
    return event;
  };
  const auto character = [](char c) { return VKeyEvent(static_cast<uint8_t>(c), 0); };
  TestPlayer player;
  EXPECT_FALSE(player.KeyDown(key(DemoTourPlayer::kKeyRecord))) << "not armed";
  EXPECT_FALSE(player.OnInputEvent(Mouse(1, 1, 0), kMsgMouseMove));
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyArm)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kArmed);
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyArm)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);

  // A cancelled dialog goes back to idle.
  player.KeyDown(key(DemoTourPlayer::kKeyArm));
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyRecord)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);

  player.dialogAnswer = Path("keys.mse");
  player.KeyDown(key(DemoTourPlayer::kKeyArm));
  EXPECT_FALSE(player.KeyDown(key(0x70))) << "F1";
  EXPECT_FALSE(player.KeyDown(key(0x72))) << "F3";
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kArmed);
  EXPECT_TRUE(player.KeyDown(character('r')));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kRecording);
  EXPECT_FALSE(player.OnInputEvent(Mouse(4, 5, kButtonLeft), kMsgLButtonDown)) << "recorded, not swallowed";
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyArm)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  EXPECT_EQ(testsupport::ReadBytes(Path("keys.mse")), Record(100000, kMsgLButtonDown, 4, 5, 0, 1) + kEnd);

  player.KeyDown(key(DemoTourPlayer::kKeyArm));
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyPlay)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kPlaying);
  EXPECT_TRUE(player.OnInputEvent(Mouse(9, 9, 0), kMsgMouseMove)) << "swallowed while playing";
  EXPECT_FALSE(player.KeyDown(key(DemoTourPlayer::kKeyPlay)));
  EXPECT_TRUE(player.KeyDown(key(DemoTourPlayer::kKeyArm)));
  EXPECT_EQ(player.GetState(), DemoTourPlayer::kIdle);
  EXPECT_FALSE(player.IsActive());
  EXPECT_TRUE(player.played.empty()) << "stopped before its first step";
}

}  // namespace
