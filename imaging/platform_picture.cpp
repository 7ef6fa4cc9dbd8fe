#include "imaging/platform_picture.h"

#include <algorithm>
#include <cstring>

#include "imaging/graphic_errors.h"
#include "platform/little_endian.h"

namespace kelvane {

namespace {

constexpr const char* kIconFormat = "ICO";

struct IconEntry {
    unsigned width, height, bits;
    std::uint32_t offset;
};

}  // namespace

void WindowsIcon::LoadFromStream(ImageStream& stream) {
    clear();
    const std::uint64_t base = stream.position();
    std::uint8_t dir[6];
    stream.readBuffer(dir, sizeof dir);
    const unsigned type = readLittle16(dir + 2), count = readLittle16(dir + 4);
    if (dir[0] != 0 || dir[1] != 0 || (type != 1 && type != 2) || count == 0)
        throwInvalidImage(kIconFormat);
    // The largest image, the deepest one among equals.
    IconEntry best{0, 0, 0, 0};
    for (unsigned i = 0; i < count; ++i) {
        std::uint8_t e[16];
        stream.readBuffer(e, sizeof e);
        const IconEntry entry{e[0] ? e[0] : 256u, e[1] ? e[1] : 256u, readLittle16(e + 6),
                              readLittle32(e + 12)};
        const auto area = [](const IconEntry& x) { return x.width * x.height; };
        if (i == 0 || area(entry) > area(best) ||
            (area(entry) == area(best) && entry.bits > best.bits))
            best = entry;
    }
    stream.seek(base + best.offset);
    std::uint8_t signature[8] = {};
    const std::size_t got = stream.read(signature, sizeof signature);
    if (got == sizeof signature && std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) == 0)
        throw EInvalidGraphic(notSupportedMessage("PNG compressed images are", kIconFormat));
    stream.seek(base + best.offset);

    Bitmap image;
    std::vector<std::uint8_t> mask;
    decodeDib(stream, image, 0, &mask);
    const Rgba8Image rgba = image.toRgba8();
    // A 32-bit image whose alpha bytes are used keeps them; the others take the mask.
    bool ownAlpha = false;
    if (image.hasAlpha())
        for (std::size_t i = 3; i < rgba.pixels.size() && !ownAlpha; i += 4)
            ownAlpha = rgba.pixels[i] != 0;
    setPixelFormat(PixelFormat::pf32bit);
    setSize(rgba.width, rgba.height);
    for (std::uint32_t y = 0; y < rgba.height; ++y) {
        std::uint8_t* out = scanLine(y);
        const std::uint8_t* in = rgba.pixels.data() + std::size_t(y) * rgba.width * 4;
        for (std::uint32_t x = 0; x < rgba.width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = ownAlpha ? in[3] : (mask[std::size_t(y) * rgba.width + x] ? 0 : 255);
        }
    }
}

void WindowsMetafile::LoadFromStream(ImageStream&) {
    clear();
    throw EInvalidGraphic("Cannot load image. Windows metafiles are not supported.");
}

namespace {
std::unique_ptr<Graphic> createIcon() {
    return std::make_unique<WindowsIcon>();
}
std::unique_ptr<Graphic> createMetafile() {
    return std::make_unique<WindowsMetafile>();
}
}  // namespace

const GraphicClass kWindowsIconClass{"TIcon", createIcon};
const GraphicClass kWindowsMetafileClass{"TMetafile", createMetafile};

PictureExtensionTable platformDefaultTable() {
    PictureExtensionTable table;
    table.Register("bmp", "Bitmaps", kWindowsBitmapClass);
    table.Register("ico", "Icons", kWindowsIconClass);
    table.Register("emf", "Enhanced Metafiles", kWindowsMetafileClass);
    table.Register("wmf", "Metafiles", kWindowsMetafileClass);
    table.Register("jpg", "JPEG Image File", kJpegImageClass);
    table.Register("jpeg", "JPEG Image File", kJpegImageClass);
    return table;
}

PictureExtensionTable& platformPictureTable() {
    static PictureExtensionTable table = platformDefaultTable();
    return table;
}

}  // namespace kelvane
