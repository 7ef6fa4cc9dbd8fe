#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
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

std::unique_ptr<Graphic> LoadPicture(const std::string& path, const TFileFormatList& list) {
    if (const GraphicClass* graphicClass = list.GraphicFromContent(path)) {
        std::unique_ptr<Graphic> picture = graphicClass->create();
        picture->LoadFromFile(path);
        return picture;
    }
    return list.PlatformTable().LoadFromFile(path);
}

std::unique_ptr<Graphic> LoadPicture(ImageStream& stream, std::string_view extension,
                                     const TFileFormatList& list, RowSink* rowSink) {
    const GraphicClass* graphicClass = list.GraphicFromContent(stream);
    if (graphicClass == nullptr && !extension.empty())
        graphicClass = list.PlatformTable().Find(extension);
    if (graphicClass == nullptr)
        throw EInvalidGraphic("Unknown picture file extension (." + std::string(extension) + ")");
    std::unique_ptr<Graphic> picture = graphicClass->create();
    picture->offerRowSink(rowSink);
    picture->LoadFromStream(stream);
    return picture;
}

}  // namespace kelvane
