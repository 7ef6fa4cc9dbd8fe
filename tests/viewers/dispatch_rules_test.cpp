#include "viewers/dispatch_rules.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvane {
namespace {

TEST(DispatchRules, ExtensionComesFromTheLastDotOfTheLastComponent) {
    EXPECT_EQ(upperExtension("map.bak.txt"), ".TXT");
    EXPECT_EQ(upperExtension("/home/u/dir.d/a.Wav"), ".WAV");
    EXPECT_EQ(upperExtension("/home/u/dir.d/README"), "");
    EXPECT_EQ(upperExtension("DIR.X\\NAME"), "");
    EXPECT_EQ(upperExtension("C:NAME"), "");
    // Only ASCII letters change case: the extension still reads as stored.
    EXPECT_EQ(upperExtension("carte.t\xe9x"), ".T\xe9X");
}

TEST(DispatchRules, EveryGroupIsReachedCaseInsensitively) {
    const std::pair<const char*, ViewerGroup> cases[] = {
        {"readme.txt", ViewerGroup::Text},
        {"README.TXT", ViewerGroup::Text},
        {"x.amp", ViewerGroup::Text},
        {"x.s11", ViewerGroup::Text},
        {"TABLE.Dbf", ViewerGroup::Dbf},
        {"a.Wav", ViewerGroup::Sound},
        {"TEX.01.RAW", ViewerGroup::RawTexture},
        {"tex.opa", ViewerGroup::OpaTexture},
        {"TEX.act", ViewerGroup::Palette},
        {"p.tif", ViewerGroup::Picture},
        {"p.gif", ViewerGroup::Picture},
        {"p.jpg", ViewerGroup::Picture},
        {"FLY.key", ViewerGroup::Key},
        {"m.qti", ViewerGroup::Object},
        {"m.TXP", ViewerGroup::Object},
        {"photo.jpeg", ViewerGroup::Unknown},
        {"p.png", ViewerGroup::Unknown},
        {"noextension", ViewerGroup::Unknown},
        {"trailing.", ViewerGroup::Unknown},
        {"a.txt.bak", ViewerGroup::Unknown},
    };
    for (const auto& [name, group] : cases) EXPECT_EQ(viewerGroup(name), group) << name;

    std::set<std::string_view> distinct(kTextExtensions.begin(), kTextExtensions.end());
    EXPECT_EQ(distinct.size(), 42u);
    for (std::string_view extension : kTextExtensions) {
        EXPECT_EQ(viewerGroup("NAME" + std::string(extension)), ViewerGroup::Text) << extension;
    }
}

TEST(DispatchRules, TextureNamesStopAtTheFirstDot) {
    EXPECT_EQ(textureBase("TEX.01.RAW"), "TEX");
    EXPECT_EQ(textureBase("TEXTURES\\TEX01.ACT"), "TEXTURES\\TEX01");
    EXPECT_EQ(textureBase("NODOT"), "");
    EXPECT_EQ(shortName("/work/dir.d/TEX.01.RAW"), "TEX");
    EXPECT_EQ(shortName("TEXTURES\\TEX01.ACT"), "TEX01");
}

TEST(DispatchRules, CompanionsMatchExactlyCaseIncluded) {
    const std::vector<std::string> names = {"A\\TEX01.ACT", "TEX01.ACT", "tex01.act", "TEX01.ACT",
                                            "TEX01.ACT.BAK"};
    EXPECT_EQ(matchingNames(names, "TEX01.ACT"), (std::vector<std::size_t>{1, 3}));
    EXPECT_TRUE(matchingNames(names, "TEX01.RAW").empty());
}

}  // namespace
}  // namespace kelvane
