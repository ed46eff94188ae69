// Decoding a movie (container atoms, then a system stream or a video
// elementary stream) into numbered PPM files, and its sound into a WAVE file.
#include "tools/MovieCommands.h"

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/LayerIIFile.h"
#include "engine/mpeg/MovieContainer.h"
#include "engine/mpeg/PictureRgbRows.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "engine/sound/SoundDecoding.h"
#include "tools/PixelMapPpm.h"
#include "tools/PpmFileWriter.h"
#include "tools/WaveFileWriter.h"

namespace {

// Rows of R, G, B bytes as a 24-bit pixel buffer.
PixelBuffer RgbRows(uint8_t* rows, ptrdiff_t stride, int32_t width, int32_t height) {
  PixelBuffer buffer;
  buffer.pixels = rows;
  buffer.rowBytes = static_cast<int32_t>(stride);
  buffer.width = width;
  buffer.height = height;
  buffer.depth = 24;
  buffer.pixelFormat = kFormatRGB24;
  return buffer;
}

// Removes a file this command wrote (only a plain file: an output given as
// a device or pipe is left alone).
void RemoveWrittenFile(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path.c_str());
}

// Decodes the Layer II sound of the stream into a 16-bit PCM WAVE file.
// False only when the file cannot be written; a sound that cannot be
// decoded costs only the sound: a warning, no file, and the pictures are
// written all the same. `abandoned` tells, once the sound is decoded, that
// the movie turned out unreadable: the file is then not finished but removed.
bool WriteSound(VBitstream& audio, const std::string& path, const std::function<bool()>& abandoned,
                std::ostream& err) {
  // The samples go to the file as they are decoded.
  WaveFileWriter wave(path);
  VAudioEncodingFormat format;
  std::string error;
  bool written = true;
  const bool decoded = DecodeLayerIIStream(
      audio,
      [&](const VAudioEncodingFormat&, const uint8_t* samples, size_t count) {
        return written = wave.Append(samples, count);
      },
      format, error);
  if (written && abandoned()) {
    RemoveWrittenFile(path);
    return true;
  }
  if (!written || (decoded && !wave.Close(format).empty())) {
    err << "ostrevan-tool: cannot write " << path << "\n";
    return false;
  }
  if (!decoded) {
    err << "ostrevan-tool: warning: the movie's sound cannot be decoded (" << error << "); " << path
        << " is not written\n";
  }
  return true;
}

std::string FrameFileName(const std::string& directory, int32_t number) {
  char name[32];
  std::snprintf(name, sizeof(name), "/frame-%05d.ppm", number);
  return directory + name;
}

// At 32 bits (the default) each picture is converted straight into the
// rows of its file's buffer, whole, and written with one call; at 16 bits
// through a pixel map of that depth, whose colours are what is wanted.
int WriteFrames(VideoStreamDecoder& decoder, const std::string& directory, int32_t depth, std::ostream& err) {
  int32_t count = 0;
  PpmFileWriter file;
  while (auto picture = decoder.Next()) {
    const std::string path = FrameFileName(directory, count + 1);
    const int32_t width = picture->width, height = picture->height;
    std::string problem;
    if (depth == 32) {
      if (width < 1 || height < 1 || width > picture->GetLumaWidth() || height > picture->GetLumaHeight()) {
        err << "ostrevan-tool: cannot convert picture " << count + 1 << "\n";
        return -1;
      }
      problem = file.Open(path, width, height, height);
      uint8_t* rows = problem.empty() ? file.NextRows(height) : nullptr;
      if (rows) {
        const auto stride = static_cast<ptrdiff_t>(file.GetRowBytes());
        // An interlaced frame converts one field and interpolates the other.
        const bool converted = picture->progressiveSequence || picture->progressiveFrame
                                   ? ConvertPictureToRgbRows(*picture, width, height, rows, stride)
                                   : picture->ConvertToPixels(RgbRows(rows, stride, width, height), 0, 0, width,
                                                              height);
        if (!converted) {
          err << "ostrevan-tool: cannot convert picture " << count + 1 << "\n";
          return -1;
        }
        problem = file.Close();
      } else if (problem.empty()) {
        problem = file.Close();
      }
    } else {
      PixelMap map(VRect(0, 0, width, height), depth, nullptr);
      if (!map.HasStorage() || !picture->ConvertToPicture(map, VRect(0, 0, width, height))) {
        err << "ostrevan-tool: cannot convert picture " << count + 1 << "\n";
        return -1;
      }
      problem = WritePixelMapPPM(path, map);
    }
    if (!problem.empty()) {
      err << "ostrevan-tool: cannot write " << path << "\n";
      return -1;
    }
    ++count;
  }
  return count;
}

