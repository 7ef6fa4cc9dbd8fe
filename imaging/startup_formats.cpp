#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
#include "imaging/libtiff_picture.h"
#include "imaging/platform_picture.h"
#include "imaging/png_image.h"
#include "imaging/targa.h"
#include "imaging/tiff.h"

namespace kelvane {

void RegisterStartupFormats(TFileFormatList& list) {
    const auto raster = ftRaster;
    list.RegisterFileFormat("bmp", "Windows bitmaps", "", raster, false, kWindowsBitmapClass);
    list.RegisterFileFormat("ico", "Windows icons", "", raster, false, kWindowsIconClass);
    list.RegisterFileFormat("wmf", "Windows metafiles", "", ftVector, false, kWindowsMetafileClass);
    list.RegisterFileFormat("emf", "Windows metafiles", "Windows enhanced meta files", ftVector,
                            false, kWindowsMetafileClass);
    list.RegisterFileFormat("jfif", "JPG images", "JFIF images", raster, false, kJpegImageClass);
    list.RegisterFileFormat("jpg", "", "JPG images", raster, false, kJpegImageClass);
    list.RegisterFileFormat("jpe", "", "JPE images", raster, false, kJpegImageClass);
    list.RegisterFileFormat("jpeg", "", "JPEG images", raster, false, kJpegImageClass);
    list.RegisterFileFormat("rle", "Windows bitmaps", "Run length encoded Windows bitmaps", raster,
                            false, kWindowsBitmapClass);
    list.RegisterFileFormat("dib", "", "Device independant Windows bitmaps", raster, false,
                            kWindowsBitmapClass);
    list.RegisterFileFormat("win", "Truevision images", "", raster, false, kTargaGraphicClass);
    for (const char* extension : {"vst", "vda", "tga", "icb"})
        list.RegisterFileFormat(extension, "", "", raster, false, kTargaGraphicClass);
    const auto pages = static_cast<TFormatTypes>(ftRaster | ftMultiImage);
    list.RegisterFileFormat("tiff", "Tagged image file format images", "Macintosh TIFF images",
                            pages, false, kTIFFGraphicClass);
    list.RegisterFileFormat("tif", "", "PC TIF images", pages, false, kTIFFGraphicClass);
    list.RegisterFileFormat("fax", "", "GFI fax images", pages, false, kTIFFGraphicClass);
    list.RegisterFileFormat("png", "Portable network graphic images", "", raster, false,
                            kPNGGraphicClass);
}

TFileFormatList& FileFormatList() {
    // Built after the generic loader's table, so destroyed before it.
    static TFileFormatList list(platformPictureTable());
    static const bool registered = (RegisterStartupFormats(list), true);
    (void)registered;
    return list;
}

namespace {

// Loads the picture at the stream's position with `graphicClass`. A TIFF file the program's
// own decoder refuses (it throws, or leaves empty a picture its header gives a size) is
// decoded again by libtiff, whole; when libtiff cannot read it either, the own decoder's
// error stands.
std::unique_ptr<Graphic> loadWith(const GraphicClass& graphicClass, ImageStream& stream,
                                  RowSink* rowSink) {
    std::unique_ptr<Graphic> picture = graphicClass.create();
    picture->offerRowSink(rowSink);
    if (&graphicClass != &kTIFFGraphicClass) {
        picture->LoadFromStream(stream);
        return picture;
    }
    const std::uint64_t start = stream.position();
    try {
        picture->LoadFromStream(stream);
    } catch (const std::exception&) {
        stream.seek(start);
        if (std::unique_ptr<Graphic> fallback = decodeWithLibtiff(stream)) return fallback;
        throw;
    }
    const TImageProperties& stated = static_cast<TTIFFGraphic&>(*picture).ImageProperties();
    if (picture->empty() && stated.Width != 0 && stated.Height != 0) {
        stream.seek(start);
        if (std::unique_ptr<Graphic> fallback = decodeWithLibtiff(stream)) return fallback;
    }
    return picture;
}

}  // namespace

std::unique_ptr<Graphic> LoadPicture(const std::string& path, const TFileFormatList& list) {
    FileStream stream(path);
    return LoadPicture(stream, fileExtension(path), list);
}

std::unique_ptr<Graphic> LoadPicture(ImageStream& stream, std::string_view extension,
                                     const TFileFormatList& list, RowSink* rowSink) {
    const GraphicClass* graphicClass = list.GraphicFromContent(stream);
    if (graphicClass == nullptr && !extension.empty())
        graphicClass = list.PlatformTable().Find(extension);
    if (graphicClass == nullptr)
        throw EInvalidGraphic("Unknown picture file extension (." + std::string(extension) + ")");
    return loadWith(*graphicClass, stream, rowSink);
}

}  // namespace kelvane
