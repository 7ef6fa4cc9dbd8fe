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
    std::string line;
    if (news.finished && news.cancelled) line = english ? "Cancelled: " : "Annulée : ";
    line += std::to_string(news.searched);
    if (!news.finished || news.cancelled) line += " / " + std::to_string(news.total);
    line += " archives, " + std::to_string(found) + (english ? " found" : " trouvés");
    if (unreadable > 0) {
        line += ", " + std::to_string(unreadable) + (english ? " unreadable" : " illisibles");
    }
    return line;
}

}  // namespace kelvane
