#include "launchers/common/Resources.h"

#include <map>

namespace kit {
namespace {

struct BitmapResource {
  std::vector<uint8_t> bytes;
  std::string path;
};

std::map<int32_t, BitmapResource>& Bitmaps() {
  static std::map<int32_t, BitmapResource> bitmaps;
  return bitmaps;
}
std::map<int32_t, uint16_t>& Cursors() {
  static std::map<int32_t, uint16_t> cursors;
  return cursors;
}
std::map<int32_t, std::string>& Strings() {
  static std::map<int32_t, std::string> strings;
  return strings;
}

}  // namespace

void CResources::AddBitmap(int32_t id, std::vector<uint8_t> bytes) { Bitmaps()[id] = BitmapResource{std::move(bytes), {}}; }

void CResources::AddBitmapFile(int32_t id, const std::string& path) { Bitmaps()[id] = BitmapResource{{}, path}; }

bool CResources::LoadBitmap(int32_t id, KitImage& out) {
  out = KitImage{};
  const auto it = Bitmaps().find(id);
  if (it == Bitmaps().end()) return false;
  if (!it->second.path.empty()) return LoadPictureFile(it->second.path, out);
  return DecodePicture(it->second.bytes, out);
}

void CResources::AddCursor(int32_t id, uint16_t systemCursor) { Cursors()[id] = systemCursor; }

uint16_t CResources::CursorOf(int32_t id) {
  const auto it = Cursors().find(id);
  return it == Cursors().end() ? 0 : it->second;
}

void CResources::AddString(int32_t id, const std::string& text) { Strings()[id] = text; }

std::string CResources::LoadString(int32_t id) {
  const auto it = Strings().find(id);
  return it == Strings().end() ? std::string() : it->second;
}

void CResources::Clear() {
  Bitmaps().clear();
  Cursors().clear();
  Strings().clear();
}

}  // namespace kit
