#include "platform/visible_text.h"

#include "platform/cp1252.h"

namespace kelvane {

std::string visibleText(std::string_view cp1252) {
    std::string escaped;
    escaped.reserve(cp1252.size());
    std::size_t plainFrom = 0;
    const auto flushPlain = [&](std::size_t end) {
        escaped += cp1252ToUtf8(cp1252.substr(plainFrom, end - plainFrom));
    };
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp1252[i]);
        if (byte >= 0x20 && byte != 0x7F) continue;
        flushPlain(i);
        plainFrom = i + 1;
        switch (byte) {
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                static const char kHex[] = "0123456789abcdef";
                escaped += "\\x";
                escaped += kHex[byte >> 4];
                escaped += kHex[byte & 0xF];
        }
    }
    flushPlain(cp1252.size());
    return escaped;
}

}  // namespace kelvane
