#include "archive/texture_replacement.h"

#include "archive/archive_errors.h"
#include "archive/pod_reader.h"
#include "imaging/texture_maker.h"
#include "platform/bilingual_error.h"
#include "platform/visible_text.h"
#include "viewers/dispatch_rules.h"

namespace kelvane {
namespace {

const CatalogueEntry* entryNamed(const TPOD& archive, std::string_view name) {
    for (const CatalogueEntry& entry : archive.catalogue())
        if (sameStoredName(entry.name, name)) return &entry;
    return nullptr;
}

// The name of the half `base` + one of `extensions` the archive has, else base + the first.
std::string halfName(const TPOD& archive, const std::string& base,
                     std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions)
        if (const CatalogueEntry* entry = entryNamed(archive, base + extension)) return entry->name;
    return base + *extensions.begin();
}

}  // namespace

TexturePairNames texturePairNames(const TPOD& archive, std::string_view storedName) {
    const std::string shown = visibleText(storedName);
    const ViewerGroup group = viewerGroup(storedName);
    if (!isTexture(group) || textureBase(storedName).empty()) {
        throw WriteRefused(shown + " n'est pas une moitié de texture (.RAW, .OPA ou .ACT).",
                           shown + " is not a texture half (.RAW, .OPA or .ACT).");
    }
    const CatalogueEntry* named = entryNamed(archive, storedName);
    if (named == nullptr) {
        throw BilingualError("L'archive n'a pas d'entrée " + shown + ".",
                             "The archive has no entry " + shown + ".");
    }
    const std::string base = textureBase(named->name);
    if (group == ViewerGroup::Palette)
        return {halfName(archive, base, {".RAW", ".OPA"}), named->name};
    return {named->name, halfName(archive, base, {".ACT"})};
}

ArchivePlan planTextureReplacement(const TPOD& archive, std::string_view storedName,
                                   const Texture& texture, const AuditStamp& stamp) {
    requireWritable(archive.layout());
    const TexturePairNames names = texturePairNames(archive, storedName);
    return planStoring(archive, {{names.pixels, texture.indices}, {names.palette, texture.palette}},
                       stamp);
}

}  // namespace kelvane
