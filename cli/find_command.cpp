// find: which archives under a folder hold entries of the names asked for.
#include <filesystem>

#include "archive/archive_details.h"
#include "archive/archive_search.h"
#include "archive/pod_reader.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane::cli {
namespace {

int runFind(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kFindCommand{"find", "find [--json] FOLDER PATTERN...", runFind};

namespace {

// A path from the file system for JSON, which must be UTF-8: bytes that are not are read as
// Windows-1252, the archives' own text.
std::string utf8Path(const std::string& path) {
    return isValidUtf8(path) ? path : cp1252ToUtf8(path);
}

void printLines(const SearchedArchive& searched, std::ostream& out) {
    for (int index : searched.matches) {
        const CatalogueEntry& entry = searched.archive->catalogue()[std::size_t(index)];
        out << searched.relative << '\t' << index + 1 << '\t' << entry.size << '\t'
            << std::int32_t(entry.timestamp) << '\t' << visibleText(entry.name) << '\n';
    }
}

void printJson(const SearchedArchive& searched, JsonWriter& json) {
    const ArchiveDetails details = archiveDetails(*searched.archive);
    json.beginObject().key("archive").string(utf8Path(searched.relative));
    json.key("layout").string(details.layout);
    json.key("revision").number(details.revision);
    json.key("priority").number(details.priority);
    json.key("entries").beginArray();
    for (int index : searched.matches) {
        const CatalogueEntry& entry = searched.archive->catalogue()[std::size_t(index)];
        json.beginObject().key("number").number(index + 1);
        json.key("name").string(cp1252ToUtf8(entry.name));
        json.key("size").number(entry.size);
        json.key("timestamp");
        entry.hasTimestamp ? json.number(std::int32_t(entry.timestamp)) : json.null();
        json.endObject();
    }
    json.endArray().endObject();
}

int runFind(const Arguments& args, std::ostream& out, std::ostream& err) {
    bool asJson = false;
    Arguments positional;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--json") {
            asJson = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return usageError(kFindCommand, err, "unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2)
        return usageError(kFindCommand, err, "expects a folder and a pattern");
    const std::string& folder = positional[0];
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored)) {
        return usageError(kFindCommand, err, "not a folder: " + folder);
    }
    std::vector<std::string> patterns;
    for (auto it = positional.begin() + 1; it != positional.end(); ++it)
        patterns.push_back(utf8ToCp1252(*it));

    JsonWriter json(out);
    if (asJson)
        json.beginObject().key("folder").string(utf8Path(folder)).key("matches").beginArray();
    bool found = false;
    int status = kFailure;
    try {
        searchArchives(folder, EntryPatterns(patterns), [&](const SearchedArchive& searched) {
            if (searched.error != nullptr) {
                err << "kelvane-cli find: " << searched.relative << ": "
                    << englishText(*searched.error) << "\n";
            } else if (!searched.matches.empty()) {
                found = true;
                asJson ? printJson(searched, json) : printLines(searched, out);
            }
            return true;
        });
        status = found ? kSuccess : kFailure;
    } catch (const std::exception& error) {
        err << "kelvane-cli find: " << englishText(error) << "\n";
    }
    if (asJson) json.endArray().endObject();
    return status;
}

}  // namespace
}  // namespace kelvane::cli
