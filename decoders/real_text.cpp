#include "decoders/real_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace kelvane {

namespace {

constexpr int kSignificantDigits = 15;

}  // namespace

std::string formatReal(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Rounded to 15 significant digits: "d.dddddddddddddde+X".
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                            std::chars_format::scientific, kSignificantDigits - 1);
    if (error != std::errc()) return "NAN";  // cannot happen with this buffer size
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits += *p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string text = value < 0 ? "-" : "";
    const int length = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent < kSignificantDigits) {
        if (exponent < 0) {
            text += '0';
            text += decimalSeparator;
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        } else if (length <= exponent + 1) {
            text += digits;
            text.append(static_cast<std::size_t>(exponent + 1 - length), '0');
        } else {
            text.append(digits, 0, static_cast<std::size_t>(exponent + 1));
            text += decimalSeparator;
            text.append(digits, static_cast<std::size_t>(exponent + 1));
        }
        return text;
    }
    text += digits[0];
    if (length > 1) {
        text += decimalSeparator;
        text.append(digits, 1);
    }
    text += exponent < 0 ? "E-" : "E+";
    text += std::to_string(exponent < 0 ? -exponent : exponent);
    return text;
}

}  // namespace kelvane
