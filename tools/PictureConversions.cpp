// Builder conversions on top of the graphics library: images to raw images
// (code 10), colour tables to raw colour tables (code 20) and images to raw
// alpha channels (code 30), with cropping to the content and merged numbered
// sequences. Program-wide picture settings changed for a conversion are
// restored when it ends.
#include "tools/PictureConversions.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/archive/BuilderConversions.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/CopyPicturePixels.h"
#include "engine/image/ImageRegistry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/image/RawImageFile.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/SoundBuilderConversion.h"
#include "tools/FontConversions.h"

namespace {

constexpr uint32_t kRawColorTableType = MakeTypeCode("RCX ");

// Flags (P1) of codes 10 and 30.
enum PictureFlags : int32_t {
  kMerge = 1,
  kNoCrop = 2,
  kOriginFile = 4,
  kColorTableOrInvert = 8,
  kKeepAlpha = 16,
  kNoArrange = 32,
};

// Sets the picture loading defaults for a conversion and puts the previous
// ones back at the end.
class ScopedPictureSettings {
 public:
  ScopedPictureSettings(int32_t readerFlags)
      : readerFlags_(VPicture::SetDefaultReaderFlags(readerFlags)),
        loadDepth_(SetLoadPixelFormat(-1)),
        arrange_(GetArrangeBlackAndWhite()) {}
  ~ScopedPictureSettings() {
    VPicture::SetDefaultReaderFlags(readerFlags_);
    SetLoadPixelFormat(loadDepth_);
    SetArrangeBlackAndWhite(arrange_);
  }
  ScopedPictureSettings(const ScopedPictureSettings&) = delete;
  ScopedPictureSettings& operator=(const ScopedPictureSettings&) = delete;

 private:
  int32_t readerFlags_;
  int32_t loadDepth_;
  bool arrange_;
};

// Holds one reference to each picture and releases them at the end.
class PictureList {
 public:
  PictureList() = default;
  PictureList(const PictureList&) = delete;
  PictureList& operator=(const PictureList&) = delete;
  ~PictureList() {
    for (VPicture* p : pictures_) p->Release();
  }
  void Add(VPicture* picture) { pictures_.push_back(picture); }
  // Replaces the picture at index (the old one is released).
  void Replace(size_t index, VPicture* picture) {
    pictures_[index]->Release();
    pictures_[index] = picture;
  }
  VPicture* operator[](size_t index) const { return pictures_[index]; }
  size_t Size() const { return pictures_.size(); }

 private:
  std::vector<VPicture*> pictures_;
};

VString PathText(VFileSpec spec) {
  VString path;
  spec.GetPathWithSlashes(path);
  return path;
}

// The pixel map of a loaded picture, or null (logged) when it could not be read.
PixelMap* LoadedMap(VPicture* picture, ConversionContext& context, const VFileSpec& spec) {
  PixelMap* map = picture->HasLoadFailed() ? nullptr : picture->GetPixelMap();
  if (map == nullptr || !map->HasStorage()) {
    context.log->Text("Build aborted: Couldn't read image file ").Quoted(PathText(spec)).LineEnd();
    return nullptr;
  }
  return map;
}

// Device-independent sections keep their rows bottom first: turn them over so
// the raw writer stores them top first.
bool FlipSection(PixelMap& map) {
  if (!map.IsDibSection()) return false;
  map.FlipVertically();
  map.SetDibSection(false);
  return true;
}

class PictureConversion : public BuilderConversion {
 public:
  bool Convert(ConversionContext& context, BuildRecord& record) override;

 private:
  bool WriteSingle(ConversionContext& context, BuildRecord& record, PictureList& frames);
  bool WriteMerged(ConversionContext& context, BuildRecord& record, PictureList& frames);
  bool WriteOrigins(ConversionContext& context, const std::vector<VPoint>& corners);
  bool WriteRaw(ConversionContext& context, PixelMap& map, int32_t frameSelection, int32_t stacked);

