// Portable Network Graphics pictures decoded by libpng.
#pragma once

#include "imaging/ImageFormats.h"

namespace kelvane {

// Every colour type and depth: palette and grey pictures as pf8bit with their palette (a grey
// ramp for grey), RGB as pf24bit, and whatever has transparency (an alpha channel or a tRNS
// chunk) as pf32bit with its alpha; 16-bit samples are scaled to 8 bits, interlaced pictures
// are put together. Fails with EInvalidGraphic ("PNG error: ...") for data libpng refuses or
// that end early, and with the invalid-format message for a picture larger than
// maxImageBytes().
class TPNGGraphic : public TFormatGraphic {
  public:
    // The eight bytes of the PNG signature at the position, which is kept.
    static bool CanLoad(ImageStream& stream);
    void LoadFromStream(ImageStream& stream) override;
};

extern const GraphicClass kPNGGraphicClass;

}  // namespace kelvane
