#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "imaging/bitmap.h"

namespace kelvane {

// Whether extraction with the pictures converted writes `name` as a picture: a picture entry
// or one half of a texture pair.
bool convertsToPng(const std::string& name);

// The stored name with its extension turned into ".png".
std::string pngName(const std::string& name);

// The picture of `entry`, whole: the texture pair it is one half of (its companion found in the
// archive's catalogue), or else the entry decoded as a picture of its extension. Throws why it
// cannot be had, in both languages (a missing half, a picture cut short, empty or that does not
// decode).
std::unique_ptr<Bitmap> entryPicture(TPOD& archive, const CatalogueEntry& entry);
// The same, from the archive file at `archivePath` (UTF-8) opened on its own; throws too when
// it cannot be opened or no longer holds `entry`.
std::unique_ptr<Bitmap> entryPicture(const std::string& archivePath, const CatalogueEntry& entry);

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
        // The entry's name as written: ".png" for a picture converted.
        std::string name;
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
