#include "tools/SoundCommand.h"

#include <fstream>

#include "engine/sound/SoundDecoding.h"

int RunSoundCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
  if (args.size() != 3 || args[0] != "decode") return 2;
  DecodedSound sound;
  std::string error;
  if (!DecodeSoundFile(args[1], sound, error)) {
    err << "ostrevan-tool: " << args[1] << ": " << error << "\n";
    return 1;
  }
  const std::vector<uint8_t> wave = MakePCMWave(sound);
  std::ofstream file(args[2], std::ios::binary);
  file.write(reinterpret_cast<const char*>(wave.data()), static_cast<std::streamsize>(wave.size()));
  if (!file) {
    err << "ostrevan-tool: cannot write " << args[2] << "\n";
    return 1;
  }
  return 0;
}
