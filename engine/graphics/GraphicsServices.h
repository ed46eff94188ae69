// The graphics library's record of services installed from above: reading
// picture files (the image readers), picture fonts made from system faces
// (the controls' picture fonts) and the windows' off-screen maps (the window
// layer). The program installs the record once at start (InstallEngineServices
// in engine/services); a use of a service that is not installed is reported
// through ReportMissingService (engine/core/ServiceCheck.h) and then reads
// nothing, makes no font or reaches no window.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/graphics/PictureFileReader.h"

class PixelMap;
class VFont;

// Makes a picture font from a system face (the result joins the font registry).
using PictureFontFactory = std::function<VFont*(const char* name, int32_t size, int32_t style)>;
// Calls `visit` with each window's current off-screen map.
using WindowPixelMapEnumerator = std::function<void(const std::function<void(PixelMap*)>& visit)>;

struct GraphicsServices {
  // Pictures, masks and alpha channels read their files through it.
  PictureFileReadFunction pictureFileReader = nullptr;
  // FindOrCreateFont makes picture fonts through it.
  PictureFontFactory pictureFonts;
  // VColorTable::ApplyToWindows reaches the windows through it.
  WindowPixelMapEnumerator windowPixelMaps;
};

// Installs the whole record (empty fields: that service is absent).
void InstallGraphicsServices(GraphicsServices services);
// The record as installed.
GraphicsServices GetGraphicsServices();

// Replace one service alone (scopes and tests); each returns the previous one.
PictureFileReadFunction SetPictureFileReader(PictureFileReadFunction function);
PictureFontFactory SetPictureFontFactory(PictureFontFactory factory);
WindowPixelMapEnumerator SetWindowPixelMapEnumerator(WindowPixelMapEnumerator enumerator);

// The installed services; an absent one is reported as a missing service
// and the answer is empty.
PictureFileReadFunction GetPictureFileReader();
const PictureFontFactory& GetPictureFontFactory();
const WindowPixelMapEnumerator& GetWindowPixelMapEnumerator();
