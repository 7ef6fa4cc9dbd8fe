#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// One line of the known-extensions table: its fields, as Windows-1252 bytes.
using TableRow = std::vector<std::string>;

// Splits the text of "TypeFichier.csv" into rows of fields. One row per line (CR LF, LF or
// a lone CR ends a line; a final line break adds no row); fields are separated by
// `separator`. A field that begins with a double quote runs to the closing quote, and a
// doubled quote inside it stands for one quote; characters between the closing quote and
// the next separator are kept as they are. A quoted field never spans lines: a line break
// ends the row even inside quotes, so one stray quote cannot swallow the rest of the table.
std::vector<TableRow> parseExtensionTable(std::string_view text, char separator = ';');

// Reads and splits the table file; nothing when the file cannot be opened.
std::optional<std::vector<TableRow>> loadExtensionTable(const std::string& path,
                                                        char separator = ';');

inline constexpr const char* kExtensionTableName = "TypeFichier.csv";

// Loads "TypeFichier.csv" from the program's directory, else from the installed data folder
// (../share/kelvane beside bin/), else from the current directory (the program may have
// been started from anywhere); nothing when none can be opened.
std::optional<std::vector<TableRow>> loadInstalledExtensionTable(
    const std::string& programDirectory);

}  // namespace kelvane
