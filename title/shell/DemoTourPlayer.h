// The demo-tour recorder and player: records the main window's mouse input
// with its timing into a demo-tour file and plays such files back into the
// window, one after another (DemoTour1.mse over and over, DemoTour2.mse and
// then DemoTour3.mse).
//
// A demo-tour file is a sequence of 20-byte records, little-endian, ended by
// the 32-bit value 0xFFFFFFFF in place of a record's time:
//
//   offset 0   u32  tick count (milliseconds) when the event came
//          4   u16  event kind: the window message (0x200 move, 0x201/0x202
//                   left down/up, 0x204/0x205 right down/up)
//          6   i32  x, then i32 y, in the window
//         14   u16  1 when the last buttons were the middle button, else 0
//         16   u16  button code: 0 none, 4 right, 1 any other
//         18        CR LF
//
// Keys: F12 arms (and stops a recording or a playback, and disarms); armed,
// R records into a file chosen in the save dialog and P plays one chosen in
// the open dialog. A path given with SetChosenPath stands for the dialogs.
//
// Playback opens the file for reading only: a missing file is reported and
// never created, and an empty, short or cut file ends the playback at the
// end marker or at the first record that is not whole. A demo-tour file is
// outside input: a record of another event kind, capture flag or button
// code, or without its CR LF, ends the playback as a cut one does, and the
// points replayed are held to the title's 640 x 480 screen.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/core/VEvent.h"
#include "engine/core/VTask.h"

class MainWindow;
class VFile;

class DemoTourPlayer : public VTask {
 public:
  // A record as played back.
  struct Record {
    uint32_t time = 0;
    uint16_t kind = 0;
    VPoint point;
    int32_t capture = 0;
    uint16_t buttons = 0;
  };
  enum State : uint16_t {
    kIdle = 0,
    kArmed = 1,
    // The next input event plays "./DemoTour1.mse".
    kFirstTourNext = 2,
    kRecording = 3,
    kPlaying = 4,
    // The next input event plays the file named by GetNextFileName.
    kNamedTourNext = 5,
  };
  static constexpr int32_t kTaskKind = 6;
  static constexpr int32_t kRecordSize = 20;
  static constexpr uint32_t kEndMarker = 0xFFFFFFFFu;
  // Virtual key codes of the keys.
  static constexpr uint32_t kKeyArm = 0x7B;     // F12
  static constexpr uint32_t kKeyPlay = 0x50;    // P
  static constexpr uint32_t kKeyRecord = 0x52;  // R
  // The screen the replayed points are held to (window coordinates).
  static constexpr int32_t kScreenWidth = 640;
  static constexpr int32_t kScreenHeight = 480;

  // Reads a record of kRecordSize bytes: false when it is not one the
  // recorder writes (see above). The point comes back held to the screen.
  static bool DecodeRecord(const uint8_t* bytes, Record& out);

  // Replayed events go to the owner's ReplayEvent (none without an owner).
  // The task joins the current task manager, inactive, idle.
  explicit DemoTourPlayer(MainWindow* owner);
  // Ends a recording with its end marker, so that no recording is left
  // without one; closes the file.
  ~DemoTourPlayer() override;

  // A key press; true when taken (see the table of keys above).
  bool KeyDown(const VKeyEvent& event);
  // A mouse event of the window with its kind; true swallows it (while
  // playing). Records it while recording; starts the next playback of the
  // chain in states 2 and 5.
  bool OnInputEvent(const VMouseEvent& event, uint16_t kind);
  // Plays the due record, at most one a step.
  bool Step(uint32_t pass) override;

  // Recording into the file (created when missing, never truncated: a
  // longer old file keeps its bytes after the new end marker). With a
  // pointer the first record is a move to where the pointer stands now, so
  // that a playback keeps the time from the recording's start to the first
  // input. False, idle, when the file cannot be written.
  bool StartRecording(const std::string& path, std::optional<VPoint> pointer = std::nullopt);
  // Writes the end marker and closes the file; idle.
  void StopRecording();
  // Plays the file from its first record, which plays at once. False, idle,
  // when the file does not open for reading.
  bool StartPlayback(const std::string& path);

  // The path the dialogs stand for; empty: the dialogs are shown.
  void SetChosenPath(std::string path) { chosenPath_ = std::move(path); }
  State GetState() const { return state_; }
  const std::string& GetNextFileName() const { return nextFileName_; }
  // Records written by the recording, played by the playback.
  uint32_t GetRecordCount() const { return records_; }

 protected:
  // The hand-over of a replayed event (the owner's ReplayEvent).
  virtual void Replay(const VMouseEvent& event, uint16_t kind);
  // The file dialogs (the chosen path when one is set): true with the path.
  virtual bool ChooseFileToSave(std::string& path);
  virtual bool ChooseFileToOpen(std::string& path);

 private:
  // Plays the next file of the chain as the state says (2, 5), or the one
  // chosen in the open dialog (4).
  void StartNextPlayback();
  // Reads the next record's time without moving on: the end marker also
  // for a record that is not whole or not well formed.
  uint32_t ReadNextTime();
  void PlayRecord();
  // Ends the playback and chooses what comes next by the played file's name.
  void NextDemoFile();
  void CloseFile();

  MainWindow* owner_;
  std::unique_ptr<VFile> file_;
  std::string path_;
  std::string nextFileName_;
  std::string chosenPath_;
  State state_ = kIdle;
  uint32_t timeOffset_ = 0;
  uint32_t nextTime_ = 0;
  bool nextTimeRead_ = false;
  uint32_t records_ = 0;
};
