#include "browser/picture_extraction.h"

#include <memory>
#include <stdexcept>

#include "archive/entry_names.h"
#include "imaging/ImageFormats.h"
#include "imaging/image_stream.h"
#include "imaging/picture_writer.h"
#include "imaging/raw_texture.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"
#include "preview/preview_content.h"
#include "viewers/dispatch_rules.h"

namespace kelvane {
namespace {

// The entry's bytes, whole: a picture cut short by the end of the archive is not converted.
std::string entryBytes(TPOD& archive, const CatalogueEntry& entry) {
    std::string bytes;
    archive.copyEntry(entry.index,
                      [&](const char* data, std::size_t size) { bytes.append(data, size); });
    if (bytes.size() < std::size_t(entry.size))
        throw BilingualError("l'archive s'arrête avant sa fin", "the archive ends before it does");
    return bytes;
}

// The stored name with its extension turned into ".png".
std::string pngName(const std::string& name) {
    return name.substr(0, name.size() - upperExtension(name).size()) + ".png";
}

std::unique_ptr<Bitmap> decodedPicture(TPOD& archive, const CatalogueEntry& entry) {
    const std::string bytes = entryBytes(archive, entry);
    MemoryStream stream(bytes.data(), bytes.size());
    std::unique_ptr<Graphic> picture = LoadPicture(stream, fileExtension(entry.name));
    if (picture->empty()) throw BilingualError("l'image est vide", "the picture is empty");
    return picture;
}

std::unique_ptr<Bitmap> decodedTexture(TPOD& archive, const CatalogueEntry& pixels,
                                       const CatalogueEntry& palette) {
    const std::string indices = entryBytes(archive, pixels);
    MemoryStream stream(indices.data(), indices.size());
    auto picture = std::make_unique<Bitmap>();
    loadRawTexture(stream, entryBytes(archive, palette), *picture);
    return picture;
}

}  // namespace

PictureExtraction::Written PictureExtraction::extract(int index, const OutputFolder& target,
                                                      StoredPath storedPath) {
    const CatalogueEntry& entry = archive_.catalogue()[std::size_t(index)];
    const ViewerGroup group = viewerGroup(entry.name);
    if (group != ViewerGroup::Picture && !isTexture(group))
        return {archive_.Extract(index, target, storedPath), {}, {}};

    std::unique_ptr<Bitmap> picture;
    try {
        if (group == ViewerGroup::Picture) {
            picture = decodedPicture(archive_, entry);
        } else {
            const std::string base = textureBase(entry.name);
            if (pairsWritten_.count(base) != 0) return {};
            // The other half of a pair that could not be converted: as stored, said once.
            if (!pairsTried_.insert(base).second)
                return {archive_.Extract(index, target, storedPath), {}, {}};
            const std::optional<CatalogueEntry> companion =
                textureCompanion(archive_.catalogue(), entry);
            if (!companion) {
                const std::string name =
                    cp1252ToUtf8(base) + std::string(companionExtension(group));
                throw BilingualError("sa moitié " + name + " manque",
                                     "its other half " + name + " is missing");
            }
            const bool pixelsHere = group != ViewerGroup::Palette;
            picture = decodedTexture(archive_, pixelsHere ? entry : *companion,
                                     pixelsHere ? *companion : entry);
            pairsWritten_.insert(base);
        }
    } catch (const std::exception& failure) {
        const std::string name = visibleText(entry.name);
        return {archive_.Extract(index, target, storedPath),
                "L'image " + name + " est écrite telle quelle : " + textIn(failure, false),
                "The picture " + name + " is written as stored: " + englishText(failure)};
    }

    const std::string name = pngName(entry.name);
    AtomicOutputFile output(target, entryComponents(name, storedPath != StoredPath::Drop),
                            storedPath == StoredPath::KeepAndCreateLevels);
    writeImage(*picture, name, output);
    ExtractionResult result{output.path(), 0, false};
    output.commit();
    return {result, {}, {}};
}

}  // namespace kelvane
