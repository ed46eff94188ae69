// The "sound" commands of ostrevan-tool: decoding a WAVE or raw sound
// through the engine's readers and decoders into a PCM WAVE file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "decode FILE OUT.wav". 0 success, 1 refusal (one line on
// `err`), 2 a command line not understood.
int RunSoundCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
