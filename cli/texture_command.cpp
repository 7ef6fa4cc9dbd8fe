#include <exception>

#include "cli/cli.h"
#include "cli/texture_arguments.h"
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

int runTexture(const Arguments& args, std::ostream&, std::ostream& err) {
    const auto parsed = parseTextureArguments(kTextureCommand, args, err);
    if (!parsed) return kUsageError;
    const Arguments& paths = parsed->rest;
    if (paths.size() != 2) return usageError(kTextureCommand, err, "expected PICTURE and OUT.RAW");
    const std::string& input = paths[0];
    const std::string& output = paths[1];
    if (!endsWithRaw(output)) return usageError(kTextureCommand, err, "OUT must end in .raw");
    try {
        const Texture texture = makeTexture(*LoadPicture(input), parsed->options);
        writeTexture(texture, output);
        printTextureNotes(texture, "texture", err);
    } catch (const std::exception& e) {
        err << "kelvane-cli texture: " << input << ": " << englishText(e) << "\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace

}  // namespace kelvane::cli
