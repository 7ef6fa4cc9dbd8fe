#include "settings/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/atomic_output_file.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

// A line of the file without its line break, and where it sits in the file.
struct Line {
    std::string_view text;
    std::size_t begin = 0;  // first byte
    std::size_t end = 0;    // one past the line break
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t breakAt = content.find('\n', begin);
        const std::size_t end = breakAt == std::string_view::npos ? content.size() : breakAt + 1;
        std::size_t textEnd = breakAt == std::string_view::npos ? content.size() : breakAt;
        if (breakAt != std::string_view::npos && textEnd > begin && content[textEnd - 1] == '\r') {
            --textEnd;
        }
        lines.push_back({content.substr(begin, textEnd - begin), begin, end});
        begin = end;
    }
    return lines;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Windows-1252 letters fold to lower case: ASCII and the accented capitals.
unsigned char folded(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    return c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i])) return false;
    }
    return true;
}

// "[name]" gives name; other lines give nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view content = trimmed(line);
    if (content.empty() || content.front() == ';') return std::nullopt;
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return KeyLine{trimmed(content.substr(0, equals)), trimmed(content.substr(equals + 1))};
}

// Where a key stands in the file, or where it would go.
struct Place {
    std::optional<std::size_t> sectionLine;   // the section header
    std::optional<std::size_t> keyLine;       // the key's line
    std::optional<std::size_t> lastUsedLine;  // the section's last non-blank line
};

Place locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].text)) {
            if (place.sectionLine) break;  // the section ended; only its first copy counts
            if (sameName(*name, section)) place.sectionLine = place.lastUsedLine = i;
            continue;
        }
        if (!place.sectionLine) continue;
        if (!trimmed(lines[i].text).empty()) place.lastUsedLine = i;
        const auto entry = keyLine(lines[i].text);
        if (entry && sameName(entry->key, key)) {
            place.keyLine = i;
            break;
        }
    }
    return place;
}

std::string readAll(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// New lines take the file's own line break; a new file gets the Windows one.
std::string lineBreakOf(std::string_view content) {
    const std::size_t breakAt = content.find('\n');
    if (breakAt == std::string_view::npos) return "\r\n";
    return breakAt > 0 && content[breakAt - 1] == '\r' ? "\r\n" : "\n";
}

// A file holding valid UTF-8 beyond plain ASCII is UTF-8; any other is Windows-1252 (plain
// ASCII reads the same either way and stays Windows-1252).
bool isUtf8Text(std::string_view bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return !ascii && isValidUtf8(bytes);
}

}  // namespace

std::optional<std::string> iniValue(std::string_view content, std::string_view section,
                                    std::string_view key) {
    const std::vector<Line> lines = splitLines(content);
    const Place place = locate(lines, section, key);
    if (!place.keyLine) return std::nullopt;
    return std::string(keyLine(lines[*place.keyLine].text)->value);
}

std::string iniWithValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value) {
    const std::vector<Line> lines = splitLines(content);
    const Place place = locate(lines, section, key);
    const std::string lineBreak = lineBreakOf(content);
    const std::string newLine = std::string(key) + "=" + std::string(value);

    std::string result;
    if (place.keyLine) {
        const Line& old = lines[*place.keyLine];
        result = std::string(content.substr(0, old.begin)) + newLine +
                 std::string(content.substr(old.begin + old.text.size()));
    } else if (place.sectionLine) {
        const Line& last = lines[*place.lastUsedLine];
        const bool lastHasBreak = content[last.end - 1] == '\n';
        result = std::string(content.substr(0, last.end)) + (lastHasBreak ? "" : lineBreak) +
                 newLine + lineBreak + std::string(content.substr(last.end));
    } else {
        result = content;
        if (!result.empty() && result.back() != '\n') result += lineBreak;
        result += "[" + std::string(section) + "]" + lineBreak + newLine + lineBreak;
    }
    return result;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::exists() const {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path_), ignored);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const std::string content = readAll(path_);
    const std::optional<std::string> value = iniValue(content, section, key);
    if (!value) return std::string(defaultValue);
    return isUtf8Text(content) ? *value : cp1252ToUtf8(*value);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    writeStrings(section, {{std::string(key), std::string(value)}});
}

void IniFile::writeStrings(std::string_view section,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    std::string content = readAll(path_);
    for (const auto& [key, value] : values) {
        std::string bytes(value);
        if (!isUtf8Text(content)) {
            if (fitsCp1252(value)) {
                bytes = utf8ToCp1252(value);
            } else {
                content = cp1252ToUtf8(content);
            }
        }
        content = iniWithValue(content, section, key, bytes);
    }
    AtomicOutputFile out(path_);
    out.write(content.data(), content.size());
    out.commit(Durability::Flushed);
}

}  // namespace kelvane
