#include "settings/extension_table.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kelvane {
namespace {

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Reads one field starting at `pos`; leaves `pos` on the separator or line break that ends
// it, or at the end of the text.
std::string readField(std::string_view text, std::size_t& pos, char separator) {
    std::string field;
    if (pos < text.size() && text[pos] == '"') {
        ++pos;
        while (pos < text.size() && !isLineBreak(text[pos])) {
            if (text[pos] == '"') {
                if (pos + 1 < text.size() && text[pos + 1] == '"') {
                    field += '"';
                    pos += 2;
                    continue;
                }
                ++pos;  // closing quote
                break;
            }
            field += text[pos++];
        }
    }
    while (pos < text.size() && text[pos] != separator && !isLineBreak(text[pos])) {
        field += text[pos++];
    }
    return field;
}

}  // namespace

std::vector<TableRow> parseExtensionTable(std::string_view text, char separator) {
    std::vector<TableRow> rows;
    std::size_t pos = 0;
    while (pos < text.size()) {
        TableRow row;
        row.push_back(readField(text, pos, separator));
        while (pos < text.size() && text[pos] == separator) {
            ++pos;
            row.push_back(readField(text, pos, separator));
        }
        rows.push_back(std::move(row));
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
            if (pos < text.size() && text[pos] == '\n') ++pos;
        } else if (pos < text.size()) {
            ++pos;  // '\n'
        }
    }
    return rows;
}

std::optional<std::vector<TableRow>> loadExtensionTable(const std::string& path, char separator) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return parseExtensionTable(text, separator);
}

std::optional<std::vector<TableRow>> loadInstalledExtensionTable(
    const std::string& programDirectory) {
    const std::filesystem::path program = std::filesystem::u8path(programDirectory);
    for (const std::filesystem::path& place :
         {program / kExtensionTableName,
          program.parent_path() / "share" / "kelvane" / kExtensionTableName}) {
        if (auto table = loadExtensionTable(place.string())) return table;
    }
    return loadExtensionTable(kExtensionTableName);
}

}  // namespace kelvane
