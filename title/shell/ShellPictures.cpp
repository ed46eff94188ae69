#include "title/shell/ShellPictures.h"

#include <optional>

#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VPicture.h"

VPicture* LoadShellPicture(uint16_t id, int32_t depth) {
  if (id == 0) return nullptr;
  std::optional<ScopedLoadPixelFormat> format;
  if (depth != 0) format.emplace(depth);
  auto* picture = new VPicture(id);
  if (picture->Load() != 0 || picture->GetPixelMap() == nullptr) {
    picture->Release();
    return nullptr;
  }
  return picture;
}
