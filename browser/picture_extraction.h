#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/pod_reader.h"

namespace kelvane {

// Extraction with the pictures converted: every picture entry the viewers decode (.TGA,
// .BMP, .TIF, .JPG and the others of the picture viewer) and every texture pair (.RAW or
// .OPA with its .ACT palette, as one picture) is written as NAME.png; the other entries are
// written as stored.
class PictureExtraction {
  public:
    explicit PictureExtraction(TPOD& archive) : archive_(archive) {}

    struct Written {
        // None for the second half of a texture pair already written as one picture.
        std::optional<ExtractionResult> result;
        // Why a picture entry was written as stored, in both languages; empty otherwise.
        std::string french, english;
    };

    // Writes entry `index` into `target` as extraction does with `storedPath`. Failures to
    // write (a full disk, an unsafe name...) throw as extraction's do.
    Written extract(int index, const OutputFolder& target, StoredPath storedPath);

  private:
    TPOD& archive_;
    std::set<std::string> pairsWritten_;  // the texture bases written as one picture
    std::set<std::string> pairsTried_;    // every texture base met, converted or not
};

}  // namespace kelvane
