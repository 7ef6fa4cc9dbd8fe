#include "imaging/graphic_errors.h"

#include <vector>

namespace kelvane {

std::string invalidImageMessage(std::string_view format) {
    return "Cannot load image. Invalid or unexpected " + std::string(format) + " image format.";
}

std::string notSupportedMessage(std::string_view what, std::string_view format) {
    return "Cannot load image. " + std::string(what) + " not supported for " + std::string(format) +
           " files.";
}

namespace {

std::uint64_t imageByteLimit = std::uint64_t{1} << 30;

// Every message of the image decoders in both languages; "%s" stands for a part given as it
// stands (a format name, an extension, a library's own text). The first pattern that matches
// wins, so a particular text comes before a general one.
struct Translation {
    std::string_view english, french;
};
constexpr Translation kTranslations[] = {
    {"Stream read error", "Erreur de lecture du flux"},
    {"Cannot load image. Invalid or unexpected %s image format.",
     "Impossible de charger l'image. Format d'image %s non valide ou inattendu."},
    {"Cannot load image. The compression scheme is not supported for %s files.",
     "Impossible de charger l'image. Ce mode de compression n'est pas pris en charge pour les "
     "fichiers %s."},
    {"Cannot load image. PNG compressed images are not supported for %s files.",
     "Impossible de charger l'image. Les images compressées en PNG ne sont pas prises en charge "
     "pour les fichiers %s."},
    {"Cannot load image. Windows metafiles are not supported.",
     "Impossible de charger l'image. Les métafichiers Windows ne sont pas pris en charge."},
    {"Unknown picture file extension (.%s)", "Extension de fichier image inconnue (.%s)"},
    {"Attempt to register %s twice.", "Tentative d'enregistrer %s deux fois."},
    {"Cannot create a bitmap of a custom pixel format.",
     "Impossible de créer une image d'un format de pixel personnalisé."},
    {"JPEG error: %s", "Erreur JPEG : %s"},
    {"PNG error: %s", "Erreur PNG : %s"},
    {"Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.",
     "Profondeur de couleur non valide. Les bits par échantillon doivent valoir 1, 2, 4, 8 ou "
     "16."},
    {"Sample count per pixel does not correspond to the given color scheme.",
     "Le nombre d'échantillons par pixel ne correspond pas au schéma de couleurs donné."},
    {"Subsampling value is invalid. Allowed are 1, 2 and 4.",
     "Valeur de sous-échantillonnage non valide. Seules 1, 2 et 4 sont permises."},
    {"Vertical subsampling value must be <= horizontal subsampling value.",
     "Le sous-échantillonnage vertical doit être <= au sous-échantillonnage horizontal."},
    {"Conversion between indexed and non-indexed pixel formats is not supported.",
     "La conversion entre formats de pixel indexés et non indexés n'est pas prise en charge."},
    {"Color conversion failed. Could not find a proper method.",
     "La conversion des couleurs a échoué : aucune méthode adaptée."},
    {"LZ77 decompression error.", "Erreur de décompression LZ77."},
    {"Bogus JPEG tables field.", "Champ des tables JPEG incorrect."},
    {"Improper JPEG strip/tile size.", "Taille de bande ou de tuile JPEG incorrecte."},
    {"Improper JPEG component count.", "Nombre de composantes JPEG incorrect."},
    {"Improper JPEG data precision.", "Précision des données JPEG incorrecte."},
    {"Improper JPEG sampling factors.", "Facteurs d'échantillonnage JPEG incorrects."},
    {"Fractional JPEG scanline unsupported.", "Ligne JPEG fractionnaire non prise en charge."},
};

// The parts of `text` that the "%s" of `pattern` stand for, when it matches.
bool matchPattern(std::string_view pattern, std::string_view text,
                  std::vector<std::string_view>& parts) {
    parts.clear();
    std::size_t hole = pattern.find("%s");
    if (hole == std::string_view::npos) return pattern == text;
    if (text.substr(0, hole) != pattern.substr(0, hole)) return false;
    text.remove_prefix(hole);
    pattern.remove_prefix(hole + 2);
    while (true) {
        hole = pattern.find("%s");
        const std::string_view literal = pattern.substr(0, hole);
        // The last literal ends the text; the others end the part before them.
        const std::size_t at =
            hole == std::string_view::npos
                ? (text.ends_with(literal) ? text.size() - literal.size() : std::string_view::npos)
                : text.find(literal);
        if (at == std::string_view::npos) return false;
        parts.push_back(text.substr(0, at));
        if (hole == std::string_view::npos) return true;
        text.remove_prefix(at + literal.size());
        pattern.remove_prefix(hole + 2);
    }
}

}  // namespace

std::string frenchImageText(std::string_view english) {
    std::vector<std::string_view> parts;
    for (const Translation& translation : kTranslations) {
        if (!matchPattern(translation.english, english, parts)) continue;
        std::string french;
        std::size_t part = 0;
        for (std::string_view rest = translation.french;;) {
            const std::size_t hole = rest.find("%s");
            french += rest.substr(0, hole);
            if (hole == std::string_view::npos) return french;
            if (part < parts.size()) french += parts[part++];
            rest.remove_prefix(hole + 2);
        }
    }
    return std::string(english);
}

std::uint64_t maxImageBytes() {
    return imageByteLimit;
}
void setMaxImageBytes(std::uint64_t bytes) {
    imageByteLimit = bytes;
}

void throwInvalidImage(std::string_view format) {
    throw EInvalidGraphic(invalidImageMessage(format));
}

void checkImageSize(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel,
                    std::string_view format) {
    // Each factor stays below 2^32, so the row size cannot overflow 64 bits.
    if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu) throwInvalidImage(format);
    const std::uint64_t rowBytes = (width * bitsPerPixel + 7) / 8;
    if (height != 0 && rowBytes > imageByteLimit / height) throwInvalidImage(format);
}

}  // namespace kelvane
