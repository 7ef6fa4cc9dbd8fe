#include "archive/archive_errors.h"

#include "platform/read_only_file.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

// `opening` + the quoted name + `middle` + `reason` + ".".
std::string sentence(const std::string& opening, const std::string& name, const char* middle,
                     const std::string& reason) {
    return opening + '"' + name + '"' + middle + reason + '.';
}

struct PartNames {
    const char* french;  // with its article
    const char* english;
};

PartNames partNames(ArchivePart part) {
    switch (part) {
        case ArchivePart::Header:
            return {"l'en-tête", "header"};
        case ArchivePart::Directory:
            return {"le répertoire", "directory"};
        case ArchivePart::NameTable:
            return {"la table des noms", "name table"};
    }
    return {"", ""};
}

// Where in the file, in both languages.
std::string whereFrench(std::int64_t at, std::int64_t fileSize) {
    return "l'octet " + std::to_string(at) + " d'un fichier de " + std::to_string(fileSize) +
           " octets";
}
std::string whereEnglish(std::int64_t at, std::int64_t fileSize) {
    return "byte " + std::to_string(at) + " of a file of " + std::to_string(fileSize) + " bytes";
}

}  // namespace

DamagedEntry::DamagedEntry(const CatalogueEntry& entry, const std::string& frenchReason,
                           const std::string& englishReason)
    : BilingualError(sentence("L'entrée " + std::to_string(entry.index + 1) + " ",
                              visibleText(entry.name), " est endommagée : ", frenchReason),
                     sentence("Entry " + std::to_string(entry.index + 1) + " ",
                              visibleText(entry.name), " is damaged: ", englishReason)) {}

BilingualError entryCutShort(const CatalogueEntry& entry, std::int64_t held) {
    const std::string number =
        std::to_string(entry.index + 1) + " \"" + visibleText(entry.name) + "\"";
    const std::string counts = std::to_string(held) + " octets sur " + std::to_string(entry.size);
    return BilingualError(
        "L'entrée " + number + " est coupée par la fin de l'archive : " + counts + ".",
        "Entry " + number + " is cut short by the end of the archive: " + std::to_string(held) +
            " of " + std::to_string(entry.size) + " bytes.");
}

DamagedEntry streamEndsEarly(const CatalogueEntry& entry) {
    return DamagedEntry(entry, "son flux compressé s'arrête avant la fin",
                        "its compressed stream ends early");
}

DamagedEntry streamCorrupt(const CatalogueEntry& entry) {
    return DamagedEntry(entry, "son flux compressé est corrompu",
                        "its compressed stream is corrupt");
}

DamagedEntry yieldsMoreThanStated(const CatalogueEntry& entry) {
    const std::string stated = std::to_string(entry.size);
    return DamagedEntry(entry, "elle donne plus que ses " + stated + " octets",
                        "it yields more than its " + stated + " bytes");
}

DamagedEntry yieldsOtherThanStated(const CatalogueEntry& entry, std::int64_t produced) {
    const std::string stated = std::to_string(entry.size);
    const std::string count = std::to_string(produced);
    return DamagedEntry(entry, "elle donne " + count + " octets au lieu de " + stated,
                        "it yields " + count + " bytes instead of " + stated);
}

DamagedArchive partPastTheEnd(std::string_view layout, ArchivePart part, std::int64_t end,
                              std::int64_t fileSize) {
    const PartNames names = partNames(part);
    const std::string unit(layout);
    return DamagedArchive(
        std::string("Erreur de lecture : ") + names.french + " (" + unit +
            ") se termine après la fin du fichier (à " + whereFrench(end, fileSize) + ").",
        std::string(kStreamReadError) + ": the " + unit + " " + names.english +
            " ends past the end of the file (at " + whereEnglish(end, fileSize) + ").");
}

DamagedArchive namePastTheEnd(int index, std::int64_t start, std::int64_t fileSize) {
    const std::string number = std::to_string(index + 1);
    return DamagedArchive("Erreur de lecture : le nom de l'entrée " + number +
                              " n'a pas de fin avant celle du fichier (il commence à " +
                              whereFrench(start, fileSize) + ").",
                          std::string(kStreamReadError) + ": the name of entry " + number +
                              " runs past the end of the file (it starts at " +
                              whereEnglish(start, fileSize) + ").");
}

}  // namespace kelvane
