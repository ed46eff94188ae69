// The title's interface sounds: the media id of the archive sound that each
// sound index of the title's screens and panels plays. Several indexes share
// a sound.
#pragma once

#include <array>
#include <cstdint>

class SoundManager;

extern const std::array<uint16_t, 66> kTitleSoundTable;

// Gives the sound manager (made when there is none yet) the title's table and
// returns it. The title's shell calls it at start, where it first asks for
// the manager.
SoundManager& InstallTitleSoundTable();
