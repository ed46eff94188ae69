#include "engine/graphics/GraphicsServices.h"

#include <atomic>
#include <utility>

#include "engine/core/ServiceCheck.h"

namespace {

// Pictures are read on worker threads too: the reader is read atomically.
std::atomic<PictureFileReadFunction> gPictureFileReader{nullptr};

PictureFontFactory& FontFactory() {
  static PictureFontFactory factory;
  return factory;
}

WindowPixelMapEnumerator& WindowEnumerator() {
  static WindowPixelMapEnumerator enumerator;
  return enumerator;
}

}  // namespace

void InstallGraphicsServices(GraphicsServices services) {
  gPictureFileReader.store(services.pictureFileReader);
  FontFactory() = std::move(services.pictureFonts);
  WindowEnumerator() = std::move(services.windowPixelMaps);
}

GraphicsServices GetGraphicsServices() {
  GraphicsServices services;
  services.pictureFileReader = gPictureFileReader.load();
  services.pictureFonts = FontFactory();
  services.windowPixelMaps = WindowEnumerator();
  return services;
}

PictureFileReadFunction SetPictureFileReader(PictureFileReadFunction function) {
  return gPictureFileReader.exchange(function);
}

PictureFontFactory SetPictureFontFactory(PictureFontFactory factory) {
  return std::exchange(FontFactory(), std::move(factory));
}

WindowPixelMapEnumerator SetWindowPixelMapEnumerator(WindowPixelMapEnumerator enumerator) {
  return std::exchange(WindowEnumerator(), std::move(enumerator));
}

PictureFileReadFunction GetPictureFileReader() {
  const PictureFileReadFunction reader = gPictureFileReader.load();
  if (reader == nullptr) ReportMissingService("picture file reader");
  return reader;
}

const PictureFontFactory& GetPictureFontFactory() {
  const PictureFontFactory& factory = FontFactory();
  if (!factory) ReportMissingService("picture fonts");
  return factory;
}

const WindowPixelMapEnumerator& GetWindowPixelMapEnumerator() {
  const WindowPixelMapEnumerator& enumerator = WindowEnumerator();
  if (!enumerator) ReportMissingService("window pixel maps");
  return enumerator;
}
