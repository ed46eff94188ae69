// The closing panel: the farewell text (TEXT 18226) page by page on the
// right beside a looping animation of the house at dusk (frames 6200-6274)
// with the first music (6005); when the text has ended and the animation has
// finished its cycle, an interlude sound (761, interface archive), then the
// second animation (frames 6300-6374, once) with the second music (6006);
// when the music has ended the program ends. A click or a key skips the rest
// of the text; Escape or Alt+F4 ends the program at once.
//
// Missing media do not hold the sequence up: without an animation the
// second part goes on without pictures, a sound that is missing, cannot be
// played or is not heard within its length is not waited for.
//
// The sounds are reference-counted streams that the mixer thread shares:
// the panel drops its own references (never deletes them), after stopping
// and releasing its channel, and forgets each one as it drops it.
#pragma once

#include <array>
#include <cstdint>

#include "engine/controls/VPanel.h"
#include "title/modules/panels/PanelSteps.h"

class AnimatedPicture;
class MediaAudioStream;
class ResourceTextControl;
class VAudioChannel;

class TextPicturePanel : public VPanel {
 public:
  static constexpr int32_t kBackgroundId = panels::kBackgroundId;
  static constexpr int32_t kTextId = 15020;
  static constexpr uint16_t kTextMedia = 18226;
  static constexpr uint16_t kFirstMusic = 6005;
  static constexpr uint16_t kSecondMusic = 6006;
  static constexpr uint16_t kInterludeSound = 761;
  static constexpr uint16_t kFirstAnimationMedia = 6000;
  static constexpr uint16_t kSecondAnimationMedia = 6001;
  // A sound still "playing" this long after its length has passed (no mixer,
  // no output) is not waited for any longer.
  static constexpr uint32_t kSoundGraceMs = 1000;

  enum State : int32_t {
    kTextRuns = 0,
    kTextEnded = 1,
    kSecondPart = 2,
    kInterlude = 3,
    kSecondAnimation = 4,
    kWaitForMusic = 5,
    kLastFrame = 6,
    kQuit = 7,
  };

  TextPicturePanel() = default;
  ~TextPicturePanel() override;
  TextPicturePanel(const TextPicturePanel&) = delete;
  TextPicturePanel& operator=(const TextPicturePanel&) = delete;

  // The whole screen.
  void Build() override;
  void Enter() override;
  // Stops the sound and drops the streams.
  void Leave() override;
  // Escape or Alt+F4 end the program; any other key skips the text.
  bool KeyDown(const VKeyEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Only while the text runs and only once: the text ends after its page.
  void Skip();
  void NextState() { ++state_; }

  int32_t GetState() const { return state_; }
  bool IsSkipRequested() const { return skipRequested_; }
  AnimatedPicture* GetAnimation() const { return animation_; }
  VAudioChannel* GetChannel() const { return channel_; }
  MediaAudioStream* GetStream(int32_t index) const { return streams_[static_cast<size_t>(index)]; }


 protected:
  // Ends the program (the application's quit).
  virtual void EndApplication();

 private:
  // A stream of the medium in the current archive, read whole, with its
  // repeat value; null when the medium is missing or unreadable.
  static MediaAudioStream* LoadSound(uint16_t mediaId, int32_t repeat);
  // Plays the stream on a new persistent channel (kept in channel_) and
  // notes when it should have ended; nothing for a null stream.
  void Play(MediaAudioStream* stream, uint32_t now);
  void StopChannel();
  void DropStream(int32_t index);
  // Whether the current sound is over: no channel, a channel that has
  // stopped, or one still busy well past the sound's length.
  bool SoundOver(uint32_t now) const;
  void Tick(uint32_t now);
  void Quit();

  AnimatedPicture* animation_ = nullptr;  // a child; goes with the panel
  int32_t state_ = kTextRuns;
  std::array<MediaAudioStream*, 3> streams_ = {nullptr, nullptr, nullptr};  // one reference each
  VAudioChannel* channel_ = nullptr;                                        // one reference
  bool skipRequested_ = false;
  bool quitAsked_ = false;
  uint32_t soundStart_ = 0;
  uint32_t soundLength_ = 0;
};
