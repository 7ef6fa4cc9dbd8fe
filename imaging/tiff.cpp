#include "imaging/tiff.h"

#include <algorithm>

#include "imaging/codecs/ccitt.h"
#include "imaging/codecs/lz77.h"
#include "imaging/codecs/packbits.h"
#include "imaging/codecs/thunder.h"
#include "imaging/codecs/tiff_jpeg.h"
#include "imaging/graphic_errors.h"

namespace kelvane {

namespace {

constexpr const char* kFormatName = "TIF/TIFF";
constexpr std::uint16_t kTiffVersion = 42;
constexpr std::size_t kMaxColorMapValues = 3 * 256;
constexpr std::uint64_t kMaxExpansion = 4096;
constexpr std::uint64_t kExpansionAllowance = 1 << 20;

enum Tag : std::uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kFillOrder = 266,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kPlanarConfiguration = 284,
    kT4Options = 292,
    kResolutionUnit = 296,
    kPredictor = 317,
    kColorMap = 320,
    kTileWidth = 322,
    kTileLength = 323,
    kExtraSamples = 338,
    kJPEGTables = 347,
    kYCbCrCoefficients = 529,
    kYCbCrSubSampling = 530,
};

std::function<void(const std::string&)>& warningHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

[[noreturn]] void invalid() {
    throwInvalidImage(kFormatName);
}

TCompressionType compressionKind(std::uint32_t tag) {
    switch (tag) {
        case 1:
            return TCompressionType::ctNone;
        case 2:
            return TCompressionType::ctFaxRLE;
        case 3:
            return TCompressionType::ctFax3;
        case 4:
            return TCompressionType::ctFax4;
        case 5:
            return TCompressionType::ctLZW;
        case 6:
            return TCompressionType::ctOJPEG;
        case 7:
            return TCompressionType::ctJPEG;
        case 8:
        case 32946:
            return TCompressionType::ctLZ77;
        case 32766:
            return TCompressionType::ctNext;
        case 32771:
            return TCompressionType::ctFaxRLEW;
        case 32773:
            return TCompressionType::ctPackedBits;
        case 32809:
            return TCompressionType::ctThunderscan;
        case 32895:
            return TCompressionType::ctIT8CTPAD;
        case 32896:
            return TCompressionType::ctIT8LW;
        case 32897:
            return TCompressionType::ctIT8MP;
        case 32898:
            return TCompressionType::ctIT8BL;
        case 32908:
            return TCompressionType::ctPixarFilm;
        case 32909:
            return TCompressionType::ctPixarLog;
        case 32947:
            return TCompressionType::ctDCS;
        case 34661:
            return TCompressionType::ctJBIG;
        default:
            return TCompressionType::ctUnknown;
    }
}

ColorScheme colorScheme(std::uint32_t photometric, std::uint32_t samples) {
    switch (photometric) {
        case 0:
        case 1:
            return ColorScheme::Grey;
        case 2:
            return samples < 4 ? ColorScheme::RGB : ColorScheme::RGBA;
        case 3:
            return ColorScheme::Indexed;
        case 5:
            return ColorScheme::CMYK;
        case 6:
            return ColorScheme::YCbCr;
        case 8:
            return ColorScheme::CIELab;
        default:
            return ColorScheme::Unknown;
    }
}

// Values that do not fit the properties' byte fields become 0, which the colour manager
// refuses.
std::uint8_t byteField(std::uint32_t value) {
    return value > 0xFF ? 0 : static_cast<std::uint8_t>(value);
}

// Undoes horizontal differencing on one row of 8- or 16-bit samples (16-bit samples in the
// file's byte order): each sample gets the same sample of the pixel before it added.
void undoPredictor(std::uint8_t* row, std::size_t width, unsigned samplesPerPixel, unsigned bits,
                   bool bigEndian) {
    const std::size_t distance = samplesPerPixel;
    const std::size_t end = width * samplesPerPixel;
    if (bits == 8) {
        for (std::size_t i = distance; i < end; ++i) {
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - distance]);
        }
        return;
    }
    const int high = bigEndian ? 0 : 1;
    auto sample = [&](std::size_t i) {
        return static_cast<unsigned>(row[2 * i + high] << 8 | row[2 * i + 1 - high]);
    };
    for (std::size_t i = distance; i < end; ++i) {
        const unsigned value = (sample(i) + sample(i - distance)) & 0xFFFF;
        row[2 * i + high] = static_cast<std::uint8_t>(value >> 8);
        row[2 * i + 1 - high] = static_cast<std::uint8_t>(value);
    }
}

