#include "decoders/key_file.h"

#include <gtest/gtest.h>

#include "tests/support/key_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::buildKeyFile;
using test::KeyObject;

const std::string kRule(41, '-');

std::string dots(std::size_t count) {
    return std::string(count, '.');
}

// The text of every line of the listing of one set holding `keys`.
std::vector<std::string> listKeys(const std::vector<KeyObject>& keys) {
    const KeyListing listing = decodeKeyFile(buildKeyFile({{"Vol", keys}}));
    EXPECT_EQ(listing.error, "");
    std::vector<std::string> texts;
    for (std::size_t i = 3; i < listing.lines.size(); ++i) {
        EXPECT_EQ(listing.lines[i].style, KeyLine::KeyEntry);
        texts.push_back(listing.lines[i].text);
    }
    return texts;
}

TEST(KeyFile, SetsGetHeadingsAndKeysTheirLines) {
    const std::string text =
        buildKeyFile({{"Commandes de vol", {{{{"name", "'Pause'"}, {"code", "59"}}}}},
                      {"Vues", {{{{"kyid", "'view'"}, {"name", "Zoom"}, {"code", "65595"}}}}}},
                     "\n");
    const std::vector<KeyLine> expected = {
        {KeyLine::SetHeading, ""},    {KeyLine::SetHeading, "Commandes de vol"},
        {KeyLine::SetHeading, kRule}, {KeyLine::KeyEntry, "Pause'" + dots(39) + "  F1"},
        {KeyLine::SetHeading, ""},    {KeyLine::SetHeading, "Vues"},
        {KeyLine::SetHeading, kRule}, {KeyLine::KeyEntry, "Zoom" + dots(41) + " CTRL F1"},
    };
    const KeyListing listing = decodeKeyFile(text);
    EXPECT_EQ(listing.lines, expected);
    EXPECT_EQ(listing.error, "");
    EXPECT_TRUE(decodeKeyFile("<bgno>\r\n<kkey>\r\n<name>\r\nX\r\n<endo>\r\n").lines.empty());
}

TEST(KeyFile, CodeSplitsIntoModifierAndKeyAndModiOverridesByOrder) {
    EXPECT_EQ(listKeys({
                  {{{"name", "A"}, {"code", "284"}}},
                  {{{"name", "B"}, {"code", "59"}, {"modi", "4"}}},
                  {{{"name", "C"}, {"modi", "4"}, {"code", "131131"}}},  // 2 * 65536 + 59
                  {{{"name", "D"}, {"code", "59"}, {"modi", "3"}}},
                  {{{"name", "E"}, {"code", "28"}}},
                  {{{"name", "F"}, {"code", "91"}}},
                  {{{"name", "G"}, {"code", "283"}}},
                  {{{"name", "H"}, {"code", "65535"}}},  // modifier 1, key -1
                  {{{"name", "I"}, {"code", "2147483647"}}},
                  {{{"name", "J"}, {"code", "\t  0042"}}},
              }),
              (std::vector<std::string>{
                  "A" + dots(41) + "  Entr\351e (pav\xE9 num.)",
                  "B" + dots(41) + " SHIFT F1",
                  "C" + dots(41) + " ALT F1",
                  "D" + dots(41) + "  F1",
                  "E" + dots(41) + "  Entr\351e",
                  "F" + dots(41) + "  91",
                  "G" + dots(41) + "  283",
                  "H" + dots(41) + " CTRL -1",
                  "I" + dots(41) + "  -1",
                  "J" + dots(41) + "  \xB2",
              }));
}

TEST(KeyFile, NamesAreCleanedPaddedAndCut) {
    const std::string name45(45, 'n');
    EXPECT_EQ(listKeys({
                  {{{"name", " \"-.Ecran '"}, {"code", "1"}}},
                  {{{"name", name45 + "xyz"}, {"code", "57"}}},
                  {{{"name", "Ab"}, {"user", "<name>"}, {"code", "82"}}},
                  {{{"name", "   "}, {"code", "0"}}},
                  {{{"name", "\xC9tat"}, {"btni", "x"}, {"enab", "1"}}},
              }),
              (std::vector<std::string>{
                  "Ecran '" + dots(38) + "  Echap",
                  name45 + "  Espace",
                  "Ab" + dots(41) + "  0 pav\xE9 num\xE9rique",
                  dots(41) + "  ",
                  "\xC9tat" + dots(41) + "  ",
              }));
}

TEST(KeyFile, BareEndoAndUnclosedObjectsEndAtTheEndOfTheData) {
    // A line without "<" gives its first four characters as its tag.
    EXPECT_EQ(decodeKeyFile("<kset>\n1\n2\n3\nT\n4\n5\n6\n7\nkkey\nx\nname\nK\ncode\n2\nendo\n"
                            "endo\nkset\n1\n2\n3\nU\n")
                  .lines,
              (std::vector<KeyLine>{{KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "T"},
                                    {KeyLine::SetHeading, kRule},
                                    {KeyLine::KeyEntry, "K" + dots(41) + "  1"},
                                    {KeyLine::SetHeading, ""},
                                    {KeyLine::SetHeading, "U"},
                                    {KeyLine::SetHeading, kRule}}));
    // The key object cut after its name still shows what was read.
    EXPECT_EQ(
        decodeKeyFile("<kset>\r\n\r\n\r\n\r\nT\r\n\r\n\r\n\r\n\r\n<kkey>\r\nb\r\n<name>\r\nCut")
            .lines.back(),
        (KeyLine{KeyLine::KeyEntry, "Cut" + dots(41) + "  "}));
    EXPECT_EQ(decodeKeyFile("<kset>").lines.size(), 3u);
}

TEST(KeyFile, InvalidIntegerStopsButKeepsEarlierLines) {
    for (const std::string bad : {"abc", "12x", "59 ", "2147483648"}) {
        const KeyListing listing = decodeKeyFile(buildKeyFile(
            {{"Vol", {{{{"name", "Ok"}, {"code", "2"}}}, {{{"name", "Bad"}, {"modi", bad}}}}},
             {"Jamais", {}}}));
        ASSERT_EQ(listing.lines.size(), 4u) << bad;
        EXPECT_EQ(listing.lines.back().text, "Ok" + dots(41) + "  1");
        EXPECT_EQ(listing.error, "'" + bad + "' is not a valid integer value");
    }
    EXPECT_EQ(decodeKeyFile(buildKeyFile({{"Vol", {{{{"code", "--"}}}}}})).error,
              "'' is not a valid integer value");
}

TEST(KeyFile, ReadsFilesAndNamesTheOneItCannotOpen) {
    test::TempDir dir;
    test::writeFile(dir.path() / "a.key", buildKeyFile({{"Vol", {{{{"code", "3"}}}}}}));
    EXPECT_EQ(readKeyFile((dir.path() / "a.key").string()).lines.size(), 4u);
    const std::string missing = (dir.path() / "none.key").string();
    EXPECT_THROW(
        {
            try {
                readKeyFile(missing);
            } catch (const std::runtime_error& error) {
                EXPECT_NE(std::string(error.what()).find(missing), std::string::npos);
                throw;
            }
        },
        std::runtime_error);
}

}  // namespace
}  // namespace kelvane
