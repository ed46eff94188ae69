#include "title/shell/DemoTourPlayer.h"

#include <algorithm>
#include <cctype>

#include "engine/app/FileDialogs.h"
#include "engine/app/MainWindow.h"
#include "engine/core/ByteFields.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "platform/Clock.h"
#include "platform/WindowMessage.h"
#include "title/shell/TitleRunLog.h"

namespace {

using bytefields::LoadLE16;
using bytefields::LoadLE32;
using bytefields::StoreLE16;
using bytefields::StoreLE32;

constexpr const char* kFirstTour = "./DemoTour1.mse";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The button code of a record: 0 without buttons, 4 with the right one, else 1.
uint16_t ButtonCode(uint16_t buttons) {
  if ((buttons & 7) == 0) return 0;
  return (buttons & kButtonRight) != 0 ? kButtonRight : kButtonLeft;
}

bool IsKey(const VKeyEvent& event, uint32_t virtualKey) {
  // A key-down carries the virtual key; a character message the letter.
  if (event.virtualKey != 0) return event.virtualKey == virtualKey;
  return std::toupper(event.character) == static_cast<int>(virtualKey);
}

}  // namespace

DemoTourPlayer::DemoTourPlayer(MainWindow* owner)
    : VTask(kTaskKind, false, false, false, ::GetTaskManager()), owner_(owner) {
  SetNoStepWanted();
}

DemoTourPlayer::~DemoTourPlayer() {
  if (state_ == kRecording) StopRecording();
  if (state_ == kPlaying && owner_ != nullptr) owner_->EndReplay();
  CloseFile();
}

bool DemoTourPlayer::KeyDown(const VKeyEvent& event) {
  if (event.virtualKey == kKeyArm) {
    switch (state_) {
      case kIdle:
        state_ = kArmed;
        break;
      case kArmed:
      case kNamedTourNext:
        state_ = kIdle;
        break;
      case kRecording:
        StopRecording();
        break;
      case kPlaying:
        NextDemoFile();
        state_ = kIdle;
        break;
      case kFirstTourNext:
        break;
    }
    return true;
  }
  const bool play = IsKey(event, kKeyPlay);
  const bool record = IsKey(event, kKeyRecord);
  if ((!play && !record) || state_ != kArmed) return false;
  std::string path;
  if (play) {
    if (ChooseFileToOpen(path)) {
      StartPlayback(path);
    } else {
      state_ = kIdle;
    }
  } else if (ChooseFileToSave(path)) {
    StartRecording(path);
  } else {
    // A cancelled dialog returns to idle.
    state_ = kIdle;
  }
  return true;
}

bool DemoTourPlayer::OnInputEvent(const VMouseEvent& event, uint16_t kind) {
  switch (state_) {
    case kIdle:
    case kArmed:
      return false;
    case kFirstTourNext:
    case kNamedTourNext:
      StartNextPlayback();
      return false;
    case kRecording: {
      if (!file_) return false;
      uint8_t record[kRecordSize];
      StoreLE32(record, platform::TickCount());
      StoreLE16(record + 4, kind);
      StoreLE32(record + 6, static_cast<uint32_t>(event.x));
      StoreLE32(record + 10, static_cast<uint32_t>(event.y));
      StoreLE16(record + 14, GetLastMouseButtons() == 2 ? 1 : 0);
      StoreLE16(record + 16, ButtonCode(event.buttons));
      record[18] = '\r';
      record[19] = '\n';
      if (file_->Write(record, kRecordSize) != kRecordSize) {
        title_run_log::Write("demo-record-failed " + path_);
        CloseFile();
        state_ = kIdle;
        return false;
      }
      ++records_;
      return false;
    }
    case kPlaying:
      return true;
  }
  return true;
}

bool DemoTourPlayer::StartRecording(const std::string& path, std::optional<VPoint> pointer) {
  CloseFile();
  state_ = kIdle;
  path_ = path;
  records_ = 0;
  VFileSpec spec(path.c_str());
  spec.SetExists(true);
  // Created when missing and never truncated: a longer old recording keeps
  // its tail after the new end marker, where playback stops.
  file_ = std::make_unique<VFile>(spec, kUnknownFileType, kUnknownFileType);
  if (!file_->Open(VFileObject::kReadWrite)) {
    title_run_log::Write("demo-cannot-record " + path);
    CloseFile();
    return false;
  }
  file_->Seek(0, true);
  state_ = kRecording;
  title_run_log::Write("demo-record " + path);
  if (pointer) OnInputEvent(VMouseEvent(*pointer, 0, 0, 0), platform::kMsgMouseMove);
  return state_ == kRecording;
}

void DemoTourPlayer::StopRecording() {
  if (file_) {
    uint8_t marker[4];
    StoreLE32(marker, kEndMarker);
    const bool written = file_->Write(marker, 4) == 4;
    const bool closed = file_->Close();
    title_run_log::Write((written && closed ? "demo-record-end " : "demo-record-failed ") + path_ + " " +
                         std::to_string(records_));
  }
  CloseFile();
  state_ = kIdle;
}

bool DemoTourPlayer::StartPlayback(const std::string& path) {
  CloseFile();
  path_ = path;
  records_ = 0;
  nextTimeRead_ = false;
  VFileSpec spec(path.c_str());
  file_ = std::make_unique<VFile>(spec, kUnknownFileType, kUnknownFileType);
  // Reading only: a missing file is not created, an existing one not touched.
  if (!file_->Open(VFileObject::kRead)) {
    title_run_log::Write("demo-cannot-play " + path);
    CloseFile();
    state_ = kIdle;
    return false;
  }
  state_ = kPlaying;
  title_run_log::Write("demo-play " + path);
  SetStepOnEveryPass();
  SetActive(true);
  return true;
}

