#include "viewers/dispatch_rules.h"

#include <algorithm>

namespace kelvane {

const std::array<std::string_view, 42> kTextExtensions = {
    ".AMP", ".ACM", ".ARM", ".CAM", ".CKL", ".DAT", ".DBT", ".ELT", ".ENG", ".FCS", ".FNT",
    ".FPX", ".FPM", ".GAS", ".HST", ".INI", ".LOD", ".MAP", ".MIX", ".NDX", ".NFO", ".NGN",
    ".PIT", ".PNL", ".PRP", ".PSS", ".S00", ".S01", ".S10", ".S11", ".SAV", ".SCE", ".SFX",
    ".SIT", ".SVH", ".SMF", ".SWD", ".TRN", ".TXT", ".WHL", ".WIN", ".WNG"};

namespace {

std::string_view lastComponent(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\:");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool isOneOf(std::string_view extension, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), extension) != list.end();
}

}  // namespace

std::string upperExtension(std::string_view path) {
    const std::string_view name = lastComponent(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(name.substr(dot));
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return extension;
}

ViewerGroup viewerGroup(std::string_view path) {
    const std::string extension = upperExtension(path);
    if (std::find(kTextExtensions.begin(), kTextExtensions.end(), extension) !=
        kTextExtensions.end())
        return ViewerGroup::Text;
    if (extension == ".DBF") return ViewerGroup::Dbf;
    if (extension == ".WAV") return ViewerGroup::Sound;
    if (extension == ".RAW") return ViewerGroup::RawTexture;
    if (extension == ".OPA") return ViewerGroup::OpaTexture;
    if (extension == ".ACT") return ViewerGroup::Palette;
    if (isOneOf(extension, {".BMP", ".TGA", ".GIF", ".TIF", ".JPG"})) return ViewerGroup::Picture;
    if (extension == ".KEY") return ViewerGroup::Key;
    if (isOneOf(extension, {".BGR", ".TXP", ".TMS", ".QTI"})) return ViewerGroup::Object;
    return ViewerGroup::Unknown;
}

bool isTexture(ViewerGroup group) {
    return group == ViewerGroup::RawTexture || group == ViewerGroup::OpaTexture ||
           group == ViewerGroup::Palette;
}

std::string_view companionExtension(ViewerGroup group) {
    return group == ViewerGroup::Palette ? ".RAW" : ".ACT";
}

std::string textureBase(std::string_view name) {
    const std::size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(0, dot));
}

std::string shortName(std::string_view path) {
    const std::string_view name = lastComponent(path);
    return std::string(name.substr(0, name.find('.')));
}

std::vector<std::size_t> matchingNames(const std::vector<std::string>& names,
                                       std::string_view wanted) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) positions.push_back(i);
    return positions;
}

}  // namespace kelvane
