#include "archive/archive_search.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

bool isArchiveName(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    const std::string extension = cp1252Upper(path.substr(dot));
    return extension == ".POD" || extension == ".EPD";
}

// `name` upper-cased equals `folded`, without building the upper-cased copy.
bool equalsFolded(std::string_view name, std::string_view folded) {
    return name.size() == folded.size() &&
           std::equal(name.begin(), name.end(), folded.begin(), [](char a, char b) {
               return cp1252Upper(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
           });
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
        return equalsFolded(name, wanted.folded) || wanted.pattern.matches(name);
    };
    return std::any_of(patterns_.begin(), patterns_.end(), [&](const Pattern& wanted) {
        if (wanted.fileOnly) return matchesName(wanted, filePart(storedName));
        return matchesName(wanted, storedName) ||
               (wanted.anyFolder && matchesName(wanted, filePart(storedName)));
    });
}

std::vector<FoundArchive> archivesUnder(const std::string& folder) {
    FolderContents contents = walkFolder(folder, {}, UnreadableFolders::Skip);
    std::vector<FoundArchive> found;
    for (FoundFile& file : contents.files) {
        if (isArchiveName(file.path)) found.push_back({std::move(file)});
    }
    for (SkippedFile& skipped : contents.skipped) {
        if (skipped.reason == SkippedFile::Reason::Unreadable)
            found.push_back({{std::move(skipped.path), contents.relativeStart}, skipped.error});
    }
    std::sort(found.begin(), found.end(), [](const FoundArchive& a, const FoundArchive& b) {
        return a.file.relative() < b.file.relative();
    });
    return found;
}

bool searchArchives(const std::string& folder, const EntryPatterns& wanted,
                    const SearchedArchiveSink& sink) {
    const std::vector<FoundArchive> archives = archivesUnder(folder);
    for (const FoundArchive& found : archives) {
        SearchedArchive searched;
        searched.path = found.file.path;
        searched.relative = found.file.relative();
        searched.archiveCount = archives.size();
        std::unique_ptr<TPOD> archive;
        try {
            if (found.unreadableFolder != 0) {
                throw std::runtime_error("Cannot read folder " + searched.path + ": " +
                                         std::strerror(found.unreadableFolder));
            }
            archive = openAndRead(searched.path);
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
