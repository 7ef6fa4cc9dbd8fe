#include "archive/archive_search.h"

#include <algorithm>
#include <memory>

#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"
#include "platform/folder_walk.h"

namespace kelvane {
namespace {

bool isArchiveName(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    const std::string extension = cp1252Upper(path.substr(dot));
    return extension == ".POD" || extension == ".EPD";
}

}  // namespace

EntryPatterns::EntryPatterns(const std::vector<std::string>& patterns) {
    for (const std::string& text : patterns) {
        const bool anyFolder = text.find_first_of("\\:") == std::string::npos;
        const bool fileOnly = anyFolder && text.find("**") == std::string::npos;
        patterns_.push_back({cp1252Upper(text), NamePattern(text), anyFolder, fileOnly});
    }
}

bool EntryPatterns::matches(std::string_view storedName) const {
    const auto matchesName = [](const Pattern& wanted, std::string_view name) {
        return (name.size() == wanted.folded.size() && cp1252Upper(name) == wanted.folded) ||
               wanted.pattern.matches(name);
    };
    return std::any_of(patterns_.begin(), patterns_.end(), [&](const Pattern& wanted) {
        if (wanted.fileOnly) return matchesName(wanted, filePart(storedName));
        return matchesName(wanted, storedName) ||
               (wanted.anyFolder && matchesName(wanted, filePart(storedName)));
    });
}

bool searchArchives(const std::string& folder, const EntryPatterns& wanted,
                    const SearchedArchiveSink& sink) {
    std::vector<FoundFile> archives = walkFolder(folder).files;
    std::erase_if(archives, [](const FoundFile& file) { return !isArchiveName(file.path); });
    std::sort(archives.begin(), archives.end(),
              [](const FoundFile& a, const FoundFile& b) { return a.relative() < b.relative(); });
    for (const FoundFile& file : archives) {
        SearchedArchive searched;
        searched.path = file.path;
        searched.relative = file.relative();
        searched.archiveCount = archives.size();
        std::unique_ptr<TPOD> archive;
        try {
            archive = openAndRead(file.path);
        } catch (const std::exception& error) {
            searched.error = &error;
            if (!sink(searched)) return false;
            continue;
        }
        searched.archive = archive.get();
        for (const CatalogueEntry& entry : archive->catalogue()) {
            if (wanted.matches(entry.name)) searched.matches.push_back(entry.index);
        }
        if (!sink(searched)) return false;
    }
    return true;
}

}  // namespace kelvane
