#include "preview/picture_fit.h"

#include <algorithm>
#include <vector>

namespace kelvane {

PictureSize fittedSize(PictureSize picture, PictureSize box) {
    if (picture.width == 0 || picture.height == 0) return {};
    if (picture.width <= box.width && picture.height <= box.height) return picture;
    // The side that limits the scale fills the box; the other follows, rounded.
    const std::uint64_t w = picture.width, h = picture.height;
    PictureSize fitted;
    if (w * box.height >= h * box.width) {
        fitted.width = box.width;
        fitted.height = std::uint32_t((h * box.width + w / 2) / w);
    } else {
        fitted.height = box.height;
        fitted.width = std::uint32_t((w * box.height + h / 2) / h);
    }
    fitted.width = std::clamp<std::uint32_t>(fitted.width, 1, picture.width);
    fitted.height = std::clamp<std::uint32_t>(fitted.height, 1, picture.height);
    return fitted;
}

Rgba8Image fitPicture(const Bitmap& picture, PictureSize box) {
    const PictureSize source{picture.width(), picture.height()};
    const PictureSize target = fittedSize(source, box);
    if (target == source) return picture.toRgba8();
    Rgba8Image fitted;
    fitted.width = target.width;
    fitted.height = target.height;
    fitted.hasAlpha = picture.hasAlpha();
    fitted.pixels.resize(std::size_t(target.width) * target.height * 4);

    // The target column of each source column, and how many source columns each holds.
    std::vector<std::uint32_t> columnOf(source.width);
    std::vector<std::uint32_t> columnWidth(target.width, 0);
    for (std::uint32_t x = 0; x < source.width; ++x) {
        columnOf[x] = std::uint32_t(std::uint64_t(x) * target.width / source.width);
        ++columnWidth[columnOf[x]];
    }
    std::vector<std::uint8_t> row(std::size_t(source.width) * 4);
    std::vector<std::uint64_t> sums(std::size_t(target.width) * 4);
    std::uint32_t y = 0;
    for (std::uint32_t line = 0; line < target.height; ++line) {
        const auto end = std::uint32_t(std::uint64_t(line + 1) * source.height / target.height);
        std::fill(sums.begin(), sums.end(), 0);
        const std::uint32_t rows = end - y;
        for (; y < end; ++y) {
            picture.rowToRgba8(y, row.data());
            const std::uint8_t* pixel = row.data();
            for (std::uint32_t x = 0; x < source.width; ++x, pixel += 4) {
                std::uint64_t* sum = &sums[std::size_t(columnOf[x]) * 4];
                sum[0] += pixel[0];
                sum[1] += pixel[1];
                sum[2] += pixel[2];
                sum[3] += pixel[3];
            }
        }
        std::uint8_t* out = &fitted.pixels[std::size_t(line) * target.width * 4];
        for (std::uint32_t x = 0; x < target.width; ++x) {
            const std::uint64_t count = std::uint64_t(columnWidth[x]) * rows;
            for (int c = 0; c < 4; ++c, ++out)
                *out = std::uint8_t((sums[std::size_t(x) * 4 + c] + count / 2) / count);
        }
    }
    return fitted;
}

}  // namespace kelvane
