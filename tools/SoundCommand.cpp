#include "tools/SoundCommand.h"

#include <fstream>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/sound/SoundDecoding.h"

namespace {

// Whether the file begins like an MPEG audio stream.
bool IsMPEGAudioFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  uint8_t head[4] = {};
  file.read(reinterpret_cast<char*>(head), sizeof head);
  return file.gcount() == sizeof head && LooksLikeLayerII(head, sizeof head);
}

}  // namespace

int RunSoundCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
  if (args.size() != 3 || args[0] != "decode") return 2;
  DecodedSound sound;
  std::string error;
  const bool decoded = IsMPEGAudioFile(args[1]) ? DecodeLayerIIFile(args[1], sound, error)
                                                : DecodeSoundFile(args[1], sound, error);
  if (!decoded) {
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
