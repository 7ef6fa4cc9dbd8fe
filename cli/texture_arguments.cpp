#include "cli/texture_arguments.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <limits>

#include "platform/bilingual_error.h"

namespace kelvane::cli {
namespace {

// A number too large for 64 bits stands as the largest one, which the side check refuses.
bool parseSide(const std::string& text, std::uint64_t& side) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    if (end != text.data() + text.size()) return false;
    if (error == std::errc::result_out_of_range) side = std::numeric_limits<std::uint64_t>::max();
    return error == std::errc() || error == std::errc::result_out_of_range;
}

std::string oneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

std::optional<TextureArguments> parseTextureArguments(const Command& command, const Arguments& args,
                                                      std::ostream& err) {
    TextureArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--no-dither") {
            parsed.options.dither = false;
        } else if (args[i] == "--resize") {
            std::uint64_t side = 0;
            if (i + 1 == args.size() || !parseSide(args[++i], side)) {
                usageError(command, err, "--resize expects a SIDE in pixels");
                return std::nullopt;
            }
            try {
                checkTextureSide(side);
            } catch (const std::exception& e) {
                usageError(command, err, englishText(e));
                return std::nullopt;
            }
            parsed.options.resizeSide = side;
        } else {
            parsed.rest.push_back(args[i]);
        }
    }
    return parsed;
}

void printTextureNotes(const Texture& texture, std::string_view name, std::ostream& err) {
    if (texture.alphaFlattened)
        err << "kelvane-cli " << name
            << ": note: the picture's transparency was flattened on black\n";
    if (texture.quantized)
        err << "kelvane-cli " << name << ": note: " << texture.sourceColours
            << " colours quantized to " << texture.paletteColours << ", PSNR "
            << oneDecimal(texture.psnr) << " dB\n";
}

}  // namespace kelvane::cli
