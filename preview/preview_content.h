#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "archive/catalogue_entry.h"
#include "decoders/dbf_table.h"
#include "decoders/key_file.h"
#include "imaging/bitmap.h"
#include "preview/picture_fit.h"
#include "preview/wav_header.h"

namespace kelvane {

// At most this much of an entry is read for its text or its hex dump.
inline constexpr std::size_t kShownBytes = 64 * 1024;
// At most this much decoded text goes on a page, so that putting it there stays quick.
inline constexpr std::size_t kShownTextBytes = 1 << 20;
// Entries decoded whole (tables, sounds...) above this size are dumped instead; pictures are
// decoded as they are read.
inline constexpr std::int64_t kLargestDecoded = std::int64_t{256} << 20;
// At most this much of a compressed sound is inflated to find its header.
inline constexpr std::size_t kLargestSoundHeader = std::size_t{16} << 20;

// Everything the preview of one entry needs; copied to the thread that reads it.
struct PreviewRequest {
    std::string archivePath;  // UTF-8
    CatalogueEntry entry;
    // The other half of a texture pair, when the entry is one and the archive holds it.
    std::optional<CatalogueEntry> companion;
    PictureSize pictureBox;  // the largest a picture is shown
    char decimalSeparator = '.';
};

// The companion a texture half needs (the .ACT of a .RAW or .OPA, the .RAW of an .ACT):
// the first entry of the catalogue with that exact name. None for other entries.
std::optional<CatalogueEntry> textureCompanion(const std::vector<CatalogueEntry>& catalogue,
                                               const CatalogueEntry& entry);

struct PicturePreview {
    Rgba8Image pixels;  // fitted to the request's box
    PictureSize size;   // the picture's own
};
struct TextPreview {
    std::string text;  // UTF-8 lines joined by '\n'
    std::int64_t shown = 0, total = 0;
};
struct ObjectPreview {
    std::string text;  // UTF-8 lines joined by '\n', the first kShownTextBytes at most
    std::size_t lines = 0;
    std::size_t shownLines = 0;
};
struct TablePreview {
    DbfTable table;
    std::size_t bytes = 0;  // the entry's size, bounding the rows shown
};
struct KeyPreview {
    KeyListing listing;
};
// A sound's header; its bytes stay in the archive until it is played.
struct SoundPreview {
    WavHeader header;
    std::string archivePath;  // UTF-8
    CatalogueEntry entry;
};
// The dump of the entry's first bytes; `french` and `english` say why it is not shown
// otherwise.
struct HexPreview {
    std::string dump;
    std::int64_t shown = 0, total = 0;
    std::string french, english;
};

using PreviewContent = std::variant<PicturePreview, TextPreview, ObjectPreview, TablePreview,
                                    KeyPreview, SoundPreview, HexPreview>;

// Opens the archive read-only on its own, reads the entry and decodes it by its extension:
// pictures and texture pairs, the start of text files, object files, DBF tables, key files
// and the headers of sounds; anything else, and anything that fails to read or decode, is
// dumped in hex with the reason. Throws nothing.
PreviewContent previewEntry(const PreviewRequest& request);

// Writes the bytes of `entry` of the archive at `archivePath` (UTF-8) to the file `target`
// through an atomic output file, streaming them: the copy a sound is played from. Throws
// BilingualError when the archive cannot be opened, DamagedEntry for a stream that cannot
// be inflated, and the output file's failures.
void writeEntryCopy(const std::string& archivePath, const CatalogueEntry& entry,
                    const std::string& target);

}  // namespace kelvane
