// Writes decoded pictures for kelvane-cli: PNG (libpng), PAM, PPM and BMP, chosen by the
// output file's extension. Pixels are 8-bit RGB, or RGBA for pictures with alpha (PNG and
// PAM only; PPM and BMP drop the alpha). Rows are converted and written one at a time.
#pragma once

#include <ostream>
#include <string>

#include "imaging/bitmap.h"

namespace kelvane::cli {

// True when the path's extension names a format writeImage knows.
bool isWritableImagePath(const std::string& path);

// Writes the picture in the format the path's extension names (an unknown one is refused)
// through `sink`, the one stream every byte of the file goes through. Throws
// std::runtime_error ("Cannot create file PATH") when the sink fails.
void writeImage(const Bitmap& picture, const std::string& path, std::ostream& sink);

// Creates the file at `path` and writes the picture into it.
void writeImageFile(const Bitmap& picture, const std::string& path);

}  // namespace kelvane::cli
