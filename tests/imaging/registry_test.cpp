#include <gtest/gtest.h>

#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
#include "imaging/platform_picture.h"
#include "imaging/png_image.h"
#include "imaging/targa.h"
#include "imaging/tiff.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

// Two stand-in picture classes: one recognises data starting with "FAKE".
struct FakeGraphic : TFormatGraphic {
    static bool CanLoad(ImageStream& stream) {
        char head[4] = {};
        const std::uint64_t at = stream.position();
        const bool fake = stream.read(head, 4) == 4 && std::string(head, 4) == "FAKE";
        stream.seek(at);
        return fake;
    }
    void LoadFromStream(ImageStream&) override { setSize(1, 1); }
};
std::unique_ptr<Graphic> createFake() {
    return std::make_unique<FakeGraphic>();
}
const GraphicClass kFake{"TFake", createFake, FakeGraphic::CanLoad};
const GraphicClass kOther{"TOther", createFake};

TEST(RegistryTest, RegistersExtensionsOnceWhateverTheirCase) {
    PictureExtensionTable platform;
    TFileFormatList list(platform);
    list.RegisterFileFormat("", "ignored", "", ftRaster, false, kFake);
    EXPECT_TRUE(list.ClassEntries().empty());
    list.RegisterFileFormat("fak", "Fake images", "", ftRaster, false, kFake);
    list.RegisterFileFormat("fk2", "", "Second fakes", ftRaster, false, kFake);
    try {
        list.RegisterFileFormat("FAK", "", "", ftRaster, false, kOther);
        FAIL() << "registered twice";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(englishText(e), "Attempt to register FAK twice.");
    }
    EXPECT_EQ(list.FindExtension("Fk2"), 1);
    EXPECT_EQ(list.FindExtension(""), -1);
    ASSERT_EQ(list.ClassEntries().size(), 1u);
    EXPECT_EQ(list.ClassEntries()[0]->Count, 2);
    // The platform table gets the individual description, or else the common one.
    ASSERT_EQ(platform.Registrations().size(), 2u);
    EXPECT_EQ(platform.Registrations()[0].description, "Fake images");
    EXPECT_EQ(platform.Registrations()[1].description, "Second fakes");
}

TEST(RegistryTest, ReplacingAndUnregisteringKeepTheCounts) {
    PictureExtensionTable platform;
    TFileFormatList list(platform);
    list.RegisterFileFormat("a", "Fakes", "", ftRaster, false, kFake);
    list.RegisterFileFormat("b", "", "", ftRaster, false, kFake);
    list.RegisterFileFormat("c", "", "", ftRaster, false, kFake);
    list.RegisterFileFormat("b", "Others", "", ftRaster, true, kOther);
    ASSERT_EQ(list.ClassEntries().size(), 2u);
    EXPECT_EQ(list.ClassEntries()[0]->Count, 2);
    EXPECT_EQ(list.ExtensionEntries()[1]->ClassEntry->GraphicClass, &kOther);
    EXPECT_EQ(platform.Find("B"), &kOther);
    // Replacing within the same class takes the new individual description; the generic
    // loader's table holds one registration per extension with what the registry says.
    list.RegisterFileFormat("c", "", "Seas", ftVector, true, kFake);
    EXPECT_EQ(list.ExtensionEntries()[2]->FormatTypes, ftVector);
    std::vector<std::string> rows;
    for (const auto& r : platform.Registrations())
        rows.push_back(r.extension + " " + r.description);
    EXPECT_EQ(rows, (std::vector<std::string>{"a Fakes", "b Others", "c Seas"}));
    list.UnregisterFileFormat("unknown", kFake);
    // One extension goes, from both tables; its class keeps the other.
    list.UnregisterFileFormat("a", kFake);
    EXPECT_EQ(platform.Find("a"), nullptr);
    EXPECT_EQ(platform.Find("c"), &kFake);
    list.UnregisterFileFormat("c", kFake);
    EXPECT_EQ(list.FindGraphicClass(kFake), -1);
    list.UnregisterFileFormat("", kOther);
    EXPECT_TRUE(list.ClassEntries().empty());
    EXPECT_TRUE(list.ExtensionEntries().empty());
    EXPECT_TRUE(platform.Registrations().empty());
}

