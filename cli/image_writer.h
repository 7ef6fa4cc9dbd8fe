// Writes decoded pictures for kelvane-cli: PNG (libpng), PAM, PPM and BMP, chosen by the
// output file's extension. Pixels are 8-bit RGB, or RGBA for pictures with alpha (PNG and
// PAM only; PPM and BMP drop the alpha).
#pragma once

#include <string>

#include "imaging/bitmap.h"

namespace kelvane::cli {

// True when the path's extension names a format writeImage knows.
bool isWritableImagePath(const std::string& path);

// Throws std::runtime_error ("Cannot create file PATH") when the file cannot be written.
void writeImage(const Rgba8Image& image, const std::string& path);

}  // namespace kelvane::cli