int Frames(const std::string& input, const std::string& directory, int32_t depth, const std::string& audioOut,
           std::ostream& out, std::ostream& err) {
  VFile file(VFileSpec(input.c_str()), 0, 0);
  if (!file.Open(1)) {
    err << "ostrevan-tool: cannot open " << input << "\n";
    return 1;
  }
  SkipMovieAtoms(file);
  const MovieStreamKind kind = LocateMovieStream(file);
  if (kind == MovieStreamKind::kTransportStream) {
    err << "ostrevan-tool: " << input
        << " is an MPEG transport stream; only MPEG-1 system streams and MPEG video streams are read\n";
    return 1;
  }
  if (kind == MovieStreamKind::kUnknown) {
    err << "ostrevan-tool: " << input << " is not an MPEG video stream or MPEG-1 system stream (no sequence header "
        << "or pack header in its first " << kMovieStreamSearchLimit / 1024 << " KiB)\n";
    return 1;
  }
  std::unique_ptr<VBitstream> bitstream;
  std::unique_ptr<SystemStreamSplitter> splitter;
  // Why a system stream gives nothing: refused, or no stream at all.
  auto unreadable = [&](const SystemStreamSplitter& s) {
    err << "ostrevan-tool: " << input
        << (s.IsRefused() ? " is not an MPEG-1 system stream\n" : " holds no audio or video stream\n");
    return 1;
  };
  if (kind == MovieStreamKind::kSystemStream) {
    // Each stream is read as it comes, the sound in a pass of its own before
    // the pictures, so that neither is ever held whole.
    if (!audioOut.empty()) {
      SystemStreamSplitter sound(&file, false);
      std::unique_ptr<VBitstream> audio = sound.OpenStream(SystemStreamSplitter::Kind::kAudio, 65536);
      if (audio == nullptr) {
        if (sound.IsRefused() || sound.GetStreams().empty()) return unreadable(sound);
        err << "ostrevan-tool: the movie holds no audio stream\n";
        return 1;
      }
      if (!WriteSound(*audio, audioOut, [&sound] { return sound.IsRefused(); }, err)) return 1;
      if (sound.IsRefused()) return unreadable(sound);
    }
    splitter = std::make_unique<SystemStreamSplitter>(&file, false);
    bitstream = splitter->OpenStream(SystemStreamSplitter::Kind::kVideo, 32768);
    if (bitstream == nullptr) {
      if (splitter->IsRefused() || splitter->GetStreams().empty()) return unreadable(*splitter);
      if (!audioOut.empty()) {
        out << "0 frames\n";
        return 0;
      }
      err << "ostrevan-tool: " << input << " holds no video stream\n";
      return 1;
    }
  } else {
    if (!audioOut.empty()) {
      err << "ostrevan-tool: " << input << " holds no audio stream\n";
      return 1;
    }
    bitstream = std::make_unique<VBitstream>(&file, 32768, true);
  }
  VideoStreamDecoder decoder(*bitstream);
  if (!decoder.Start()) {
    if (decoder.GetStartError().empty())
      err << "ostrevan-tool: " << input << " is not an MPEG video stream\n";
    else
      err << "ostrevan-tool: " << input << " cannot be decoded: " << decoder.GetStartError() << "\n";
    return 1;
  }
  const int count = WriteFrames(decoder, directory, depth, err);
  if (count < 0) return 1;
  // A pack of another MPEG kind met on the way: the movie is refused as a
  // whole, and the pictures written before it are removed.
  if (splitter && splitter->IsRefused()) {
    for (int i = 1; i <= count; ++i) RemoveWrittenFile(FrameFileName(directory, i));
    return unreadable(*splitter);
  }
  out << count << " frames\n";
  return 0;
}

}  // namespace

int RunMovieCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 3 || args[0] != "frames") return 2;
  int32_t depth = 32;
  std::string audio;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--depth" && i + 1 < args.size() && (args[i + 1] == "16" || args[i + 1] == "32")) {
      depth = args[i + 1] == "16" ? 16 : 32;
      ++i;
    } else if (args[i] == "--audio" && i + 1 < args.size() && !args[i + 1].empty()) {
      audio = args[++i];
    } else {
      return 2;
    }
  }
  return Frames(args[1], args[2], depth, audio, out, err);
}
