#include "imaging/ImageFormats.h"
#include "imaging/platform_picture.h"
#include "imaging/targa.h"

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

}  // namespace kelvane
