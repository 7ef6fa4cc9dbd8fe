#include "decoders/object_file.h"

#include <gtest/gtest.h>

#include "tests/support/tagged_file_builder.h"

namespace kelvane {
namespace {

using Lines = std::vector<std::string>;
using test::TaggedFileBuilder;

Lines decode(const TaggedFileBuilder& file, char separator = '.') {
    return decodeObjectFile(file.bytes(), separator);
}

TEST(ObjectFile, EveryTagWritesItsPayload) {
    TaggedFileBuilder file;
    file.tag("<lowl>").real(1).real(2).real(3).tag("<vloc>").real(-1).real(0.5).real(1e20);
    file.tag("<orgn>").real(1.5).real(0).real(-2).shortInLong(7);
    file.tag("<lpos>").real(4).real(5).real(6).shortInLong(0xFFFF, 0x1234);
    file.tag("<regn>").real(1).real(2).real(3).real(4);
    file.tag("<vert>").longValue(-1).tag("<feet>").longValue(2147483647);
    file.tag("<edge>").longValue(1).longValue(2).tag("<indx>").longValue(3).longValue(-4);
    file.tag("<tlxz>").longValue(5).longValue(6).tag("<nodn>").shortInLong(1, 1);
    file.tag("<rndx>").shortInLong(10).shortInLong(11, 9).shortInLong(12);
    file.tag("<flow>").shortInLong(1).tag("<thck>").shortInLong(2);
    file.tag("<type>").shortInLong(3).tag("<icao>").string("K\xC9OS");
    file.tag("<pave>").raw(std::string("\x01<\0\xFF", 4)).tag("<edmk>").raw("abc");
    file.tag("<cntr>").raw("x").tag("<lite>").raw("<1234");  // a skip ends with the data
    EXPECT_EQ(
        decode(file, ','),
        (Lines{"<lowl>", "1",       "2",          "3",      "<vloc>", "-1",     "0,5",    "1E+20",
               "<orgn>", "1,5",     "0",          "-2",     "7",      "<lpos>", "4",      "5",
               "6",      "65535",   "<regn>",     "1",      "2",      "3",      "4",      "<vert>",
               "-1",     "<feet>",  "2147483647", "<edge>", "1",      "2",      "<indx>", "3",
               "-4",     "<tlxz>",  "5",          "6",      "<nodn>", "1",      "<rndx>", "10",
               "11",     "12",      "<flow>",     "1",      "<thck>", "2",      "<type>", "3",
               "<icao>", "K\xC9OS", "<pave>",     "<edmk>", "<cntr>", "<lite>"}));
    EXPECT_TRUE(decodeObjectFile("", '.').empty());
}

TEST(ObjectFile, ErrorLineNamesTheLastLineAndTheOffset) {
    EXPECT_EQ(decodeObjectFile("xyz<vert>", '.'), (Lines{"Erreur : token  inconnu - Index $0"}));
    TaggedFileBuilder twoValues;
    twoValues.tag("<vert>").longValue(12).longValue(13).tag("<feet>").longValue(1);
    EXPECT_EQ(decode(twoValues), (Lines{"<vert>", "12", "Erreur : token 12 inconnu - Index $B"}));
    // The whole line is the token; its first six characters choose the payload.
    const std::string longTag = "<abcd>" + std::string(20, 'z');
    TaggedFileBuilder unknown;
    unknown.tag(longTag).raw("payload");
    EXPECT_EQ(decode(unknown),
              (Lines{longTag, "Erreur : token " + longTag + " inconnu - Index $1B"}));
    TaggedFileBuilder known;
    known.tag("<abcd>").tag("<vert> 12").longValue(3);
    EXPECT_EQ(decode(known), (Lines{"<abcd>", "<vert> 12", "3"}));
}

TEST(ObjectFile, TagTestLooksAtFirstAndSixthBytesOnly) {
    TaggedFileBuilder file;
    file.tag("<rndx>").shortInLong(1).raw("<\x01\x02\x03\x04>z").raw(std::string(1, '\0'));
    file.tag("<edmk>").raw("ab<  ..").tag("<9999>").tag("<nodn>").shortInLong(4);
    EXPECT_EQ(decode(file),
              (Lines{"<rndx>", "1", "<\x01\x02\x03\x04>z", "<edmk>", "<9999>", "<nodn>", "4"}));
}

TEST(ObjectFile, DataCutShortEndsWithTheErrorLine) {
    TaggedFileBuilder real;
    real.tag("<lowl>").real(1).raw("\x01\x02\x03");
    EXPECT_EQ(decode(real), (Lines{"<lowl>", "1", "Erreur : token 1 inconnu - Index $F"}));
    TaggedFileBuilder run;
    run.tag("<rndx>").shortInLong(3).raw("\x01\x02");
    EXPECT_EQ(decode(run), (Lines{"<rndx>", "3", "Erreur : token 3 inconnu - Index $B"}));
    // A tag cut short by the end of the data is no tag, here the string value.
    EXPECT_EQ(decodeObjectFile(std::string("<icao>\0<ab", 10), '.'), (Lines{"<icao>", "<ab"}));
}

TEST(ObjectFile, FilesBeyondOneMebibyteAreDecodedWhole) {
    TaggedFileBuilder file;
    file.tag("<pave>").raw(std::string(3 << 19, 'x')).tag("<feet>").longValue(77);
    EXPECT_EQ(decode(file), (Lines{"<pave>", "<feet>", "77"}));
}

}  // namespace
}  // namespace kelvane
