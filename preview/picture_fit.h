#pragma once

#include <cstdint>

#include "imaging/bitmap.h"

namespace kelvane {

struct PictureSize {
    std::uint32_t width = 0, height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The largest size within `box` with the picture's aspect ratio, never larger than the
// picture itself and at least one pixel each way.
PictureSize fittedSize(PictureSize picture, PictureSize box);

// The picture in 8-bit RGBA at fittedSize(), each pixel the average of the block of
// pixels it stands for. The picture is converted row by row: no full-size copy is made.
Rgba8Image fitPicture(const Bitmap& picture, PictureSize box);

}  // namespace kelvane
