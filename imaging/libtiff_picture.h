// TIFF pictures decoded by libtiff: the way in for the files the program's own decoder
// refuses (LZW, Group 4 fax, tiles, 16-bit samples, BigTIFF and the rest libtiff reads).
#pragma once

#include <memory>
#include <string>

#include "imaging/graphic.h"
#include "imaging/image_stream.h"

namespace kelvane {

// The first image of the TIFF file at the stream's position (its offsets count from there),
// as pf32bit blue-green-red-alpha when it holds alpha, else pf24bit; null when libtiff cannot
// read it, or the picture would exceed maxImageBytes(). `firstError`, when given, then
// receives libtiff's first complaint, for diagnostics only. Never throws for a bad file.
std::unique_ptr<Graphic> decodeWithLibtiff(ImageStream& stream, std::string* firstError = nullptr);

}  // namespace kelvane
