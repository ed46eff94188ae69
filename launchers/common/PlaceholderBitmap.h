// Placeholder pictures of the launchers' own resources: 8-bit BMP files of a
// given size, a bevelled panel in shades of one colour (raised, lit or
// pressed), so every button state is told apart without outside files.
#pragma once
#include <cstdint>
#include <vector>

enum class PanelLook : uint8_t { kRaised, kLit, kPressed, kFlat };

// The bytes of a BMP file (8 bits a pixel, 256 shades from black through
// colour to white; colour as 0x00RRGGBB).
std::vector<uint8_t> MakePlaceholderBitmap(int32_t width, int32_t height, uint32_t colour, PanelLook look);

// The bytes of a 24-bit BMP file of top-down pixels 0x00RRGGBB.
std::vector<uint8_t> EncodeBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels);
