// A minimal PNG encoder for pictures the project makes for people to look at:
// the icon preview and the screenshots of the dialogs. Portable; uses zlib.
#pragma once

#include <cstdint>
#include <vector>

// An 8-bit RGB PNG of width x height pixels; rgb holds the rows top-down,
// 3 bytes per pixel. Empty when the sizes do not match or zlib fails.
std::vector<uint8_t> EncodePngRgb(int width, int height, const std::vector<uint8_t>& rgb);