bool isFax(TCompressionType kind) {
    return kind == TCompressionType::ctFax3 || kind == TCompressionType::ctFaxRLE ||
           kind == TCompressionType::ctFaxRLEW;
}

// The bytes that a set of [begin, end) ranges covers, overlaps counted once.
std::uint64_t distinctBytes(std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges) {
    std::sort(ranges.begin(), ranges.end());
    std::uint64_t total = 0;
    std::uint64_t covered = 0;  // end of what has been counted
    for (const auto& [begin, end] : ranges) {
        const std::uint64_t from = std::max(begin, covered);
        if (end > from) total += end - from;
        covered = std::max(covered, end);
    }
    return total;
}

// Reverses the bit order of every byte (FillOrder 2 data).
void reverseBits(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) data[i] = reverseBitOrder(data[i]);
}

}  // namespace

void TTIFFGraphic::SetWarningHandler(std::function<void(const std::string&)> handler) {
    warningHandler() = std::move(handler);
}

bool TTIFFGraphic::CanLoad(ImageStream& stream) {
    const std::uint64_t start = stream.position();
    if (stream.remaining() <= 8) return false;
    const TiffDirectory::Header header = TiffDirectory::readHeader(stream, start);
    stream.seek(start);
    std::uint8_t order[2];
    stream.read(order, 2);
    stream.seek(start);
    const bool marked =
        (order[0] == 'I' && order[1] == 'I') || (order[0] == 'M' && order[1] == 'M');
    return marked && header.version == kTiffVersion &&
           header.firstDirectory < stream.size() - start;
}