TEST(RegistryTest, StartUpRegistrationsInTheirOrder) {
    PictureExtensionTable platform = platformDefaultTable();
    {
        TFileFormatList list(platform);
        RegisterStartupFormats(list);
        std::vector<std::string> classes, extensions;
        for (const auto& c : list.ClassEntries()) classes.emplace_back(c->GraphicClass->name);
        for (const auto& e : list.ExtensionEntries()) extensions.push_back(e->Extension);
        EXPECT_EQ(classes,
                  (std::vector<std::string>{"TBitmap", "TIcon", "TMetafile", "TJPEGImage",
                                            "TTargaGraphic", "TTIFFGraphic", "TPNGGraphic"}));
        EXPECT_EQ(extensions,
                  (std::vector<std::string>{"bmp", "ico", "wmf", "emf", "jfif", "jpg", "jpe",
                                            "jpeg", "rle", "dib", "win", "vst", "vda", "tga", "icb",
                                            "tiff", "tif", "fax", "png"}));
        EXPECT_EQ(list.ClassEntries()[5]->Description, "Tagged image file format images");
        EXPECT_EQ(list.ExtensionEntries()[16]->FormatTypes, ftRaster | ftMultiImage);
        EXPECT_EQ(platform.Find("fax"), &kTIFFGraphicClass);
        EXPECT_EQ(list.ClassEntries()[3]->Description, "JPG images");
        EXPECT_EQ(list.ClassEntries()[4]->Count, 5);
        EXPECT_EQ(list.ExtensionEntries()[3]->FormatTypes, ftVector);
        EXPECT_EQ(platform.Find("TGA"), &kTargaGraphicClass);
        EXPECT_EQ(platform.Find("PNG"), &kPNGGraphicClass);
        EXPECT_EQ(list.ClassEntries()[6]->Description, "Portable network graphic images");
    }
    // Shutdown takes back what the registry added and leaves the platform's own.
    EXPECT_EQ(platform.Registrations().size(), platformDefaultTable().Registrations().size());
    EXPECT_EQ(platform.Find("jpg"), &kJpegImageClass);
}

std::string loadError(const std::string& path) {
    try {
        LoadPicture(path);
    } catch (const std::exception& e) {
        return englishText(e);
    }
    return "no error";
}

TEST(RegistryTest, PictureLoadingTriesContentThenExtension) {
    test::TempDir dir;
    const std::string base = dir.path().string() + "/";
    const std::string tga = test::tgaHeader({.width = 1, .height = 1}) + "\x01\x02\x03";
    // Recognised by content whatever its name.
    test::writeFile(base + "picture.dat", tga);
    auto picture = LoadPicture(base + "picture.dat");
    EXPECT_NE(dynamic_cast<TTargaGraphic*>(picture.get()), nullptr);
    EXPECT_EQ(picture->toRgba8().pixels[0], 3);
    // A colour-map entry size of 0 defeats the content test; the extension still works.
    std::string odd = tga;
    odd[7] = 0;
    test::writeFile(base + "ODD.TGA", odd);
    EXPECT_TRUE(kTargaGraphicClass.CanLoad(base + "picture.dat"));
    EXPECT_FALSE(kTargaGraphicClass.CanLoad(base + "ODD.TGA"));
    EXPECT_EQ(LoadPicture(base + "ODD.TGA")->width(), 1u);
    test::writeFile(base + "odd.xyz", odd);
    EXPECT_EQ(loadError(base + "odd.xyz"), "Unknown picture file extension (.xyz)");
    test::writeFile(base + "ANIM.GIF", "GIF89a\x01\x00\x01\x00");
    EXPECT_EQ(loadError(base + "ANIM.GIF"), "Unknown picture file extension (.GIF)");
    test::writeFile(base + "drawing.wmf", "\xD7\xCD\xC6\x9A");
    EXPECT_EQ(loadError(base + "drawing.wmf"),
              "Cannot load image. Windows metafiles are not supported.");
    // Windows bitmaps go to the platform loader.
    test::BmpLayout layout{.width = 1, .height = 1, .bits = 24};
    test::writeFile(base + "one.BMP", test::buildBmp(layout, std::string("\x05\x06\x07\x00", 4)));
    picture = LoadPicture(base + "one.BMP");
    EXPECT_NE(dynamic_cast<WindowsBitmap*>(picture.get()), nullptr);
    EXPECT_EQ(picture->toRgba8().pixels[0], 7);

    // A picture in memory takes the same road, its extension standing for the file's.
    for (const char* name : {"picture.dat", "ODD.TGA", "odd.xyz", "ANIM.GIF", "one.BMP"}) {
        SCOPED_TRACE(name);
        const std::string bytes = test::readFile(base + name);
        MemoryStream stream(bytes.data(), bytes.size());
        std::string outcome;
        try {
            outcome = std::to_string(LoadPicture(stream, fileExtension(name))->toRgba8().pixels[0]);
        } catch (const std::exception& e) {
            outcome = englishText(e);
        }
        const std::string expected = loadError(base + name);
        EXPECT_EQ(outcome, expected == "no error"
                               ? std::to_string(LoadPicture(base + name)->toRgba8().pixels[0])
                               : expected);
    }
}

}  // namespace
}  // namespace kelvane
