#include "preview/picture_fit.h"

#include <algorithm>
#include <stdexcept>

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
    if (fittedSize(source, box) == source) return picture.toRgba8();
    PictureReducer reducer(box);
    reducer.start(source);
    for (std::uint32_t y = 0; y < source.height; ++y)
        reducer.takeRow(picture, y, picture.scanLine(y));
    return reducer.finish(picture);
}

void PictureReducer::start(PictureSize own) {
    own_ = own;
    laidOut_ = false;
}

// Target column c holds the source columns x with x * target / source == c; target row l
// holds the source rows from l * source / target (rounded down) to the next row's first.
void PictureReducer::layOut(const Bitmap& picture) {
    const PictureSize source{picture.width(), picture.height()};
    target_ = fittedSize(own_, box_);
    target_.width = std::min(target_.width, source.width);
    target_.height = std::min(target_.height, source.height);
    columnStart_.resize(target_.width + 1);
    for (std::uint32_t c = 0; c <= target_.width; ++c)
        columnStart_[c] =
            std::uint32_t((std::uint64_t(c) * source.width + target_.width - 1) / target_.width);
    lineStart_.resize(target_.height + 1);
    lineOf_.resize(source.height);
    rowsLeft_.resize(target_.height);
    for (std::uint32_t line = 0; line <= target_.height; ++line)
        lineStart_[line] = std::uint32_t(std::uint64_t(line) * source.height / target_.height);
    for (std::uint32_t line = 0; line < target_.height; ++line) {
        rowsLeft_[line] = lineStart_[line + 1] - lineStart_[line];
        std::fill(lineOf_.begin() + lineStart_[line], lineOf_.begin() + lineStart_[line + 1], line);
    }
    sums_.assign(target_.height, {});
    seen_.assign(source.height, false);
    rgba_.resize(std::size_t(source.width) * 4);
    rowSums_.resize(std::size_t(target_.width) * 4);
    reduced_ = Rgba8Image{target_.width, target_.height, picture.hasAlpha(), {}};
    reduced_.pixels.resize(std::size_t(target_.width) * target_.height * 4);
    laidOut_ = true;
}

void PictureReducer::sumRow(const Bitmap& picture, const std::uint8_t* row) {
    std::uint64_t* sum = rowSums_.data();
    if (picture.pixelFormat() == PixelFormat::pf24bit) {
        // Blue-green-red as stored, alpha 255, without converting the row first.
        for (std::uint32_t c = 0; c < target_.width; ++c, sum += 4) {
            std::uint64_t r = 0, g = 0, b = 0;
            const std::uint32_t from = columnStart_[c], to = columnStart_[c + 1];
            for (const std::uint8_t* p = row + std::size_t(from) * 3;
                 p != row + std::size_t(to) * 3; p += 3) {
                b += p[0];
                g += p[1];
                r += p[2];
            }
            sum[0] = r;
            sum[1] = g;
            sum[2] = b;
            sum[3] = std::uint64_t(255) * (to - from);
        }
        return;
    }
    picture.convertRow(row, rgba_.data());
    for (std::uint32_t c = 0; c < target_.width; ++c, sum += 4) {
        std::uint64_t r = 0, g = 0, b = 0, a = 0;
        const std::uint8_t* end = rgba_.data() + std::size_t(columnStart_[c + 1]) * 4;
        for (const std::uint8_t* p = rgba_.data() + std::size_t(columnStart_[c]) * 4; p != end;
             p += 4) {
            r += p[0];
            g += p[1];
            b += p[2];
            a += p[3];
        }
        sum[0] = r;
        sum[1] = g;
        sum[2] = b;
        sum[3] = a;
    }
}

void PictureReducer::addRowSums(std::uint32_t line, std::uint64_t times) {
    std::vector<std::uint64_t>& sums = sums_[line];
    if (sums.empty()) sums.assign(rowSums_.size(), 0);
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += times * rowSums_[i];
}

void PictureReducer::takeRow(const Bitmap& picture, std::uint32_t y, const std::uint8_t* row) {
    if (!laidOut_) layOut(picture);
    if (y >= seen_.size() || seen_[y]) throw std::logic_error("A picture row was sent twice");
    seen_[y] = true;
    const std::uint32_t line = lineOf_[y];
    sumRow(picture, row);
    addRowSums(line, 1);
    if (--rowsLeft_[line] == 0) closeLine(line);
}

void PictureReducer::closeLine(std::uint32_t line) {
    const std::uint64_t rows = lineStart_[line + 1] - lineStart_[line];
    const std::vector<std::uint64_t>& sums = sums_[line];
    std::uint8_t* out = &reduced_.pixels[std::size_t(line) * target_.width * 4];
    for (std::uint32_t x = 0; x < target_.width; ++x) {
        const std::uint64_t count = (columnStart_[x + 1] - columnStart_[x]) * rows;
        for (int c = 0; c < 4; ++c, ++out)
            *out = std::uint8_t((sums[std::size_t(x) * 4 + c] + count / 2) / count);
    }
    std::vector<std::uint64_t>().swap(sums_[line]);
}

Rgba8Image PictureReducer::finish(const Bitmap& picture) {
    if (picture.empty()) return {};
    if (!laidOut_) layOut(picture);
    const std::vector<std::uint8_t> zeroRow(picture.bytesPerLine(), 0);
    bool zeroSummed = false;
    for (std::uint32_t line = 0; line < target_.height; ++line) {
        if (rowsLeft_[line] == 0) continue;
        if (!zeroSummed) sumRow(picture, zeroRow.data());
        zeroSummed = true;
        addRowSums(line, rowsLeft_[line]);
        rowsLeft_[line] = 0;
        closeLine(line);
    }
    laidOut_ = false;
    return std::move(reduced_);
}

}  // namespace kelvane
