// The options and notes that the commands making textures (texture, add --texture) share.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "imaging/texture_maker.h"

namespace kelvane::cli {

struct TextureArguments {
    TextureOptions options;
    Arguments rest;  // the arguments that are not texture options, in order
};

// Takes --no-dither and --resize SIDE out of `args`; nothing after printing the command's
// usage with the problem (its status is then kUsageError).
std::optional<TextureArguments> parseTextureArguments(const Command& command, const Arguments& args,
                                                      std::ostream& err);

// Says on `err` that the transparency was flattened or the colours quantized, each line
// begun with "kelvane-cli NAME: note: ".
void printTextureNotes(const Texture& texture, std::string_view name, std::ostream& err);

}  // namespace kelvane::cli
