#include "imaging/graphic_errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "imaging/ImageFormats.h"
#include "imaging/graphic.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

// Each kind of image failure carries both languages: its English as the decoders always gave
// it, and its French.
TEST(GraphicErrors, EachKindIsToldInBothLanguages) {
    const struct {
        std::function<void()> raise;
        const char* english;
        const char* french;
    } cases[] = {
        {[] { throw EReadError(); }, "Stream read error", "Erreur de lecture du flux"},
        {[] { throw StreamReadError(); }, "Stream read error", "Erreur de lecture du flux"},
        {[] { throwInvalidImage("BMP"); },
         "Cannot load image. Invalid or unexpected BMP image format.",
         "Impossible de charger l'image. Format d'image BMP non valide ou inattendu."},
        {[] { throw EInvalidGraphic(notSupportedMessage(kCompressionSchemeIs, "TIF/TIFF")); },
         "Cannot load image. The compression scheme is not supported for TIF/TIFF files.",
         "Impossible de charger l'image. Ce mode de compression n'est pas pris en charge pour les "
         "fichiers TIF/TIFF."},
        {[] {
             MemoryStream stream("GIF89a", 6);
             LoadPicture(stream, "GIF");
         },
         "Unknown picture file extension (.GIF)", "Extension de fichier image inconnue (.GIF)"},
        {[] { PictureExtensionTable().LoadFromFile("x.GIF"); },
         "Unknown picture file extension (.GIF)", "Extension de fichier image inconnue (.GIF)"},
        {[] { throw EGraphicCompression("LZ77 decompression error."); },
         "LZ77 decompression error.", "Erreur de décompression LZ77."},
        {[] {
             throw EColorConversionError(
                 "Color conversion failed. Could not find a proper method.");
         },
         "Color conversion failed. Could not find a proper method.",
         "La conversion des couleurs a échoué : aucune méthode adaptée."},
        {[] { throw EInvalidGraphic("JPEG error: Not a JPEG file"); },
         "JPEG error: Not a JPEG file", "Erreur JPEG : Not a JPEG file"},
        {[] { throw EFOpenError("/tmp/a.tga"); }, "Cannot open file \"/tmp/a.tga\"",
         "Impossible d'ouvrir le fichier \"/tmp/a.tga\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.english);
        try {
            c.raise();
            ADD_FAILURE() << "nothing thrown";
        } catch (const BilingualError& e) {
            EXPECT_EQ(e.english(), c.english);
            EXPECT_EQ(e.french(), c.french);
            EXPECT_EQ(std::string(e.what()), std::string(c.french) + "\r\n" + c.english);
        }
    }
    // A text it does not know is kept in both halves.
    EXPECT_EQ(frenchImageText("Something new %s"), "Something new %s");
}

}  // namespace
}  // namespace kelvane
