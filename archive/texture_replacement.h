// Replacing a texture pair of an archive: its pixels entry and its palette entry, together.
#pragma once

#include <string>
#include <string_view>

#include "archive/archive_editing.h"

namespace kelvane {

class TPOD;
struct Texture;

// The stored names of a texture pair: the pixels (.RAW or .OPA) and the palette (.ACT).
struct TexturePairNames {
    std::string pixels;
    std::string palette;
};

// The pair the entry `storedName` (compared without regard to case) belongs to, named as the
// archive stores them; a half the archive lacks gets the entry's base and an upper-case
// extension (.ACT, or .RAW for the pixels of a palette). Throws WriteRefused when the name is
// not that of a texture half, BilingualError when the archive has no such entry.
TexturePairNames texturePairNames(const TPOD& archive, std::string_view storedName);

// `archive` with the pair of `storedName` replaced by `texture` (its indices the pixels, its
// palette the palette), the missing half added; one audit record for each. Refused as
// planAddition and texturePairNames refuse.
ArchivePlan planTextureReplacement(const TPOD& archive, std::string_view storedName,
                                   const Texture& texture, const AuditStamp& stamp);

}  // namespace kelvane
