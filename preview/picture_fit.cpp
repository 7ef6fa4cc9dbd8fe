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
    // Blue-green-red rows are summed as they are stored; the others once converted.
    stored_ = picture.pixelFormat() == PixelFormat::pf24bit;
    std::uint32_t tallest = 0;
    for (std::uint32_t line = 0; line < target_.height; ++line)
        tallest = std::max(tallest, rowsLeft_[line]);
    wide_ = std::uint64_t(tallest) * 255 > UINT32_MAX;
    narrowSums_.assign(wide_ ? 0 : target_.height, {});
    wideSums_.assign(wide_ ? target_.height : 0, {});
    seen_.assign(source.height, false);
    rgba_.resize(stored_ ? 0 : std::size_t(source.width) * 4);
    reduced_ = Rgba8Image{target_.width, target_.height, picture.hasAlpha(), {}};
    reduced_.pixels.resize(std::size_t(target_.width) * target_.height * 4);
    laidOut_ = true;
}

const std::uint8_t* PictureReducer::samples(const Bitmap& picture, const std::uint8_t* row) {
    if (stored_) return row;
    picture.convertRow(row, rgba_.data());
    return rgba_.data();
}

namespace {

// `times` each sample added to its sum. Once, the usual case, goes in blocks of a fixed
// size, which the compiler adds many samples at a time.
template <typename Sum>
void addSamples(Sum* __restrict sums, const std::uint8_t* __restrict values, std::size_t count,
                Sum times) {
    if (times != 1) {
        for (std::size_t i = 0; i < count; ++i) sums[i] += times * values[i];
        return;
    }
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (std::size_t k = 0; k < kBlock; ++k) sums[i + k] += values[i + k];
    for (; i < count; ++i) sums[i] += values[i];
}

// The sums of source columns [from, to), sample by sample.
template <unsigned kChannels, typename Sum>
void columnTotals(const Sum* sums, std::uint32_t from, std::uint32_t to, std::uint64_t* total) {
    for (const Sum* p = sums + std::size_t(from) * kChannels;
         p != sums + std::size_t(to) * kChannels; p += kChannels)
        for (unsigned c = 0; c < kChannels; ++c) total[c] += p[c];
}

// The rounded average, in 32 bits when it fits (much the usual case), which divides faster.
std::uint8_t average(std::uint64_t sum, std::uint64_t count) {
    const std::uint64_t rounded = sum + count / 2;
    if (rounded <= UINT32_MAX) return std::uint8_t(std::uint32_t(rounded) / std::uint32_t(count));
    return std::uint8_t(rounded / count);
}

}  // namespace

// Each source column of a target row is summed down as the rows come, and across once the
// target row has them all.
template <typename Sum>
void PictureReducer::addRow(std::vector<std::vector<Sum>>& lines, std::uint32_t line,
                            const std::uint8_t* values, std::uint64_t times) {
    std::vector<Sum>& sums = lines[line];
    if (sums.empty()) sums.assign(std::size_t(columnStart_.back()) * (stored_ ? 3 : 4), 0);
    addSamples(sums.data(), values, sums.size(), Sum(times));
}

template <typename Sum>
void PictureReducer::closeLine(std::vector<std::vector<Sum>>& lines, std::uint32_t line) {
    const std::uint64_t rows = lineStart_[line + 1] - lineStart_[line];
    const Sum* sums = lines[line].data();
    std::uint8_t* out = &reduced_.pixels[std::size_t(line) * target_.width * 4];
    for (std::uint32_t x = 0; x < target_.width; ++x, out += 4) {
        const std::uint32_t from = columnStart_[x], to = columnStart_[x + 1];
        const std::uint64_t count = std::uint64_t(to - from) * rows;
        std::uint64_t total[4] = {0, 0, 0, 0};
        if (stored_) {
            columnTotals<3>(sums, from, to, total);
            out[0] = average(total[2], count);
            out[1] = average(total[1], count);
            out[2] = average(total[0], count);
            out[3] = 255;
        } else {
            columnTotals<4>(sums, from, to, total);
            for (unsigned c = 0; c < 4; ++c) out[c] = average(total[c], count);
        }
    }
    std::vector<Sum>().swap(lines[line]);
}

void PictureReducer::addRow(std::uint32_t line, const std::uint8_t* values, std::uint64_t times) {
    if (wide_)
        addRow(wideSums_, line, values, times);
    else
        addRow(narrowSums_, line, values, times);
    rowsLeft_[line] -= std::uint32_t(times);
    if (rowsLeft_[line] > 0) return;
    if (wide_)
        closeLine(wideSums_, line);
    else
        closeLine(narrowSums_, line);
}

void PictureReducer::takeRow(const Bitmap& picture, std::uint32_t y, const std::uint8_t* row) {
    if (!laidOut_) layOut(picture);
    if (y >= seen_.size() || seen_[y]) throw std::logic_error("A picture row was sent twice");
    seen_[y] = true;
    addRow(lineOf_[y], samples(picture, row), 1);
}

Rgba8Image PictureReducer::finish(const Bitmap& picture) {
    if (picture.empty()) return {};
    if (!laidOut_) layOut(picture);
    const std::vector<std::uint8_t> zeroRow(picture.bytesPerLine(), 0);
    for (std::uint32_t line = 0; line < target_.height; ++line)
        if (rowsLeft_[line] > 0) addRow(line, samples(picture, zeroRow.data()), rowsLeft_[line]);
    laidOut_ = false;
    return std::move(reduced_);
}

}  // namespace kelvane
