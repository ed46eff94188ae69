// The autorun menu's own resources: placeholder bitmaps of the sizes its
// dialogs are laid out for (normal, under the pointer and pressed looks of
// each button), the hand cursor and the about item's text.
#pragma once
#include <cstdint>
#include <vector>

// The bitmap ids with their size in pixels.
struct AutorunBitmapSize {
  int32_t id;
  int32_t width;
  int32_t height;
};
std::vector<AutorunBitmapSize> AutorunBitmapSizes();

void RegisterAutorunResources();
