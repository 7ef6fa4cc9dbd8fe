#include "decoders/key_file.h"

#include <gtest/gtest.h>

#include "tests/support/key_file_builder.h"

namespace kelvane {
namespace {

using test::buildKeyFile;
using test::KeyObject;

const std::string kRule(41, '-');

std::string dots(std::size_t count) {
    return std::string(count, '.');
}

// The texts of the key lines of a one-set file holding `keys`.
std::vector<std::string> listKeys(const std::vector<KeyObject>& keys) {
    const KeyListing listing = decodeKeyFile(buildKeyFile({{"Vol", keys}}));
    EXPECT_EQ(listing.error, "");
    std::vector<std::string> texts;
    for (std::size_t i = 3; i < listing.lines.size(); ++i) texts.push_back(listing.lines[i].text);
    return texts;
}

TEST(KeyFile, SetsGetHeadingsAndKeysTheirLines) {
    const std::string text = buildKeyFile(
        {{"Commandes", {{{{"name", "'Pause'"}, {"code", "59"}}}}}, {"Vues", {}}}, "\n");
    EXPECT_EQ(decodeKeyFile(text).lines,
              (std::vector<KeyLine>{{KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "Commandes"},
                                    {KeyLine::SetHeading, kRule},
                                    {KeyLine::KeyEntry, "Pause'" + dots(39) + "  F1"},
                                    {KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "Vues"},
                                    {KeyLine::SetHeading, kRule}}));
    EXPECT_TRUE(decodeKeyFile("<bgno>\r\n<kkey>\r\n<name>\r\nX\r\n<endo>\r\n").lines.empty());
}

TEST(KeyFile, LfCrLfAndLoneCrLineEndsListAlike) {
    const std::vector<test::KeySet> sets = {
        {"Commandes", {{{{"name", "Pause"}, {"code", "65595"}}}, {{{"name", "Frein"}}}}},
        {"Vues", {{{{"code", "284"}}}}}};
    const std::vector<KeyLine> expected = decodeKeyFile(buildKeyFile(sets, "\r\n")).lines;
    ASSERT_EQ(expected.size(), 9u);
    EXPECT_EQ(expected[3].text, "Pause" + dots(40) + " CTRL F1");
    for (const char* lineEnd : {"\n", "\r"}) {
        EXPECT_EQ(decodeKeyFile(buildKeyFile(sets, lineEnd)).lines, expected)
            << (lineEnd[0] == '\r' ? "CR" : "LF");
    }
}

TEST(KeyFile, CodeSplitsIntoModifierAndKeyAndLaterModiWins) {
    EXPECT_EQ(listKeys({{{{"name", "A"}, {"code", "284"}}},
                        {{{"name", "B"}, {"code", "65595"}}},
                        {{{"name", "C"}, {"code", "59"}, {"modi", "4"}}},
                        {{{"name", "D"}, {"modi", "4"}, {"code", "131131"}}},
                        {{{"name", "E"}, {"code", "59"}, {"modi", "3"}}},
                        {{{"name", "F"}, {"code", "283"}}},
                        {{{"name", "G"}, {"code", "65535"}}},  // modifier 1, key -1
                        {{{"name", "H"}, {"code", "2147483647"}}},
                        {{{"code", "\t  0042"}, {"user", "<name>"}, {"name", " \"-.Ecran '"}}},
                        {{{"name", std::string(45, 'n') + "xyz"}, {"code", "57"}}},
                        {{{"name", "\xC9tat"}, {"btni", "x"}, {"enab", "1"}}}}),
              (std::vector<std::string>{
                  "A" + dots(41) + "  Entr\351e (pav\351 num.)", "B" + dots(41) + " CTRL F1",
                  "C" + dots(41) + " SHIFT F1", "D" + dots(41) + " ALT F1", "E" + dots(41) + "  F1",
                  "F" + dots(41) + "  283", "G" + dots(41) + " CTRL -1", "H" + dots(41) + "  -1",
                  "Ecran '" + dots(38) + "  \xB2", std::string(45, 'n') + "  Espace",
                  "\xC9tat" + dots(41) + "  "}));
}

TEST(KeyFile, BareTagsAndUnclosedObjectsEndAtTheEndOfTheData) {
    // A line without "<" gives its first four characters as its tag.
    EXPECT_EQ(decodeKeyFile("kset\n1\n2\n3\nT\n4\n5\n6\n7\nkkey\nx\nname\nK\ncode\n2\nendo\nendo\n"
                            "kset\n\n\n\nU\n\n\n\n\n<kkey>\nb\n<name>\nCut")
                  .lines,
              (std::vector<KeyLine>{{KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "T"},
                                    {KeyLine::SetHeading, kRule},
                                    {KeyLine::KeyEntry, "K" + dots(41) + "  1"},
                                    {KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "U"},
                                    {KeyLine::SetHeading, kRule},
                                    {KeyLine::KeyEntry, "Cut" + dots(41) + "  "}}));
    EXPECT_EQ(decodeKeyFile("<kset>").lines.size(), 3u);
}

TEST(KeyFile, InvalidIntegerStopsButKeepsEarlierLines) {
    for (const std::string bad : {"abc", "12x", "59 ", "2147483648", "--"}) {
        const KeyListing listing = decodeKeyFile(buildKeyFile(
            {{"Vol", {{{{"name", "Ok"}, {"code", "2"}}}, {{{"name", "Bad"}, {"modi", bad}}}}},
             {"Jamais", {}}}));
        ASSERT_EQ(listing.lines.size(), 4u) << bad;
        EXPECT_EQ(listing.lines.back().text, "Ok" + dots(41) + "  1");
        EXPECT_EQ(listing.error,
                  "'" + (bad == "--" ? std::string() : bad) + "' is not a valid integer value");
    }
}

}  // namespace
}  // namespace kelvane
