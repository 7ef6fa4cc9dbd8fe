#include "preview/preview_content.h"

#include <algorithm>
#include <stdexcept>

#include "archive/archive_errors.h"
#include "archive/entry_reader.h"
#include "decoders/object_file.h"
#include "imaging/ImageFormats.h"
#include "imaging/graphic.h"
#include "imaging/image_stream.h"
#include "imaging/raw_texture.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"
#include "platform/read_only_file.h"
#include "preview/entry_stream.h"
#include "preview/hex_dump.h"
#include "viewers/dispatch_rules.h"
#include "viewers/text_file.h"

namespace kelvane {
namespace {

void openArchive(ReadOnlyFile& file, const std::string& path) {
    if (!file.open(path))
        throw BilingualError("Impossible d'ouvrir l'archive " + path,
                             "Cannot open archive " + path);
}

// The entry's size once read: inflated for a compressed entry, as stored otherwise.
std::int64_t readSize(const CatalogueEntry& entry) {
    return entry.compressed ? std::int64_t{std::uint32_t(entry.size)}
                            : std::max<std::int64_t>(entry.storedSize, 0);
}

std::string wholeEntry(const ReadOnlyFile& file, const CatalogueEntry& entry) {
    const std::int64_t size = readSize(entry);
    if (size > kLargestDecoded) {
        const std::string megabytes = std::to_string(size >> 20);
        throw BilingualError("L'entrée est trop grande pour l'aperçu (" + megabytes + " Mio).",
                             "The entry is too big to preview (" + megabytes + " MiB).");
    }
    return readEntryPrefix(file, entry, std::size_t(size));
}

// A picture whose decoder hands its rows over is reduced as it decodes and never held
// whole; any other is decoded whole, then fitted.
PicturePreview fittedPicture(const Bitmap& picture, PictureReducer& reducer, PictureSize box) {
    if (picture.empty()) throw BilingualError("L'image est vide", "The picture is empty");
    if (picture.sendsRows()) return {reducer.finish(picture), reducer.pictureSize()};
    return {fitPicture(picture, box), {picture.width(), picture.height()}};
}

// `decode` run over the entry's bytes: a stored entry read in place in the archive, a
// compressed one inflated as it goes and then to its end, so that it fails on a damaged
// stream as a whole read of it does.
template <class Decode>
PicturePreview decodeEntry(const ReadOnlyFile& file, const CatalogueEntry& entry, Decode decode) {
    if (!entry.compressed) {
        StoredEntryStream stream(file, entry);
        return decode(stream);
    }
    InflatedEntryStream stream(file, entry);
    PicturePreview preview = decode(stream);
    stream.finish();
    return preview;
}

PicturePreview texturePreview(const ReadOnlyFile& file, const PreviewRequest& request,
                              ViewerGroup group) {
    if (!request.companion) {
        const std::string base = cp1252ToUtf8(textureBase(request.entry.name));
        const std::string name = base + std::string(companionExtension(group));
        throw BilingualError("Fichier " + name + " non trouvé", "File " + name + " not found");
    }
    const bool pixelsViewed = group != ViewerGroup::Palette;
    const CatalogueEntry& pixels = pixelsViewed ? request.entry : *request.companion;
    const std::string palette = wholeEntry(file, pixelsViewed ? *request.companion : request.entry);
    return decodeEntry(file, pixels, [&](ImageStream& stream) {
        PictureReducer reducer(request.pictureBox);
        Bitmap texture;
        texture.offerRowSink(&reducer);
        loadRawTexture(stream, palette, texture);
        return fittedPicture(texture, reducer, request.pictureBox);
    });
}

PicturePreview storedOrInflatedPicture(const ReadOnlyFile& file, const PreviewRequest& request) {
    const CatalogueEntry& entry = request.entry;
    return decodeEntry(file, entry, [&](ImageStream& stream) {
        PictureReducer reducer(request.pictureBox);
        const std::unique_ptr<Graphic> picture =
            LoadPicture(stream, fileExtension(entry.name), FileFormatList(), &reducer);
        return fittedPicture(*picture, reducer, request.pictureBox);
    });
}

// A sound's header, read without its data: a stored sound in place, chunk header by chunk
// header; a compressed one from a prefix, inflated further only when the fmt chunk lies
// past it (after the data), up to kLargestSoundHeader.
SoundPreview soundPreview(const ReadOnlyFile& file, const PreviewRequest& request) {
    const CatalogueEntry& entry = request.entry;
    if (!entry.compressed) {
        StoredEntryStream stream(file, entry);
        const auto bytesAt = [&stream](std::uint64_t offset, std::size_t count) {
            std::string bytes(count, '\0');
            stream.seek(offset);
            bytes.resize(stream.read(bytes.data(), count));
            return bytes;
        };
        return {readWavHeader(bytesAt, stream.size()), request.archivePath, entry};
    }
    const std::int64_t size = readSize(entry);
    std::string prefix;
    bool whole = false;
    const auto bytesAt = [&](std::uint64_t offset, std::size_t count) {
        const std::uint64_t end = offset + count;
        if (end > prefix.size() && !whole && prefix.size() < kLargestSoundHeader) {
            const std::size_t limit = std::size_t(std::min<std::uint64_t>(
                std::max<std::uint64_t>({end, 2 * prefix.size(), kShownBytes}),
                kLargestSoundHeader));
            prefix = readEntryPrefix(file, entry, limit);
            whole = prefix.size() < limit;
        }
        if (offset >= prefix.size()) return std::string();
        return prefix.substr(std::size_t(offset), count);
    };
    return {readWavHeader(bytesAt, std::uint64_t(size)), request.archivePath, entry};
}

// Extensions the pane shows as pictures beyond the picture viewer's own: those the picture
// registry reads (PNG, icons...).
bool readsAsPicture(const std::string& name) {
    const std::string extension = fileExtension(name);
    return !extension.empty() && FileFormatList().PlatformTable().Find(extension) != nullptr;
}

// The decoded lines as UTF-8 text, as many whole lines as fit in kShownTextBytes.
ObjectPreview objectPreview(const std::vector<std::string>& lines) {
    ObjectPreview preview{{}, lines.size(), 0};
    for (const std::string& line : lines) {
        std::string shown = cp1252ToUtf8(line);
        if (preview.text.size() + shown.size() + 1 > kShownTextBytes) break;
        if (preview.shownLines++ > 0) preview.text += '\n';
        preview.text += shown;
    }
    return preview;
}

PreviewContent decodedPreview(const ReadOnlyFile& file, const PreviewRequest& request) {
    const CatalogueEntry& entry = request.entry;
    const ViewerGroup group = viewerGroup(entry.name);
    switch (group) {
        case ViewerGroup::Text: {
            const std::string start = readEntryPrefix(file, entry, kShownBytes);
            return TextPreview{textLines(start), std::int64_t(start.size()), readSize(entry)};
        }
        case ViewerGroup::Picture:
            return storedOrInflatedPicture(file, request);
        case ViewerGroup::RawTexture:
        case ViewerGroup::OpaTexture:
        case ViewerGroup::Palette:
            return texturePreview(file, request, group);
        case ViewerGroup::Object: {
            return objectPreview(
                decodeObjectFile(wholeEntry(file, entry), request.decimalSeparator));
        }
        case ViewerGroup::Dbf: {
            const std::string bytes = wholeEntry(file, entry);
            return TablePreview{decodeDbfTable(bytes), bytes.size()};
        }
        case ViewerGroup::Key:
            return KeyPreview{decodeKeyFile(wholeEntry(file, entry))};
        case ViewerGroup::Sound:
            return soundPreview(file, request);
        case ViewerGroup::Unknown:
            if (readsAsPicture(entry.name)) return storedOrInflatedPicture(file, request);
            break;
    }
    const std::string start = readEntryPrefix(file, entry, kShownBytes);
    const std::string extension = cp1252ToUtf8(upperExtension(entry.name));
    HexPreview dump{hexDump(start), std::int64_t(start.size()), readSize(entry), {}, {}};
    if (extension.empty()) {
        dump.french =
            "Aucun aperçu pour les fichiers sans extension : voici leurs premiers octets.";
        dump.english = "No preview for files without an extension: here are their first bytes.";
    } else {
        dump.french =
            "Aucun aperçu pour les fichiers " + extension + " : voici leurs premiers octets.";
        dump.english = "No preview for " + extension + " files: here are their first bytes.";
    }
    return dump;
}

// The dump shown when the entry has no other view: its first bytes once read, or its
// stored bytes when it cannot be inflated.
HexPreview fallbackDump(const ReadOnlyFile& file, const CatalogueEntry& entry, std::string french,
                        std::string english) {
    HexPreview dump{{}, 0, 0, std::move(french), std::move(english)};
    if (!file.isOpen()) return dump;
    CatalogueEntry stored = entry;
    try {
        const std::string start = readEntryPrefix(file, entry, kShownBytes);
        dump.dump = hexDump(start);
        dump.shown = std::int64_t(start.size());
        dump.total = readSize(entry);
        return dump;
    } catch (const DamagedEntry&) {
        stored.compressed = false;
    } catch (const std::runtime_error&) {
        return dump;  // an I/O error: nothing to show
    }
    try {
        const std::string start = readEntryPrefix(file, stored, kShownBytes);
        dump.dump = hexDump(start);
        dump.shown = std::int64_t(start.size());
        dump.total = readSize(stored);
    } catch (const std::runtime_error&) {
    }
    return dump;
}

}  // namespace

std::optional<CatalogueEntry> textureCompanion(const std::vector<CatalogueEntry>& catalogue,
                                               const CatalogueEntry& entry) {
    const ViewerGroup group = viewerGroup(entry.name);
    if (!isTexture(group)) return std::nullopt;
    const std::string wanted = textureBase(entry.name) + std::string(companionExtension(group));
    for (const CatalogueEntry& candidate : catalogue)
        if (candidate.name == wanted) return candidate;
    return std::nullopt;
}

PreviewContent previewEntry(const PreviewRequest& request) {
    ReadOnlyFile file;
    try {
        openArchive(file, request.archivePath);
        return decodedPreview(file, request);
    } catch (const BilingualError& e) {
        return fallbackDump(file, request.entry, e.french(), e.english());
    } catch (const std::bad_alloc&) {
        return HexPreview{
            {}, 0, 0, "Mémoire insuffisante pour l'aperçu.", "Not enough memory for the preview."};
    } catch (const std::exception& e) {
        return fallbackDump(file, request.entry, e.what(), e.what());
    }
}

void writeEntryCopy(const std::string& archivePath, const CatalogueEntry& entry,
                    const std::string& target) {
    ReadOnlyFile file;
    openArchive(file, archivePath);
    AtomicOutputFile copy(target);
    readEntry(file, entry, [&copy](const char* data, std::size_t size) { copy.write(data, size); });
    copy.commit();
}

}  // namespace kelvane
