#include "preview/hex_dump.h"

namespace kelvane {
namespace {

// Eight bytes to a line keep the character column within the preview pane's width.
constexpr std::size_t kPerLine = 8;
constexpr char kDigits[] = "0123456789ABCDEF";

// Enough hex digits for the last line's offset, at least four.
int offsetDigits(std::size_t size) {
    int digits = 4;
    while (digits < 16 && ((size - 1) >> (4 * digits)) != 0) ++digits;
    return digits;
}

}  // namespace

std::string hexDump(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int digits = offsetDigits(bytes.size());
    // The offset, two spaces, three characters a byte, one space after the fourth and one
    // before the characters, the characters and the line break.
    const std::size_t lineLength = std::size_t(digits) + 2 + kPerLine * 3 + 2 + kPerLine + 1;
    std::string dump;
    dump.reserve((bytes.size() / kPerLine + 1) * lineLength);
    for (std::size_t start = 0; start < bytes.size(); start += kPerLine) {
        if (start > 0) dump += '\n';
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            dump += kDigits[(start >> shift) & 15];
        dump += "  ";
        const std::string_view line = bytes.substr(start, kPerLine);
        for (std::size_t i = 0; i < kPerLine; ++i) {
            if (i < line.size()) {
                const auto byte = static_cast<unsigned char>(line[i]);
                dump += kDigits[byte >> 4];
                dump += kDigits[byte & 15];
                dump += ' ';
            } else {
                dump += "   ";
            }
            if (i == kPerLine / 2 - 1) dump += ' ';
        }
        dump += ' ';
        for (const char c : line) dump += c >= 0x20 && c < 0x7F ? c : '.';
    }
    return dump;
}

}  // namespace kelvane