void DemoTourPlayer::StartNextPlayback() {
  if (state_ == kFirstTourNext) {
    StartPlayback(kFirstTour);
  } else if (state_ == kNamedTourNext) {
    StartPlayback(nextFileName_);
  }
}

bool DemoTourPlayer::Step(uint32_t /*pass*/) {
  if (state_ != kPlaying || !file_) {
    Stop();
    SetNoStepWanted();
    return true;
  }
  const uint32_t now = platform::TickCount();
  if (!nextTimeRead_) {
    // The first record is due at once, whatever its time.
    nextTime_ = ReadNextTime();
    if (nextTime_ == kEndMarker) {
      NextDemoFile();
      return true;
    }
    timeOffset_ = now - nextTime_;
    nextTimeRead_ = true;
  }
  const uint32_t due = nextTime_ + timeOffset_;
  if (static_cast<int32_t>(now - due) >= 0) {
    PlayRecord();
    nextTime_ = ReadNextTime();
    if (nextTime_ == kEndMarker) {
      NextDemoFile();
      return true;
    }
  }
  SetNextStepTime(nextTime_ + timeOffset_);
  return true;
}

bool DemoTourPlayer::DecodeRecord(const uint8_t* bytes, Record& out) {
  using namespace platform;
  const uint16_t kind = LoadLE16(bytes + 4);
  if (kind != kMsgMouseMove && kind != kMsgLButtonDown && kind != kMsgLButtonUp && kind != kMsgRButtonDown &&
      kind != kMsgRButtonUp) {
    return false;
  }
  const uint16_t capture = LoadLE16(bytes + 14);
  const uint16_t buttons = LoadLE16(bytes + 16);
  if (capture > 1 || (buttons != 0 && buttons != kButtonLeft && buttons != kButtonRight)) return false;
  if (bytes[18] != '\r' || bytes[19] != '\n') return false;
  out.time = LoadLE32(bytes);
  out.kind = kind;
  // Held to the screen: the controls take differences of window points.
  out.point = VPoint(std::clamp(static_cast<int32_t>(LoadLE32(bytes + 6)), 0, kScreenWidth - 1),
                     std::clamp(static_cast<int32_t>(LoadLE32(bytes + 10)), 0, kScreenHeight - 1));
  out.capture = capture;
  out.buttons = buttons;
  return true;
}

uint32_t DemoTourPlayer::ReadNextTime() {
  uint8_t bytes[kRecordSize];
  const int64_t at = file_->GetPosition();
  const int32_t got = file_->Read(bytes, kRecordSize);
  file_->Seek(at, true);
  // A record that is not whole ends the playback as the marker does.
  if (got < kRecordSize) return kEndMarker;
  const uint32_t time = LoadLE32(bytes);
  if (time == kEndMarker) return kEndMarker;
  Record record;
  if (!DecodeRecord(bytes, record)) {
    title_run_log::Write("demo-damaged " + path_ + " " + std::to_string(records_));
    return kEndMarker;
  }
  return time;
}

void DemoTourPlayer::PlayRecord() {
  uint8_t bytes[kRecordSize];
  if (file_->Read(bytes, kRecordSize) != kRecordSize) return;
  Record record;
  if (!DecodeRecord(bytes, record)) return;
  ++records_;
  Replay(VMouseEvent(record.point, record.capture, record.buttons, 0), record.kind);
}

void DemoTourPlayer::NextDemoFile() {
  Stop();
  SetNoStepWanted();
  if (owner_ != nullptr) owner_->EndReplay();
  title_run_log::Write("demo-play-end " + path_ + " " + std::to_string(records_));
  std::string played = path_;
  std::replace(played.begin(), played.end(), '\\', '/');
  played = Lower(played);
  if (played.find("demotour1.mse") != std::string::npos) {
    nextFileName_ = "DemoTour1.mse";
    state_ = kFirstTourNext;
  } else if (played.find("demotour2.mse") != std::string::npos) {
    nextFileName_ = "DemoTour3.mse";
    state_ = kNamedTourNext;
  } else {
    nextFileName_.clear();
    state_ = kIdle;
  }
  CloseFile();
}

void DemoTourPlayer::CloseFile() {
  if (!file_) return;
  file_->Close();
  file_.reset();
}

void DemoTourPlayer::Replay(const VMouseEvent& event, uint16_t kind) {
  if (owner_ != nullptr) owner_->ReplayEvent(event, kind);
}

bool DemoTourPlayer::ChooseFileToSave(std::string& path) {
  if (!chosenPath_.empty()) {
    path = chosenPath_;
    return true;
  }
  VFileSpec spec;
  if (!ShowSaveFileDialog(spec)) return false;
  path = spec.GetPath().GetChars() != nullptr ? spec.GetPath().GetChars() : "";
  return !path.empty();
}

bool DemoTourPlayer::ChooseFileToOpen(std::string& path) {
  if (!chosenPath_.empty()) {
    path = chosenPath_;
    return true;
  }
  VFileSpec spec;
  if (!ShowOpenFileDialog(spec, nullptr, 0)) return false;
  path = spec.GetPath().GetChars() != nullptr ? spec.GetPath().GetChars() : "";
  return !path.empty();
}
