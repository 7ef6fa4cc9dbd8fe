#include "browser/archive_editing_text.h"

#include <algorithm>

#include "archive/archive_editing.h"

namespace kelvane {

std::string skippedFilesMessage(const std::vector<SkippedFile>& skipped) {
    std::string text = "Fichiers laissés de côté :\r\nFiles left out:\r\n\r\n";
    const std::size_t listed = std::min(skipped.size(), kListedSkipped);
    for (std::size_t i = 0; i < listed; ++i) {
        text +=
            skippedNote(skipped[i], false) + "\r\n" + skippedNote(skipped[i], true) + "\r\n\r\n";
    }
    if (listed < skipped.size()) {
        const std::string more = std::to_string(skipped.size() - listed);
        text += "... et " + more + " autres.\r\n... and " + more + " more.\r\n\r\n";
    }
    text.resize(text.size() - 4);  // the last paragraph break
    return text;
}

std::string additionQuestion(std::size_t files, std::string_view archiveName) {
    const std::string count = std::to_string(files), name(archiveName);
    return "Ajouter " + count + (files == 1 ? " fichier" : " fichiers") + " à " + name +
           " ?\r\nAdd " + count + (files == 1 ? " file" : " files") + " to " + name + "?";
}

std::string deletionQuestion(std::size_t entries, std::string_view archiveName) {
    const std::string count = std::to_string(entries), name(archiveName);
    return "Supprimer " + count + (entries == 1 ? " entrée" : " entrées") + " de " + name +
           " ?\r\nDelete " + count + (entries == 1 ? " entry" : " entries") + " from " + name + "?";
}

std::string unknownExtensionMessage(std::string_view path) {
    const std::string name(path);
    return "Une archive doit porter l'extension .POD ou .EPD : " + name +
           "\r\nAn archive must be named .POD or .EPD: " + name;
}

}  // namespace kelvane
