#include <charconv>
#include <cstdio>
#include <exception>
#include <limits>

#include "cli/cli.h"
#include "imaging/ImageFormats.h"
#include "imaging/texture_maker.h"
#include "platform/bilingual_error.h"

namespace kelvane::cli {

namespace {

int runTexture(const Arguments& args, std::ostream&, std::ostream& err);

}  // namespace

extern const Command kTextureCommand{
    "texture", "texture PICTURE OUT.RAW [--no-dither] [--resize SIDE]   (writes OUT.ACT beside)",
    runTexture};

namespace {

bool endsWithRaw(const std::string& path) {
    if (path.size() < 4 || path[path.size() - 4] != '.') return false;
    std::string extension = path.substr(path.size() - 3);
    for (char& c : extension) c = char(c | 0x20);
    return extension == "raw";
}

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

int runTexture(const Arguments& args, std::ostream&, std::ostream& err) {
    Arguments paths;
    TextureOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--no-dither") {
            options.dither = false;
        } else if (args[i] == "--resize") {
            std::uint64_t side = 0;
            if (i + 1 == args.size() || !parseSide(args[++i], side))
                return usageError(kTextureCommand, err, "--resize expects a SIDE in pixels");
            try {
                checkTextureSide(side);
            } catch (const std::exception& e) {
                return usageError(kTextureCommand, err, englishText(e));
            }
            options.resizeSide = side;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) return usageError(kTextureCommand, err, "expected PICTURE and OUT.RAW");
    const std::string& input = paths[0];
    const std::string& output = paths[1];
    if (!endsWithRaw(output)) return usageError(kTextureCommand, err, "OUT must end in .raw");
    try {
        const Texture texture = makeTexture(*LoadPicture(input), options);
        writeTexture(texture, output);
        if (texture.alphaFlattened)
            err << "kelvane-cli texture: note: the picture's transparency was flattened on "
                   "black\n";
        if (texture.quantized)
            err << "kelvane-cli texture: note: " << texture.sourceColours
                << " colours quantized to " << texture.paletteColours << ", PSNR "
                << oneDecimal(texture.psnr) << " dB\n";
    } catch (const std::exception& e) {
        err << "kelvane-cli texture: " << input << ": " << englishText(e) << "\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace

}  // namespace kelvane::cli
