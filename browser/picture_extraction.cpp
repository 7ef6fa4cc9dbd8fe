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

bool convertsToPng(const std::string& name) {
    const ViewerGroup group = viewerGroup(name);
    return group == ViewerGroup::Picture || isTexture(group);
}

std::string pngName(const std::string& name) {
    return name.substr(0, name.size() - upperExtension(name).size()) + ".png";
}

std::unique_ptr<Bitmap> entryPicture(TPOD& archive, const CatalogueEntry& entry) {
    const ViewerGroup group = viewerGroup(entry.name);
    if (!isTexture(group)) return decodedPicture(archive, entry);
    const std::optional<CatalogueEntry> companion = textureCompanion(archive.catalogue(), entry);
    if (!companion) {
        const std::string name =
            cp1252ToUtf8(textureBase(entry.name)) + std::string(companionExtension(group));
        throw BilingualError("sa moitié " + name + " manque",
                             "its other half " + name + " is missing");
    }
    const bool pixelsHere = group != ViewerGroup::Palette;
    return decodedTexture(archive, pixelsHere ? entry : *companion,
                          pixelsHere ? *companion : entry);
}

std::unique_ptr<Bitmap> entryPicture(const std::string& archivePath, const CatalogueEntry& entry) {
    TPOD archive(archivePath);
    if (archive.kind() == ArchiveKind::NotOpen)
        throw BilingualError("Impossible d'ouvrir le fichier " + archivePath,
                             "Cannot open file " + archivePath);
    archive.ReadHeaderAndDirectory();
    const std::vector<CatalogueEntry>& catalogue = archive.catalogue();
    if (entry.index < 0 || std::size_t(entry.index) >= catalogue.size() ||
        catalogue[std::size_t(entry.index)].name != entry.name) {
        const std::string name = visibleText(entry.name);
        throw BilingualError("L'archive ne contient plus " + name,
                             "The archive no longer holds " + name);
    }
    return entryPicture(archive, catalogue[std::size_t(entry.index)]);
}

PictureExtraction::Written PictureExtraction::extract(int index, const OutputFolder& target,
                                                      StoredPath storedPath) {
    const CatalogueEntry& entry = archive_.catalogue()[std::size_t(index)];
    if (!convertsToPng(entry.name))
        return {archive_.Extract(index, target, storedPath), entry.name, {}, {}};

    const bool texture = viewerGroup(entry.name) != ViewerGroup::Picture;
    const std::string base = texture ? textureBase(entry.name) : std::string();
    if (texture && pairsWritten_.count(base) != 0) return {};
    // The other half of a pair that could not be converted: as stored, said once.
    if (texture && !pairsTried_.insert(base).second)
        return {archive_.Extract(index, target, storedPath), entry.name, {}, {}};
    std::unique_ptr<Bitmap> picture;
    try {
        picture = entryPicture(archive_, entry);
    } catch (const std::exception& failure) {
        const std::string name = visibleText(entry.name);
        return {archive_.Extract(index, target, storedPath), entry.name,
                "L'image " + name + " est écrite telle quelle : " + textIn(failure, false),
                "The picture " + name + " is written as stored: " + englishText(failure)};
    }
    if (texture) pairsWritten_.insert(base);

    const std::string name = pngName(entry.name);
    AtomicOutputFile output(target, entryComponents(name, storedPath != StoredPath::Drop),
                            storedPath == StoredPath::KeepAndCreateLevels);
    writeImage(*picture, name, output);
    ExtractionResult result{output.path(), 0, false};
    output.commit();
    return {result, name, {}, {}};
}

}  // namespace kelvane
