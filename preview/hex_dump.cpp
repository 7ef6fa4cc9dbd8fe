#include "preview/hex_dump.h"

namespace kelvane {
namespace {

constexpr std::size_t kPerLine = 16;
// "00000000  " + 16 * "XX " + one space after the eighth + " " + 16 characters.
constexpr std::size_t kLineLength = 10 + kPerLine * 3 + 1 + 1 + kPerLine;
constexpr char kDigits[] = "0123456789ABCDEF";

}  // namespace

std::string hexDump(std::string_view bytes) {
    std::string dump;
    dump.reserve((bytes.size() / kPerLine + 1) * (kLineLength + 1));
    for (std::size_t start = 0; start < bytes.size(); start += kPerLine) {
        if (start > 0) dump += '\n';
        for (int shift = 28; shift >= 0; shift -= 4) dump += kDigits[(start >> shift) & 15];
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
            if (i == 7) dump += ' ';
        }
        dump += ' ';
        for (const char c : line) dump += c >= 0x20 && c < 0x7F ? c : '.';
    }
    return dump;
}

}  // namespace kelvane
