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
    // The sums of one source row over each target column, into rowSums_.
    void sumRow(const Bitmap& picture, const std::uint8_t* row);
    void addRowSums(std::uint32_t line, std::uint64_t times);
    void closeLine(std::uint32_t line);

    PictureSize box_, own_, target_;
    bool laidOut_ = false;
    std::vector<std::uint32_t> columnStart_;        // first source column of each target column
    std::vector<std::uint32_t> lineStart_;          // first source row of each target row
    std::vector<std::uint32_t> lineOf_;             // target row of each source row
    std::vector<std::uint32_t> rowsLeft_;           // source rows each target row still waits for
    std::vector<std::vector<std::uint64_t>> sums_;  // of the target rows begun, RGBA
    std::vector<bool> seen_;
    std::vector<std::uint8_t> rgba_;
    std::vector<std::uint64_t> rowSums_;
    Rgba8Image reduced_;
};

}  // namespace kelvane
