// The platform's own picture classes behind the generic loader: Windows bitmaps, icons,
// metafiles (refused) and JPEG images through libjpeg, plus the loader's extension table.
#pragma once

#include <cstdint>

#include "imaging/graphic.h"

namespace kelvane {

// Windows and OS/2 bitmaps (core, info, V4 and V5 headers): 1, 4, 8, 16, 24 and 32 bits,
// RLE4, RLE8 and bit-field masks, stored bottom-up or top-down.
class WindowsBitmap : public Graphic {
  public:
    void LoadFromStream(ImageStream& stream) override;
};

// Windows icons holding device-independent bitmaps; the largest image is shown, with
// the transparency of its mask in the alpha byte.
class WindowsIcon : public Graphic {
  public:
    void LoadFromStream(ImageStream& stream) override;
};

// Windows metafiles are vector drawings that this program does not render.
class WindowsMetafile : public Graphic {
  public:
    void LoadFromStream(ImageStream& stream) override;
};

// JPEG images (baseline and progressive) decoded by libjpeg from memory.
class JpegImage : public Graphic {
  public:
    void LoadFromStream(ImageStream& stream) override;
};

extern const GraphicClass kWindowsBitmapClass;
extern const GraphicClass kWindowsIconClass;
extern const GraphicClass kWindowsMetafileClass;
extern const GraphicClass kJpegImageClass;

// Decodes a device-independent bitmap whose info header starts at the stream position.
// `pixelOffset` is the absolute position of the pixels, 0 for "right after the palette".
// An icon image has a doubled height and a transparency mask after its pixels; its mask
// is returned in `iconMask` (one byte per pixel, non-zero for transparent).
void decodeDib(ImageStream& stream, Bitmap& bitmap, std::uint64_t pixelOffset,
               std::vector<std::uint8_t>* iconMask = nullptr);

// The generic loader's table with the platform's own registrations (bmp, ico, wmf, emf,
// jpg, jpeg).
PictureExtensionTable platformDefaultTable();
// The process-wide table the generic loader uses.
PictureExtensionTable& platformPictureTable();

}  // namespace kelvane