  bool alphaCode_ = false;
  int32_t flags_ = 0;
  int32_t readerFlags_ = 0;
  uint16_t alphaMediaId_ = 0;
  bool crop_ = false;
  PixelMapAttributes attributes_;
};

bool PictureConversion::Convert(ConversionContext& context, BuildRecord& record) {
  const BuildMediaLine& line = *context.line;
  BuildLog& log = *context.log;
  alphaCode_ = line.code == kAlphaChannelCode;
  flags_ = line.Param(1);
  readerFlags_ = 1;
  if ((flags_ & kColorTableOrInvert) != 0 || alphaCode_) readerFlags_ |= 4;
  if ((flags_ & kKeepAlpha) != 0 && !alphaCode_) readerFlags_ |= 2;
  crop_ = (flags_ & kNoCrop) == 0 && (alphaCode_ || (flags_ & kKeepAlpha) == 0);

  // The attribute record: mask bits 4, 1, 2, 8 take their values from P5 on.
  attributes_.Clear();
  alphaMediaId_ = 0;
  if (!alphaCode_) {
    int32_t mask = line.Param(4);
    int next = 5;
    if ((mask & 4) != 0) attributes_.SetLevel(line.Param(next++));
    if ((mask & 1) != 0) attributes_.SetKeyIndex(static_cast<uint8_t>(line.Param(next++)));
    if ((mask & 2) != 0) {
      VRGBColor key(static_cast<uint8_t>(line.Param(next)), static_cast<uint8_t>(line.Param(next + 1)),
                    static_cast<uint8_t>(line.Param(next + 2)));
      attributes_.SetKeyColor(key);
      next += 3;
    }
    if ((mask & 8) != 0) {
      alphaMediaId_ = static_cast<uint16_t>(line.Param(next++));
      if (crop_) log.Line("Warning: the AlphaChannel will not be used for cropping");
    }
  }

  ScopedPictureSettings settings(readerFlags_);
  SetArrangeBlackAndWhite(!alphaCode_ && (flags_ & kNoArrange) == 0);
  auto* first = new VPicture(context.sourceSpec, record.entry.type, readerFlags_, line.Param(2), -4);
  SetArrangeBlackAndWhite(true);
  PictureList frames;
  frames.Add(first);
  PixelMap* map = LoadedMap(first, context, context.sourceSpec);
  if (map == nullptr) return false;
  if (FlipSection(*map)) record.note.Append(" (flipped vertically)");
  if (!alphaCode_ && (flags_ & kKeepAlpha) != 0) {
    VAlphaChannel* own = map->GetAlphaChannel();
    attributes_.SetAlphaChannel(own);
    if (own != nullptr) own->Release();
  }
  first->SetPixelAttributes(attributes_);
  return (flags_ & kMerge) != 0 ? WriteMerged(context, record, frames) : WriteSingle(context, record, frames);
}

bool PictureConversion::WriteRaw(ConversionContext& context, PixelMap& map, int32_t frameSelection,
                                 int32_t stacked) {
  VRawImageWriter writer(context.archive);
  writer.SetAlphaMediaId(alphaMediaId_);
  int32_t depth = context.line->Param(3) > 0 ? context.line->Param(3) : -1;
  if (writer.WriteImage(depth, map, readerFlags_, frameSelection, -1, stacked) != 0) {
    context.log->Text("Build aborted: Couldn't write the raw image of ").Quoted(PathText(context.sourceSpec));
    context.log->LineEnd();
    return false;
  }
  return true;
}

bool PictureConversion::WriteSingle(ConversionContext& context, BuildRecord& record, PictureList& frames) {
  BuildLog& log = *context.log;
  VPicture* picture = frames[0];
  PixelMap* map = picture->GetPixelMap();
  if (crop_) {
    VRect content;
    if (map->FindContentBounds(content) && !(content == map->GetBounds())) {
      if (alphaCode_) {
        log.Text("Warning: the next AlphaChannel is completely transparent outside (").Rect(content).Text(")");
        log.LineEnd();
      } else {
        auto* cropped = new VPicture(VRect(0, 0, content.GetWidth(), content.GetHeight()), map->GetDepth(),
                                     map->PeekColorTable());
        PixelMap* target = cropped->GetPixelMap();
        VRect destination(0, 0, content.GetWidth(), content.GetHeight());
        if (target == nullptr || !CopyPicturePixels(*map, *target, &content, &destination)) {
          cropped->Release();
          log.Text("Build aborted: Couldn't crop the image of ").Quoted(PathText(context.sourceSpec)).LineEnd();
          return false;
        }
        cropped->SetPixelAttributes(attributes_);
        frames.Replace(0, cropped);
        picture = cropped;
        map = target;
        log.Text("Warning: the next image will be cropped to (").Rect(content).Text(")").LineEnd();
      }
    }
  }
  if (alphaCode_) {
    bool invert = (flags_ & kColorTableOrInvert) != 0;
    if (picture->WriteAlphaData(*context.archive, invert, true) != 0) {
      log.Text("Build aborted: Couldn't write the alpha channel of ").Quoted(PathText(context.sourceSpec));
      log.LineEnd();
      return false;
    }
    record.entry.type = MakeTypeCode("RAX ");
    record.note.Append(" (converted");
    if (invert) record.note.Append(" and inverted");
    record.note.Append(" to AlphaChannel) ");
    return true;
  }
  if (!WriteRaw(context, *map, -2, 1)) return false;
  record.entry.type = MakeTypeCode("RIX ");
  if (context.line->Param(3) > 0) {
    record.note.Append("(attempted conversion to ");
    record.note.AppendInteger(context.line->Param(3));
    record.note.Append(" bit color)");
  }
  record.note.Append(" (converted to raw format) ");
  return true;
}

bool PictureConversion::WriteOrigins(ConversionContext& context, const std::vector<VPoint>& corners) {
  BuildLog& log = *context.log;
  std::string source = context.line->source.GetChars();
  size_t dot = source.find_last_of('.');
  size_t sep = source.find_last_of("/\\");
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) source.erase(dot);
  source += ".txt";
  VString scriptPath;
  context.scriptSpec.GetPathWithSlashes(scriptPath);
  std::string folder = scriptPath.GetChars();
  size_t cut = folder.find_last_of('/');
  folder = cut == std::string::npos ? std::string() : folder.substr(0, cut);
  VFileSpec folderSpec(folder.c_str());
  VFileSpec origin = folder.empty() ? VFileSpec(source.c_str()) : VFileSpec(source.c_str(), &folderSpec);
  VString originPath = PathText(origin);
  VString scriptName, originName;
  context.scriptSpec.GetFileName(scriptName);
  origin.GetFileName(originName);
  VString lowerScript(scriptPath), lowerOrigin(originPath);
  lowerScript.ToLower();
  lowerOrigin.ToLower();
  if (lowerScript.Equals(lowerOrigin)) {
    log.Text("Warning: origin file ").Quoted(originPath).Text(" would overwrite script file, no origin file created");
    log.LineEnd();
    return true;
  }
  DeleteFileForSpec(origin);
  VTextFile file(origin, MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
  if (!file.Open(VFileObject::kWrite)) {
    log.Text("Build aborted: Couldn't write origin file ").Quoted(originPath).LineEnd();
    return false;
  }
  for (const VPoint& corner : corners) {
    file.WritePoint(corner);
    file.WriteLineEnd();
  }
  file.Close();
  return true;
}

bool PictureConversion::WriteMerged(ConversionContext& context, BuildRecord& record, PictureList& frames) {
  BuildLog& log = *context.log;
  PixelMap* firstMap = frames[0]->GetPixelMap();
  const int32_t width = firstMap->GetWidth();
  const int32_t height = firstMap->GetHeight();
  VFileSpec next(context.sourceSpec);
  int32_t number = 1;
  while (next.IncrementNumber()) {
    ++number;
    auto* picture = new VPicture(next, record.entry.type, 0, -4, -4);
    frames.Add(picture);
    PixelMap* map = LoadedMap(picture, context, next);
    if (map == nullptr) return false;
    if (alphaCode_) map->SetColorTable(firstMap->PeekColorTable(), false);
    if ((flags_ & kKeepAlpha) == 0 || !attributes_.HasAlphaChannel()) map->SetAttributes(attributes_);
    FlipSection(*map);
    if (map->GetWidth() != width || map->GetHeight() != height) {
      log.Text("Build aborted: Frame ").Number(number).Text(" has a different size.").LineEnd();
      return false;
    }
  }
  const size_t count = frames.Size();
  bool origins = (flags_ & kOriginFile) != 0;
  std::vector<VRect> sources(count, VRect(0, 0, width, height));
  VRect crop(0, 0, width, height);
  std::vector<VPoint> corners(count);
  if (crop_) {
    VRect united;
    for (size_t i = 0; i < count; ++i) {
      VRect content;
      PixelMap* map = frames[i]->GetPixelMap();
      map->FindContentBounds(content);
      if (content.GetWidth() <= 0 || content.GetHeight() <= 0) content = VRect(0, 0, 0, 0);
      sources[i] = content;
      corners[i] = VPoint(content.left, content.top);
      if (origins) {
        united = VRect(0, 0, std::max(united.right, content.GetWidth()), std::max(united.bottom, content.GetHeight()));
      } else if (i == 0) {
        united = content;
      } else {
        united = VRect(std::min(united.left, content.left), std::min(united.top, content.top),
                       std::max(united.right, content.right), std::max(united.bottom, content.bottom));
      }
    }
    crop = united;
    for (size_t i = 0; i < count; ++i) {
      if (origins) {
        sources[i] = VRect(sources[i].left, sources[i].top, sources[i].left + crop.GetWidth(),
                           sources[i].top + crop.GetHeight());
      } else {
        sources[i] = crop;
      }
    }
  }
  VString originPath;
  if (origins) {
    if (!WriteOrigins(context, corners)) return false;
  }
  if (!(crop == VRect(0, 0, width, height))) {
    if (alphaCode_) {
      log.Text("Warning: the next AlphaChannel is completely transparent outside of (").Rect(crop).Text(")");
      log.LineEnd();
    } else {
      log.Text("Warning: the next image sequence will be cropped to (").Rect(crop).Text(")").LineEnd();
      if (origins) {
        std::string source = context.line->source.GetChars();
        size_t dot = source.find_last_of('.');
        if (dot != std::string::npos) source.erase(dot);
        log.Text("         Top-left coordinates for each frame will be output to ").Quoted((source + ".txt").c_str());
        log.LineEnd();
      }
    }
  }
  const int32_t cropWidth = crop.GetWidth();
  const int32_t cropHeight = crop.GetHeight();
  const int64_t totalHeight = int64_t{cropHeight} * static_cast<int64_t>(count);
  if (cropWidth <= 0 || cropHeight <= 0 || totalHeight > 32767) {
    log.Text("Build aborted: the merged sequence of ").Quoted(PathText(context.sourceSpec));
    log.Text(" has no content or is too tall").LineEnd();
    return false;
  }
  auto* merged = new PixelMap(VRect(0, 0, cropWidth, static_cast<int32_t>(totalHeight)), firstMap->GetDepth(),
                              firstMap->PeekColorTable());
  if (!merged->HasStorage()) {
    delete merged;
    log.Text("Build aborted: Couldn't allocate the merged sequence of ").Quoted(PathText(context.sourceSpec));
    log.LineEnd();
    return false;
  }
  merged->ClearPixels();
  VAlphaChannel* mergedAlpha = nullptr;
  if ((flags_ & kKeepAlpha) != 0 && !alphaCode_) {
    mergedAlpha = new VAlphaChannel(merged->GetBounds());
    if (mergedAlpha->GetPixelMap() != nullptr) mergedAlpha->GetPixelMap()->ClearPixels();
  }
  bool missingAlpha = false;
  for (size_t i = 0; i < count; ++i) {
    PixelMap* map = frames[i]->GetPixelMap();
    VRect destination(0, cropHeight * static_cast<int32_t>(i), cropWidth, cropHeight * static_cast<int32_t>(i + 1));
    PixelMapAttributes kept;
    map->GetAttributes(kept);
    map->ClearAttributes();  // the frame's pixels go in as they are
    CopyPicturePixels(*map, *merged, &sources[i], &destination);
    map->SetAttributes(kept);
    if (mergedAlpha != nullptr) {
      VAlphaChannel* own = map->GetAlphaChannel();
      if (own != nullptr && own->GetPixelMap() != nullptr && mergedAlpha->GetPixelMap() != nullptr) {
        CopyPicturePixels(*own->GetPixelMap(), *mergedAlpha->GetPixelMap(), &sources[i], &destination);
      } else {
        missingAlpha = true;
      }
      if (own != nullptr) own->Release();
    }
  }
  merged->ClearAttributes();
  PixelMapAttributes mergedAttributes(attributes_);
  if (mergedAlpha != nullptr) {
    mergedAttributes.SetAlphaChannel(mergedAlpha);
    mergedAlpha->Release();
  }
  merged->SetAttributes(mergedAttributes);
  if (missingAlpha) record.note.Append(" (warning: no alphachannel available in source file)");
  VPicture* picture = frames[0];
  picture->SetPixelMap(merged, true);
  picture->SetFrameCount(static_cast<int32_t>(count));
  if (alphaCode_) {
    if (picture->WriteAlphaData(*context.archive, (flags_ & kColorTableOrInvert) != 0, true) != 0) {
      log.Text("Build aborted: Couldn't write the alpha channel of ").Quoted(PathText(context.sourceSpec));
      log.LineEnd();
      return false;
    }
    record.entry.type = MakeTypeCode("RAX ");
    record.note.Append(" (converted to raw AlphaChannel, merged ");
    record.note.AppendInteger(static_cast<int32_t>(count));
    record.note.Append(" frames)");
    return true;
  }
  if (!WriteRaw(context, *merged, context.line->Param(2), static_cast<int32_t>(count))) return false;
  record.entry.type = MakeTypeCode("RIX ");
  if (context.line->Param(3) > 0) {
    record.note.Append(" (attempted conversion to ");
    record.note.AppendInteger(context.line->Param(3));
    record.note.Append(" bit color)");
  }
  record.note.Append(" (converted to raw image, merged ");
  record.note.AppendInteger(static_cast<int32_t>(count));
  record.note.Append(" frames)");
  return true;
}

class ColorTableConversion : public BuilderConversion {
 public:
  bool Convert(ConversionContext& context, BuildRecord& record) override {
    auto* table = new VColorTable(context.sourceSpec);
    if (!table->IsLoaded()) {
      table->Release();
      context.log->Text("Build aborted: Couldn't read colour table file ").Quoted(PathText(context.sourceSpec));
      context.log->LineEnd();
      return false;
    }
    // The table becomes current and stays so for the rest of the build: later
    // indexed pictures without their own table use it.
    SetCurrentColorTable(table);
    if ((context.line->Param(1) & 1) != 0) {
      table->BuildInverseTable();
      table->GetShadeTable16();
      record.note.Assign(" (created ColorCube and ColorGradient)");
    }
    int32_t result = table->Write(*context.archive, kRawColorTableType);
    table->Release();
    if (result != 0) {
      context.log->Text("Build aborted: Couldn't write the colour table of ").Quoted(PathText(context.sourceSpec));
      context.log->LineEnd();
      return false;
    }
    return true;
  }
};

}  // namespace

void RegisterToolConversions() {
  static PictureConversion image;
  static PictureConversion alpha;
  static ColorTableConversion colorTable;
  static bool registered = false;
  if (registered) return;
  registered = true;
  SetBuilderConversion(kImageCode, &image);
  SetBuilderConversion(kAlphaChannelCode, &alpha);
  SetBuilderConversion(kColorTableCode, &colorTable);
  RegisterSoundBuilderConversion();
  RegisterFontConversions();
}
