#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The viewer a file goes to, decided by its extension; tested in this order.
enum class ViewerGroup {
    Text,
    Dbf,
    Sound,
    RawTexture,  // pixels; the palette is the companion
    OpaTexture,  // pixels stored under another extension, treated as a raw texture
    Palette,     // the palette; the pixels are the companion
    Picture,
    Key,
    Object,
    Unknown
};

// The extensions shown as plain lines of text, in the order they are tested.
extern const std::array<std::string_view, 42> kTextExtensions;

// The extension of the last path component, from its last '.' (dot included), with ASCII
// letters upper-cased; empty when that component has no dot. Components end at '/', '\'
// and ':'.
std::string upperExtension(std::string_view path);

// The viewer group of a path, by its extension.
ViewerGroup viewerGroup(std::string_view path);

bool isTexture(ViewerGroup group);
// The companion a texture half needs: ".ACT" for pixels, ".RAW" for the palette.
std::string_view companionExtension(ViewerGroup group);

// The name of a texture pair: the text before the first '.' (directory part included);
// empty for a name without a dot.
std::string textureBase(std::string_view name);

// The last path component cut before its first '.'.
std::string shortName(std::string_view path);

// Positions in `names` of the names equal to `wanted`, case included.
std::vector<std::size_t> matchingNames(const std::vector<std::string>& names,
                                       std::string_view wanted);

}  // namespace kelvane