bool TTIFFGraphic::ReadImageProperties(ImageStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    FBasePosition = stream.position();
    TImageProperties& p = FImageProperties;
    FAssociatedAlpha = false;
    try {
        const TiffDirectory::Header header = TiffDirectory::readHeader(stream, FBasePosition);
        if (header.bigEndian) p.Options |= ioBigEndian;
        p.Version = header.version;
        p.FirstIFD = header.firstDirectory;
        if (p.Version != kTiffVersion) return false;
        if (!FDirectory.read(stream, FBasePosition, header, imageIndex)) return false;
        const TiffDirectory& d = FDirectory;

        p.Width = d.value(kImageWidth, 0);
        p.Height = d.value(kImageLength, 0);
        const auto bits = d.values(kBitsPerSample);
        p.BitsPerSample = byteField(bits.empty() ? 1 : bits[0]);
        // A file without the tag is uncompressed, the TIFF default.
        p.Compression = compressionKind(d.value(kCompression, 1));
        const std::uint32_t photometric = d.value(kPhotometric, 0);
        const std::uint32_t samples = d.value(kSamplesPerPixel, 1);
        p.SamplesPerPixel = byteField(samples);
        p.ColorScheme = colorScheme(photometric, samples);
        if (photometric == 0) p.Options |= ioMinIsWhite;
        if (d.value(kFillOrder, 1) == 2) p.Options |= ioReversed;

        p.RowsPerStrip = d.values(kRowsPerStrip);
        if (p.RowsPerStrip.empty() || p.RowsPerStrip[0] == 0xFFFFFFFF) p.RowsPerStrip = {p.Height};

        const float unitScale = d.value(kResolutionUnit, 2) == 3 ? 2.54f : 1.0f;
        p.XResolution = d.rational(kXResolution).value_or(0.0f) * unitScale;
        p.YResolution = d.rational(kYResolution).value_or(0.0f) * unitScale;
        p.PlanarConfig = d.value(kPlanarConfiguration, 0);
        FT4Options = d.value(kT4Options, 0);
        p.Predictor = d.value(kPredictor, 0);
        p.TileWidth = d.value(kTileWidth, 0);
        p.TileLength = d.value(kTileLength, 0);
        if (p.TileWidth != 0 && p.TileLength != 0) p.Options |= ioTiled;

        const auto extra = d.values(kExtraSamples);
        p.HasAlpha = !extra.empty() && std::all_of(extra.begin(), extra.end(),
                                                   [](std::uint32_t v) { return v <= 2; });
        FAssociatedAlpha = p.HasAlpha && extra[0] == 1;
        p.JPEGTables = d.bytes(kJPEGTables);

        FYCbCrCoefficients = {0.299f, 0.587f, 0.114f};
        if (p.ColorScheme == ColorScheme::YCbCr) {
            for (std::size_t i = 0; i < FYCbCrCoefficients.size(); ++i) {
                if (const auto c = d.rational(kYCbCrCoefficients, i)) FYCbCrCoefficients[i] = *c;
            }
            const auto subsampling = d.values(kYCbCrSubSampling);
            p.YCbCrSubSampling = {2, 2};
            for (std::size_t i = 0; i < 2 && i < subsampling.size(); ++i) {
                p.YCbCrSubSampling[i] = byteField(subsampling[i]);
            }
        }
        // The JPEG colour and tables modes are not file tags: their defaults.
        p.JPEGColorMode = 0;
        p.JPEGTablesMode = 3;
        p.BitsPerPixel = byteField(std::uint32_t{p.BitsPerSample} * p.SamplesPerPixel);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    return p.Width != 0 && p.Height != 0;
}

void TTIFFGraphic::setUpColorManager() {
    const TImageProperties& p = FImageProperties;
    TColorManager& cm = FColorManager;
    ConversionOptions options = (p.Options & ioBigEndian) != 0 ? kOptionByteSwap : 0;
    if (p.ColorScheme == ColorScheme::CIELab) options |= kOptionSignedLab;
    if ((p.Options & ioMinIsWhite) != 0) options |= kOptionMinIsWhite;
    if (FAssociatedAlpha) options |= kOptionAssociatedAlpha;
    cm.SetSourceOptions(options);

    // The JPEG decompressor turns three-component strips into blue-green-red; it delivers
    // four components as they are stored.
    const bool jpegColour = p.Compression == TCompressionType::ctJPEG && p.SamplesPerPixel == 3;
    ColorScheme source = jpegColour ? ColorScheme::BGR : p.ColorScheme;
    ColorScheme target = p.ColorScheme;
    std::uint8_t targetSamples = p.SamplesPerPixel;
    switch (p.ColorScheme) {
        case ColorScheme::Indexed:
            if (p.HasAlpha) source = ColorScheme::GreyAlpha;
            break;
        case ColorScheme::Grey:
            // Grey with an alpha sample becomes blue-green-red-alpha pixels.
            if (p.HasAlpha && p.SamplesPerPixel == 2) {
                source = ColorScheme::GreyAlpha;
                target = ColorScheme::BGRA;
                targetSamples = 4;
            }
            break;
        case ColorScheme::CMYK:
            targetSamples = 3;
            target = ColorScheme::BGR;
            break;
        case ColorScheme::RGB:
        case ColorScheme::CMY:
        case ColorScheme::CIELab:
        case ColorScheme::YCbCr:
            target = ColorScheme::BGR;
            break;
        case ColorScheme::RGBA:
            target = ColorScheme::BGRA;
            break;
        default:
            break;
    }
    cm.SetSourceBitsPerSample(p.BitsPerSample);
    // Colour pixels are always 8-bit samples (pf24bit, pf32bit); indices and grey levels
    // keep their depth up to 8 bits.
    const bool colourTarget = target == ColorScheme::BGR || target == ColorScheme::BGRA;
    cm.SetTargetBitsPerSample(colourTarget || p.BitsPerSample == 16 ? 8 : p.BitsPerSample);
    cm.SetSourceColorScheme(source);
    cm.SetTargetColorScheme(target);
    cm.SetSourceSamplesPerPixel(p.SamplesPerPixel);
    cm.SetTargetSamplesPerPixel(targetSamples);
    const bool indexedAlpha = source == ColorScheme::GreyAlpha && target == ColorScheme::Indexed;
    setPixelFormat(indexedAlpha ? PixelFormat::pf8bit : cm.TargetPixelFormat());
}

void TTIFFGraphic::setUpPalette() {
    const TImageProperties& p = FImageProperties;
    const ColorScheme target = FColorManager.TargetColorScheme();
    if (target == ColorScheme::Indexed) {
        const TiffEntry* colorMap = FDirectory.find(kColorMap);
        if (colorMap == nullptr) return;
        // The map holds three planes of 16-bit values; more than 256 colours do not fit.
        if (colorMap->count > kMaxColorMapValues || colorMap->count % 3 != 0 ||
            colorMap->type != 3) {
            invalid();
        }
        const std::vector<std::uint8_t> values = FDirectory.valueBytes(*colorMap);
        const std::size_t colours = colorMap->count / 3;
        const std::uint8_t* planes[3] = {values.data(), values.data() + 2 * colours,
                                         values.data() + 4 * colours};
        setPalette(FColorManager.CreateColorPalette(planes, RawPaletteFormat::Plane16Triple,
                                                    colours, true));
    } else if (target == ColorScheme::Grey || target == ColorScheme::GreyAlpha) {
        setPalette(FColorManager.CreateGrayscalePalette((p.Options & ioMinIsWhite) != 0));
    }
    if (p.ColorScheme == ColorScheme::YCbCr) {
        FColorManager.SetYCbCrParameters(FYCbCrCoefficients, p.YCbCrSubSampling[0],
                                         p.YCbCrSubSampling[1]);
    }
}

std::unique_ptr<TDecoder> TTIFFGraphic::createDecoder() const {
    const TImageProperties& p = FImageProperties;
    const bool reversed = (p.Options & ioReversed) != 0;
    switch (p.Compression) {
        case TCompressionType::ctNone:
            return nullptr;
        case TCompressionType::ctPackedBits:
            return std::make_unique<TPackbitsRLEDecoder>();
        case TCompressionType::ctFax3:
            return std::make_unique<TCCITTFax3Decoder>(FT4Options, p.Width, reversed);
        case TCompressionType::ctFaxRLE:
        case TCompressionType::ctFaxRLEW:
            return std::make_unique<TCCITTMHDecoder>(FT4Options, p.Width, reversed,
                                                     p.Compression == TCompressionType::ctFaxRLEW);
        case TCompressionType::ctLZ77:
            return std::make_unique<TLZ77Decoder>();
        case TCompressionType::ctJPEG: {
            TiffJpegLayout layout;
            layout.width = p.Width;
            layout.samplesPerPixel = p.SamplesPerPixel;
            layout.bitsPerSample = p.BitsPerSample;
            layout.bytesPerLine = p.BytesPerLine;
            layout.yCbCr = p.ColorScheme == ColorScheme::YCbCr;
            if (layout.yCbCr) {
                layout.subsamplingH = p.YCbCrSubSampling[0];
                layout.subsamplingV = p.YCbCrSubSampling[1];
            }
            layout.tables = p.JPEGTables;
            return std::make_unique<TTIFFJPEGDecoder>(std::move(layout), warningHandler());
        }
        case TCompressionType::ctThunderscan:
            return std::make_unique<TThunderDecoder>(p.Width);
        default:
            throw EInvalidGraphic(notSupportedMessage(kCompressionSchemeIs, kFormatName));
    }
}

std::vector<TTIFFGraphic::Strip> TTIFFGraphic::planStrips(const ImageStream& stream,
                                                          bool compressed) const {
    const TImageProperties& p = FImageProperties;
    const auto offsets = FDirectory.values(kStripOffsets);
    const auto byteCounts = compressed ? FDirectory.values(kStripByteCounts) : TCardinalArray{};
    std::vector<Strip> strips;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> stored;  // file ranges read
    std::uint64_t unpackedTotal = 0;
    for (std::uint32_t row = 0; row < p.Height;) {
        const std::size_t i = strips.size();
        if (i >= offsets.size() || (compressed && i >= byteCounts.size())) invalid();
        const std::uint32_t rowsPerStrip = p.RowsPerStrip[std::min(i, p.RowsPerStrip.size() - 1)];
        if (rowsPerStrip == 0) invalid();
        // The last strip holds only the rows that are left.
        const Strip strip{FBasePosition + offsets[i], compressed ? byteCounts[i] : 0,
                          std::min(rowsPerStrip, p.Height - row)};
        const std::uint64_t unpacked = std::uint64_t{strip.rows} * p.BytesPerLine;
        const std::uint64_t size = compressed ? strip.byteCount : unpacked;
        if (strip.position > stream.size() || size > stream.size() - strip.position) invalid();
        stored.emplace_back(strip.position, strip.position + size);
        unpackedTotal += unpacked;
        strips.push_back(strip);
        row += strip.rows;
    }
    // No compression here expands data anywhere near this much; a header that claims more
    // (or strips that all share the same few bytes) would only make a huge picture out of a
    // few bytes. Bytes that several strips share count once.
    if (unpackedTotal > distinctBytes(stored) * kMaxExpansion + kExpansionAllowance) invalid();
    return strips;
}

void TTIFFGraphic::LoadFromStream(ImageStream& stream) {
    clear();
    if (!ReadImageProperties(stream, 0)) invalid();
    TImageProperties& p = FImageProperties;
    if ((p.Options & ioTiled) != 0) return;

    Progress(ProgressStage::psStarting, 0, false, FProgressRect, kPreparing);
    // Sample sizes other than these would make rows wider than the bitmap's.
    const unsigned bits = p.BitsPerSample;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) invalid();
    // Separate planes per sample are not read; one sample per pixel is the same layout.
    if (p.PlanarConfig == 2 && p.SamplesPerPixel > 1) invalid();
    setUpColorManager();
    if (pixelFormat() == PixelFormat::pfCustom) invalid();
    // The bitmap and one stored row must fit; checkWorkingMemory then counts every buffer.
    checkImageSize(p.Width, p.Height, bitsPerPixel(pixelFormat()), kFormatName);
    checkImageSize(p.Width, 1, p.BitsPerPixel, kFormatName);
    p.BytesPerLine = static_cast<std::uint32_t>((std::uint64_t{p.BitsPerPixel} * p.Width + 7) / 8);
    // Uncompressed subsampled YCbCr is stored in blocks, not rows.
    if (p.ColorScheme == ColorScheme::YCbCr && p.Compression != TCompressionType::ctJPEG &&
        (p.YCbCrSubSampling[0] != 1 || p.YCbCrSubSampling[1] != 1)) {
        invalid();
    }
    const std::unique_ptr<TDecoder> decoder = createDecoder();
    const std::vector<Strip> strips = planStrips(stream, decoder != nullptr);
    checkWorkingMemory(strips, decoder != nullptr);

    // Whole rows of 8-bit colour samples are written in full; other layouts start cleared.
    const TColorManager& cm = FColorManager;
    const bool writesEveryByte =
        cm.TargetBitsPerSample() == 8 &&
        ((cm.TargetColorScheme() == ColorScheme::BGR && cm.TargetSamplesPerPixel() == 3) ||
         (cm.TargetColorScheme() == ColorScheme::BGRA && cm.TargetSamplesPerPixel() == 4));
    // Each row is converted once, in order, from its own stored row (the predictor works on
    // that), so the rows can go to an offered sink.
    acceptRowSink({p.Width, p.Height});
    setSize(p.Width, p.Height, !writesEveryByte);
    setUpPalette();

    try {
        if (decoder) decoder->DecodeInit();
        Progress(ProgressStage::psEnding, 0, false, FProgressRect, "");
        Progress(ProgressStage::psStarting, 0, false, FProgressRect, kTransfering);
        readStrips(stream, strips, decoder.get());
        Progress(ProgressStage::psEnding, 100, false, FProgressRect, "");
    } catch (...) {
        if (decoder) {
            try {
                decoder->DecodeEnd();
            } catch (...) {
                // The first error is the one to report.
            }
        }
        throw;
    }
    if (decoder) decoder->DecodeEnd();
}

