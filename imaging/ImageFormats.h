// The image format registry (which picture class reads which extension), the common base
// of the program's own decoders, and the picture-loading operation the image viewer uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/color_manager.h"
#include "imaging/graphic.h"

namespace kelvane {

enum class TCompressionType : std::uint8_t {
    ctUnknown = 0,
    ctNone = 1,
    ctRLE = 2,
    ctPackedBits = 3,
    ctLZW = 4,
    ctFax3 = 5,
    ctFaxRLE = 6,
    ctFax4 = 7,
    ctFaxRLEW = 8,
    ctLZ77 = 9,
    ctJPEG = 10,
    ctOJPEG = 11,
    ctThunderscan = 12,
    ctNext = 13,
    ctIT8CTPAD = 14,
    ctIT8LW = 15,
    ctIT8MP = 16,
    ctIT8BL = 17,
    ctPixarFilm = 18,
    ctPixarLog = 19,
    ctDCS = 20,
    ctJBIG = 21,
};

// TImageProperties.Options.
using TImageOptions = std::uint8_t;
inline constexpr TImageOptions ioTiled = 0x01;
inline constexpr TImageOptions ioBigEndian = 0x02;
inline constexpr TImageOptions ioMinIsWhite = 0x04;
inline constexpr TImageOptions ioReversed = 0x08;  // bits stored least significant first

using TCardinalArray = std::vector<std::uint32_t>;
using TByteArray = std::vector<std::uint8_t>;

// What a decoder learns from a header before decoding pixels.
struct TImageProperties {
    std::uint32_t Version = 0;
    TImageOptions Options = 0;
    std::uint32_t Width = 0, Height = 0;
    kelvane::ColorScheme ColorScheme = kelvane::ColorScheme::Unknown;
    std::uint8_t BitsPerSample = 0, SamplesPerPixel = 0, BitsPerPixel = 0;
    TCompressionType Compression = TCompressionType::ctUnknown;
    float FileGamma = 1.0f, XResolution = 0.0f, YResolution = 0.0f;
    bool Interlaced = false, HasAlpha = false;
    std::uint32_t FirstIFD = 0, PlanarConfig = 0, CurrentRow = 0, TileWidth = 0, TileLength = 0,
                  BytesPerLine = 0;
    TCardinalArray RowsPerStrip;
    TByteArray YCbCrSubSampling, JPEGTables;
    std::uint32_t JPEGColorMode = 0, JPEGTablesMode = 0, CurrentStrip = 0, StripCount = 0,
                  Predictor = 0;
};

inline constexpr const char* kPreparing = "Preparing...";
inline constexpr const char* kTransfering = "Transfering...";

// Base of the program's own decoders: a picture with a colour manager, image properties,
// the stream position loading started at (file offsets are relative to it) and the
// rectangle reported with progress.
class TFormatGraphic : public Graphic {
  public:
    // Class-level content test; the base recognises nothing.
    static bool CanLoad(ImageStream& stream);
    // Clears the properties (FileGamma 1.0) and returns false; decoders call it first.
    virtual bool ReadImageProperties(ImageStream& stream, unsigned imageIndex);

    const TImageProperties& ImageProperties() const { return FImageProperties; }
    TColorManager& ColorManager() { return FColorManager; }

  protected:
    TColorManager FColorManager;
    TImageProperties FImageProperties;
    std::uint64_t FBasePosition = 0;
    ProgressRect FProgressRect;
};

// Format kinds, a one-byte set stored with each extension.
using TFormatTypes = std::uint8_t;
inline constexpr TFormatTypes ftLayered = 0x02;
inline constexpr TFormatTypes ftMultiImage = 0x04;
inline constexpr TFormatTypes ftRaster = 0x08;
inline constexpr TFormatTypes ftVector = 0x10;

struct TClassEntry {
    const kelvane::GraphicClass* GraphicClass;
    std::string Description;
    std::int32_t Count = 0;  // extension entries that refer to this class
};

struct TExtensionEntry {
    std::string Extension;  // without the dot, as registered
    std::string Description;
    TFormatTypes FormatTypes = 0;
    TClassEntry* ClassEntry = nullptr;
};

// The registry. Every registration is also passed to the generic loader's table, so both
// know the same extensions.
class TFileFormatList {
  public:
    explicit TFileFormatList(PictureExtensionTable& platformTable);
    ~TFileFormatList();  // takes its registrations back from the platform table
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // Fails with "Attempt to register EXT twice." when the extension is known and
    // `replace` is false.
    void RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                            std::string_view individualDescription, TFormatTypes formatTypes,
                            bool replace, const GraphicClass& graphicClass);
    // An empty extension removes the class with all its extensions.
    void UnregisterFileFormat(std::string_view extension, const GraphicClass& graphicClass);
    int FindExtension(std::string_view extension) const;
    int FindGraphicClass(const GraphicClass& graphicClass) const;

    // The first class, in registration order, that derives from TFormatGraphic and
    // recognises the content; null when none does. The stream position is kept.
    const GraphicClass* GraphicFromContent(const std::string& path) const;
    const GraphicClass* GraphicFromContent(ImageStream& stream) const;

    const std::vector<std::unique_ptr<TClassEntry>>& ClassEntries() const { return classes_; }
    const std::vector<std::unique_ptr<TExtensionEntry>>& ExtensionEntries() const {
        return extensions_;
    }
    const PictureExtensionTable& PlatformTable() const { return platform_; }

  private:
    TClassEntry& classEntryFor(const GraphicClass& graphicClass, std::string_view description);
    void releaseClassEntry(TClassEntry* entry);

    PictureExtensionTable& platform_;
    std::vector<std::unique_ptr<TClassEntry>> classes_;
    std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// Registers the formats this program reads, in their start-up order.
void RegisterStartupFormats(TFileFormatList& list);

// The program's registry, built at first use over the generic loader's table.
TFileFormatList& FileFormatList();

// Loads a picture: by content through the registry first, else by extension through the
// generic loader.
std::unique_ptr<Graphic> LoadPicture(const std::string& path,
                                     const TFileFormatList& list = FileFormatList());
// The same for a picture held in a stream (from its position on), `extension` (without the
// dot) standing for the file's. `rowSink`, when given, is offered to the picture before it
// loads (see Bitmap::offerRowSink).
std::unique_ptr<Graphic> LoadPicture(ImageStream& stream, std::string_view extension,
                                     const TFileFormatList& list = FileFormatList(),
                                     RowSink* rowSink = nullptr);

}  // namespace kelvane
