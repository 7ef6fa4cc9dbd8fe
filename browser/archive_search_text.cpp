#include "browser/archive_search_text.h"

#include "browser/background_search.h"

namespace kelvane {

const std::array<SearchCaption, 7> kArchiveSearchCaptions = {{
    {"", "Rechercher dans les archives", "Search in archives"},
    {"lblFolder", "Dossier :", "Folder:"},
    {"lblPattern", "Noms :", "Names:"},
    {"btnSearch", "Rechercher", "Search"},
    {"btnCancel", "Annuler", "Cancel"},
    {"lblUnread", "Archives illisibles :", "Unreadable archives:"},
    {"lblHint", "Plusieurs noms séparés par des espaces, * et ? permis",
     "Several names separated by spaces, * and ? allowed"},
}};

const std::array<SearchCaption, 4> kArchiveSearchHeaders = {{
    {"", "Archive", "Archive"},
    {"", "Fichier", "File"},
    {"", "Taille", "Size"},
    {"", "Date", "Date"},
}};

std::string searchProgressLine(const SearchNews& news, std::size_t found, std::size_t unreadable,
                               bool english) {
    if (!news.failure.empty())
        return (english ? "Search stopped: " : "Recherche arrêtée : ") + news.failure;
    const auto plural = [](std::size_t count) { return count > 1 ? "s" : ""; };
    std::string line;
    if (news.finished && news.cancelled) line = english ? "Cancelled: " : "Annulée : ";
    line += std::to_string(news.searched);
    std::size_t archives = news.searched;
    // The total is known once the folder has been listed.
    if ((!news.finished || news.cancelled) && news.total > 0) {
        line += " / " + std::to_string(news.total);
        archives = news.total;
    }
    line += std::string(" archive") + plural(archives) + ", " + std::to_string(found);
    line += english ? std::string(" found") : std::string(" trouvé") + plural(found);
    if (unreadable > 0) {
        line += ", " + std::to_string(unreadable);
        line +=
            english ? std::string(" unreadable") : std::string(" illisible") + plural(unreadable);
    }
    return line;
}

}  // namespace kelvane
