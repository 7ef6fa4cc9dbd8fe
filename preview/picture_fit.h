#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace kelvane {

// The largest size within `box` with the picture's aspect ratio, never larger than the
// picture itself and at least one pixel each way.
PictureSize fittedSize(PictureSize picture, PictureSize box);

// The picture in 8-bit RGBA at fittedSize(), each pixel the average of the block of
// pixels it stands for. The picture is converted row by row: no full-size copy is made.
Rgba8Image fitPicture(const Bitmap& picture, PictureSize box);

// The same averaging done as a decoder hands its rows over, in any order: only the sums of
// the target rows still waiting for source rows are kept, so a picture reduced this way is
// never held whole. Rows may come at less than the picture's own size (a JPEG decoded at a
// reduced scale), never at less than fittedSize().
class PictureReducer : public RowSink {
  public:
    explicit PictureReducer(PictureSize box) : box_(box) {}

    PictureSize leastSize(PictureSize own) const override { return fittedSize(own, box_); }
    void start(PictureSize own) override;
    void takeRow(const Bitmap& picture, std::uint32_t y, const std::uint8_t* row) override;

    // The size told to start().
    PictureSize pictureSize() const { return own_; }
    // The reduced picture, `picture` being the bitmap that sent the rows. Rows it never sent
    // count as the zero bytes a freshly sized bitmap holds, as in a whole decode.
    Rgba8Image finish(const Bitmap& picture);

  private:
    void layOut(const Bitmap& picture);
    // The row's samples as they are summed: stored blue-green-red, or converted to RGBA.
    const std::uint8_t* samples(const Bitmap& picture, const std::uint8_t* row);
    // Adds `times` the samples of a source row to those of its target row, which is written
    // out once it has all its rows.
    void addRow(std::uint32_t line, const std::uint8_t* values, std::uint64_t times);
    template <typename Sum>
    void addRow(std::vector<std::vector<Sum>>& lines, std::uint32_t line,
                const std::uint8_t* values, std::uint64_t times);
    template <typename Sum>
    void closeLine(std::vector<std::vector<Sum>>& lines, std::uint32_t line);

    PictureSize box_, own_, target_;
    bool laidOut_ = false;
    bool stored_ = false;                     // rows summed as stored (24-bit)
    std::vector<std::uint32_t> columnStart_;  // first source column of each target column
    std::vector<std::uint32_t> lineStart_;    // first source row of each target row
    std::vector<std::uint32_t> lineOf_;       // target row of each source row
    std::vector<std::uint32_t> rowsLeft_;     // source rows each target row still waits for
    // Per target row begun, the sums of its source rows sample by sample (memory for the
    // rows open at once: one or two when the rows come top-down or bottom-up), in 32 bits
    // unless a target row holds so many source rows that they could overflow.
    bool wide_ = false;
    std::vector<std::vector<std::uint32_t>> narrowSums_;
    std::vector<std::vector<std::uint64_t>> wideSums_;
    std::vector<bool> seen_;
    std::vector<std::uint8_t> rgba_;
    Rgba8Image reduced_;
};

}  // namespace kelvane