void TTIFFGraphic::checkWorkingMemory(const std::vector<Strip>& strips, bool compressed) const {
    const TImageProperties& p = FImageProperties;
    // Compressed strips are read whole and expanded whole; plain ones a row at a time.
    std::uint64_t buffers = p.BytesPerLine;
    if (compressed) {
        for (const Strip& strip : strips) {
            buffers =
                std::max(buffers, std::uint64_t{strip.rows} * p.BytesPerLine + strip.byteCount);
        }
    }
    const std::uint64_t bitmapBytes =
        (std::uint64_t{p.Width} * bitsPerPixel(pixelFormat()) + 7) / 8 * p.Height;
    if (bitmapBytes + buffers > maxImageBytes()) invalid();
}

void TTIFFGraphic::readStrips(ImageStream& stream, const std::vector<Strip>& strips,
                              TDecoder* decoder) {
    TImageProperties& p = FImageProperties;
    p.StripCount = static_cast<std::uint32_t>(strips.size());
    const bool predictor =
        p.Predictor == 2 && (p.BitsPerSample == 8 || p.BitsPerSample == 16) && decoder != nullptr;
    // The fax decoders reverse the bit order themselves and JPEG streams keep their own;
    // every other kind has its stored bytes reversed as they are read (as libtiff does).
    const bool reversed = (p.Options & ioReversed) != 0 &&
                          p.Compression != TCompressionType::ctJPEG && !isFax(p.Compression);
    auto emitRow = [&](std::uint8_t* line) {
        if (predictor) {
            undoPredictor(line, p.Width, p.SamplesPerPixel, p.BitsPerSample,
                          (p.Options & ioBigEndian) != 0);
        }
        FColorManager.ConvertRow(line, scanLine(p.CurrentRow), p.Width);
        rowDone(p.CurrentRow);
        ++p.CurrentRow;
        Progress(ProgressStage::psRunning,
                 static_cast<std::uint8_t>(std::uint64_t{p.CurrentRow} * 100 / p.Height), false,
                 FProgressRect, "");
    };
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint8_t> packed;
    p.CurrentRow = 0;
    for (p.CurrentStrip = 0; p.CurrentStrip < strips.size(); ++p.CurrentStrip) {
        const Strip& strip = strips[p.CurrentStrip];
        stream.seek(strip.position);
        if (decoder == nullptr) {
            buffer.resize(p.BytesPerLine);
            for (std::uint32_t row = 0; row < strip.rows; ++row) {
                stream.readBuffer(buffer.data(), buffer.size());
                if (reversed) reverseBits(buffer.data(), buffer.size());
                emitRow(buffer.data());
            }
            continue;
        }
        const std::size_t stripSize = std::size_t{strip.rows} * p.BytesPerLine;
        buffer.resize(stripSize);
        packed.resize(strip.byteCount);
        stream.readBuffer(packed.data(), packed.size());
        if (reversed) reverseBits(packed.data(), packed.size());
        const std::uint8_t* source = packed.data();
        decoder->Decode(source, buffer.data(), packed.size(), stripSize);
        for (std::uint32_t row = 0; row < strip.rows; ++row) {
            emitRow(buffer.data() + std::size_t{row} * p.BytesPerLine);
        }
    }
}

const GraphicClass kTIFFGraphicClass{
    "TTIFFGraphic", []() -> std::unique_ptr<Graphic> { return std::make_unique<TTIFFGraphic>(); },
    TTIFFGraphic::CanLoad};

}  // namespace kelvane
