// Pixel maps written as binary PPM files: the tools' one picture output.
#pragma once

#include <cstdint>
#include <string>

#include "engine/graphics/PixelMap.h"

// Writes the top-left `width` x `height` pixels of the map (any depth the
// engine draws in; 8-bit maps need their colour table) as binary PPM, each
// row converted from the map's memory. "" on success, else why not.
std::string WritePixelMapPPM(const std::string& path, PixelMap& map, int32_t width, int32_t height);
// The whole map.
std::string WritePixelMapPPM(const std::string& path, PixelMap& map);
