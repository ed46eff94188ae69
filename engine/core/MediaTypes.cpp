// The media-type registry table and its look-ups.
#include "engine/core/MediaTypes.h"

#include <cstring>

#include "engine/core/VString.h"

namespace {

struct ExtensionRow {
  const char* extension;
  uint32_t type;
  uint32_t category;
};

// In category order (bits 1, 2, 4, 8, 16, 32), each category in table order.
constexpr ExtensionRow kExtensions[] = {
    {"txt", MakeTypeCode("TEXT"), kTextCategory},
    {"text", MakeTypeCode("TEXT"), kTextCategory},
    {"rix", MakeTypeCode("RIX "), kImageCategory},
    {"xpm", MakeTypeCode(".XPM"), kImageCategory},
    {"xbm", MakeTypeCode(".XBM"), kImageCategory},
    {"pic", MakeTypeCode("PICT"), kImageCategory},
    {"pict", MakeTypeCode("PICT"), kImageCategory},
    {"bmp", MakeTypeCode(".BMP"), kImageCategory},
    {"htm", MakeTypeCode(".HTM"), kImageCategory},
    {"html", MakeTypeCode("HTML"), kImageCategory},
    {"jpg", MakeTypeCode("JPEG"), kImageCategory},
    {"jpeg", MakeTypeCode("JPEG"), kImageCategory},
    {"gif", MakeTypeCode("GIFf"), kImageCategory},
    {"tif", MakeTypeCode("TIFF"), kImageCategory},
    {"tiff", MakeTypeCode("TIFF"), kImageCategory},
    {"tga", MakeTypeCode("TPIC"), kImageCategory},
    {"psd", MakeTypeCode("8BPS"), kImageCategory},
    {"rax", MakeTypeCode("RAX "), kImageCategory},
    {"rcx", MakeTypeCode("RCX "), kColorTableCategory},
    {"snd", MakeTypeCode("sfil"), kSoundCategory},
    {"aif", MakeTypeCode("AIFF"), kSoundCategory},
    {"aiff", MakeTypeCode("AIFF"), kSoundCategory},
    {"wav", MakeTypeCode("WAVE"), kSoundCategory},
    {"wave", MakeTypeCode("WAVE"), kSoundCategory},
    {"rsx", MakeTypeCode("RSX "), kSoundCategory},
    {"mp3", MakeTypeCode("MPG "), kSoundCategory},
    {"mov", MakeTypeCode("MooV"), kMovieCategory},
    {"moov", MakeTypeCode("MooV"), kMovieCategory},
    {"avi", MakeTypeCode("VfW "), kMovieCategory},
    {"mpg", MakeTypeCode("MPG "), kMovieCategory},
    {"mpeg", MakeTypeCode("MPG "), kMovieCategory},
    {"game", MakeTypeCode("GAME"), kOtherCategory},
    {"gam", MakeTypeCode("GAME"), kOtherCategory},
    {"ini", MakeTypeCode("pref"), kOtherCategory},
    {"msf", MakeTypeCode("MSF "), kOtherCategory},
    {"mf", MakeTypeCode("MF  "), kOtherCategory},
    {"ifl", MakeTypeCode("IFL "), kOtherCategory},
};

struct TypeRow {
  uint32_t type;
  const char* extension;  // default extension, null for none
  const char* name;       // display name, null for none
};

constexpr TypeRow kTypes[] = {
    {MakeTypeCode("TEXT"), "txt", "Text file"},
    {MakeTypeCode("RIX "), "rix", "Raw image"},
    {MakeTypeCode(".XPM"), "xpm", "XPM image"},
    {MakeTypeCode(".XBM"), "xbm", "XBM image"},
    {MakeTypeCode("PICT"), "pic", "PICT image"},
    {MakeTypeCode(".BMP"), "bmp", "BMP image"},
    {MakeTypeCode(".HTM"), "htm", "HTML file"},
    {MakeTypeCode("HTML"), "html", "HTML file"},
    {MakeTypeCode("JPEG"), "jpg", "JPEG image"},
    {MakeTypeCode("GIFf"), "gif", "GIF image"},
    {MakeTypeCode("TIFF"), "tif", "TIFF image"},
    {MakeTypeCode("TPIC"), "tga", "Targa image"},
    {MakeTypeCode("8BPS"), "psd", "Photoshop image"},
    {MakeTypeCode("RAX "), "rax", "Raw alpha channel"},
    {MakeTypeCode("RCX "), "rcx", "Raw color table"},
    {MakeTypeCode("sfil"), "snd", "System 7 sound"},
    {MakeTypeCode("AIFF"), "aif", "AIFF sound"},
    {MakeTypeCode("WAVE"), "wav", "WAVE sound"},
    {MakeTypeCode("RSX "), "rsx", "Raw sound"},
    {MakeTypeCode("MPG "), "mpg", "MPEG movie"},
    {MakeTypeCode("MooV"), "mov", "QuickTime movie"},
    {MakeTypeCode("VfW "), "avi", "AVI movie"},
    {MakeTypeCode("GAME"), "game", "Game file"},
    {MakeTypeCode("pref"), nullptr, nullptr},
    {MakeTypeCode("MSF "), "msf", "Devid Uvedud file"},
    {MakeTypeCode("MF  "), "mf", "Media file"},
    {MakeTypeCode("IFL "), "ifl", "File list"},
    {MakeTypeCode("BMP "), "bmp", "BMP image"},
    {MakeTypeCode("RDX "), "rdx", "Raw data file"},
    {MakeTypeCode("RDM "), "rdm", "Raw data file (Mac)"},
    {MakeTypeCode("RDW "), "rdw", "Raw data file (Windows)"},
};

constexpr const char* kCategoryNames[] = {"Text file", "Image file", "Colortable file", "Sound file",
                                          "Movie file"};

const TypeRow* FindType(uint32_t type) {
  for (const TypeRow& row : kTypes) {
    if (row.type == type) return &row;
  }
  return nullptr;
}

}  // namespace

uint32_t FileTypeFromExtension(const char* extension, uint32_t categoryMask) {
  if (extension == nullptr) return kUnknownFileType;
  char lower[8];
  size_t n = std::strlen(extension);
  if (n == 0 || n > 4) return kUnknownFileType;
  for (size_t i = 0; i <= n; ++i) {
    char c = extension[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  for (uint32_t bit = 1; bit <= kOtherCategory; bit <<= 1) {
    if ((categoryMask & bit) == 0) continue;
    for (const ExtensionRow& row : kExtensions) {
      if (row.category == bit && std::strcmp(row.extension, lower) == 0) return row.type;
    }
  }
  return kUnknownFileType;
}

const char* DefaultExtensionForType(uint32_t type) {
  const TypeRow* row = FindType(type);
  return row != nullptr ? row->extension : nullptr;
}

const char* FileTypeDisplayName(uint32_t type) {
  if (type >= 1 && type <= 5) return kCategoryNames[type - 1];
  const TypeRow* row = FindType(type);
  return row != nullptr ? row->name : nullptr;
}

void TypeCodeText(uint32_t type, char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((type >> (8 * i)) & 0xFF);
  out[4] = 0;
}

bool GetExtensionForFileType(uint32_t type, VString& out) {
  const char* text = DefaultExtensionForType(type);
  out.Assign(text);
  return text != nullptr;
}

bool GetFileTypeName(uint32_t type, VString& out) {
  const char* text = FileTypeDisplayName(type);
  out.Assign(text);
  return text != nullptr;
}
