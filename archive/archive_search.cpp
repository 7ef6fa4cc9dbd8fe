#include "archive/archive_search.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

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

bool searchArchives(const std::string& folder, const EntryPatterns& wanted,
                    const SearchedArchiveSink& sink) {
    // The archives and the folders that could not be listed, in the order of their paths.
    struct Found {
        std::string path;
        int unreadable = 0;  // the errno that refused a folder; 0 for an archive
    };
    FolderContents contents = walkFolder(folder, {}, UnreadableFolders::Skip);
    std::vector<Found> found;
    for (FoundFile& file : contents.files) {
        if (isArchiveName(file.path)) found.push_back({std::move(file.path)});
    }
    for (SkippedFile& skipped : contents.skipped) {
        if (skipped.reason == SkippedFile::Reason::Unreadable)
            found.push_back({std::move(skipped.path), skipped.error});
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.path < b.path; });
    for (const Found& item : found) {
        SearchedArchive searched;
        searched.path = item.path;
        searched.relative = item.path.substr(contents.relativeStart);
        std::unique_ptr<TPOD> archive;
        try {
            if (item.unreadable != 0) {
                throw std::runtime_error("Cannot read folder " + item.path + ": " +
                                         std::strerror(item.unreadable));
            }
            archive = openAndRead(item.path);
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
