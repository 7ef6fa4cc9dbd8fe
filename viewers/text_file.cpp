#include "viewers/text_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/cp1252.h"

namespace kelvane {

std::string readTextLines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("Cannot open file " + path);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) throw std::runtime_error("Cannot open file " + path);
    return textLines(bytes);
}

std::string textLines(std::string_view bytes) {
    std::string lines;
    lines.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines += '\n';
        } else {
            lines += bytes[i];
        }
    }
    if (!lines.empty() && lines.back() == '\n') lines.pop_back();
    return cp1252ToUtf8(lines);
}

}  // namespace kelvane
