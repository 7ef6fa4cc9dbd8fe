// Writes decoded pictures for every caller: PNG (libpng), PAM, PPM and BMP, chosen by the
// output file's extension. Pixels are 8-bit RGB, or RGBA for pictures with alpha (PNG and
// PAM only; PPM and BMP drop the alpha). Rows are converted and written one at a time.
#pragma once

#include <ostream>
#include <string>

#include "imaging/bitmap.h"

namespace kelvane {

class AtomicOutputFile;

// True when the path's extension names a format writeImage knows.
bool isWritableImagePath(const std::string& path);

// Writes the picture in the format the path's extension names (an unknown one is refused)
// through `sink`, the one stream every byte of the file goes through. Throws
// std::runtime_error ("Cannot create file PATH") when the sink fails.
void writeImage(const Bitmap& picture, const std::string& path, std::ostream& sink);

// Writes the picture into `file`, in the format `path`'s extension names, leaving the file to
// be committed by the caller.
void writeImage(const Bitmap& picture, const std::string& path, AtomicOutputFile& file);

// Creates the file at `path` and writes the picture into it.
void writeImageFile(const Bitmap& picture, const std::string& path);

}  // namespace kelvane
