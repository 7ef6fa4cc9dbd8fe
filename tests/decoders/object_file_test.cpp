#include "decoders/object_file.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using Lines = std::vector<std::string>;
using test::TaggedFileBuilder;

Lines decode(const TaggedFileBuilder& file, char separator = '.') {
    return decodeObjectFile(file.bytes(), separator);
}

TEST(ObjectFile, EveryTagWritesItsPayload) {
    TaggedFileBuilder file;
    file.tag("<lowl>").real(1).real(2).real(3);
    file.tag("<vloc>").real(-1).real(0.5).real(1e20);
    file.tag("<orgn>").real(1.5).real(0).real(-2).shortInLong(7);
    file.tag("<lpos>").real(4).real(5).real(6).shortInLong(0xFFFF, 0x1234);
    file.tag("<regn>").real(1).real(2).real(3).real(4);
    file.tag("<vert>").longValue(-1);
    file.tag("<feet>").longValue(2147483647);
    file.tag("<edge>").longValue(1).longValue(2);
    file.tag("<indx>").longValue(3).longValue(-4);
    file.tag("<tlxz>").longValue(5).longValue(6);
    file.tag("<nodn>").shortInLong(1, 1);
    file.tag("<rndx>").shortInLong(10).shortInLong(11, 9).shortInLong(12);
    file.tag("<flow>").shortInLong(1);
    file.tag("<thck>").shortInLong(2);
    file.tag("<type>").shortInLong(3);
    file.tag("<icao>").string("K\xC9OS");
    file.tag("<pave>").raw(std::string("\x01\x02<\0\xFF", 5));
    file.tag("<edmk>").raw("abc");
    file.tag("<cntr>").raw("x");
    file.tag("<lite>").raw("<1234");  // ends with the data
    const Lines expected = {
        "<lowl>", "1",       "2",          "3",      "<vloc>", "-1",     "0.5",    "1E+20",
        "<orgn>", "1.5",     "0",          "-2",     "7",      "<lpos>", "4",      "5",
        "6",      "65535",   "<regn>",     "1",      "2",      "3",      "4",      "<vert>",
        "-1",     "<feet>",  "2147483647", "<edge>", "1",      "2",      "<indx>", "3",
        "-4",     "<tlxz>",  "5",          "6",      "<nodn>", "1",      "<rndx>", "10",
        "11",     "12",      "<flow>",     "1",      "<thck>", "2",      "<type>", "3",
        "<icao>", "K\xC9OS", "<pave>",     "<edmk>", "<cntr>", "<lite>"};
    EXPECT_EQ(decode(file), expected);
}

TEST(ObjectFile, SmallFilesFromTheFormatNotes) {
    EXPECT_TRUE(decodeObjectFile("", '.').empty());
    EXPECT_EQ(decodeObjectFile(std::string("<vert>\0\xFF\xFF\xFF\xFF", 11), '.'),
              (Lines{"<vert>", "-1"}));
    EXPECT_EQ(decodeObjectFile(std::string("<nodn>\0\x01\x00\x01\x00", 11), '.'),
              (Lines{"<nodn>", "1"}));
    TaggedFileBuilder origin;
    origin.tag("<orgn>").real(1.5).real(0).real(-2).shortInLong(7);
    EXPECT_EQ(decode(origin, ','), (Lines{"<orgn>", "1,5", "0", "-2", "7"}));
    // Text after the tag stays on the tag's line; the first six characters pick the layout.
    TaggedFileBuilder tagged;
    tagged.tag("<vert> 12").longValue(3);
    EXPECT_EQ(decode(tagged), (Lines{"<vert> 12", "3"}));
}

TEST(ObjectFile, ErrorLineNamesLastLineAndOffset) {
    EXPECT_EQ(decodeObjectFile("xyz<vert>", '.'), (Lines{"Erreur : token  inconnu - Index $0"}));

    TaggedFileBuilder twoValues;
    twoValues.tag("<vert>").longValue(12).longValue(13).tag("<feet>").longValue(1);
    EXPECT_EQ(decode(twoValues), (Lines{"<vert>", "12", "Erreur : token 12 inconnu - Index $B"}));

    TaggedFileBuilder unknown;
    const std::string longTag = "<abcd>" + std::string(20, 'z');
    unknown.tag(longTag).raw("payload");
    EXPECT_EQ(decode(unknown),
              (Lines{longTag, "Erreur : token " + longTag + " inconnu - Index $1B"}));

    TaggedFileBuilder unknownThenTag;
    unknownThenTag.tag("<abcd>").tag("<vert>").longValue(5);
    EXPECT_EQ(decode(unknownThenTag), (Lines{"<abcd>", "<vert>", "5"}));
}

TEST(ObjectFile, TagTestLooksAtFirstAndSixthBytesOnly) {
    TaggedFileBuilder run;
    run.tag("<rndx>").shortInLong(1).raw("<\x01\x02\x03\x04>rest").raw(std::string(1, '\0'));
    run.tag("<vert>").longValue(9);
    EXPECT_EQ(decode(run), (Lines{"<rndx>", "1", "<\x01\x02\x03\x04>rest", "<vert>", "9"}));

    TaggedFileBuilder skipped;
    skipped.tag("<edmk>").raw("ab<  ..").raw(std::string("<9999>\0", 7)).tag("<nodn>");
    skipped.shortInLong(4);
    // "<9999>" stops the skip and is written; its payload is unknown, but a tag follows.
    EXPECT_EQ(decode(skipped), (Lines{"<edmk>", "<9999>", "<nodn>", "4"}));
}

TEST(ObjectFile, DataCutShortEndsWithErrorLine) {
    TaggedFileBuilder real;
    real.tag("<lowl>").real(1).raw("\x01\x02\x03");
    EXPECT_EQ(decode(real), (Lines{"<lowl>", "1", "Erreur : token 1 inconnu - Index $F"}));

    TaggedFileBuilder run;
    run.tag("<rndx>").shortInLong(3).raw("\x01\x02");
    EXPECT_EQ(decode(run), (Lines{"<rndx>", "3", "Erreur : token 3 inconnu - Index $B"}));

    // Runs and skips that reach the end cleanly are no error; neither is a tag cut short.
    TaggedFileBuilder cleanEnd;
    cleanEnd.tag("<rndx>").shortInLong(3).tag("<pave>").raw("\x01\x02\x03");
    EXPECT_EQ(decode(cleanEnd), (Lines{"<rndx>", "3", "<pave>"}));
    EXPECT_EQ(decodeObjectFile(std::string("<icao>\0<ab", 10), '.'), (Lines{"<icao>", "<ab"}));
    EXPECT_EQ(decodeObjectFile(std::string("<icao>\0ABC", 10), '.'), (Lines{"<icao>", "ABC"}));
}

TEST(ObjectFile, FilesBeyondOneMebibyteAreDecodedWhole) {
    TaggedFileBuilder file;
    file.tag("<pave>").raw(std::string(3 << 19, 'x')).tag("<feet>").longValue(77);
    EXPECT_EQ(decode(file), (Lines{"<pave>", "<feet>", "77"}));
}

TEST(ObjectFile, ReadsFilesAndNamesTheOneItCannotOpen) {
    test::TempDir dir;
    TaggedFileBuilder file;
    file.tag("<vert>").longValue(-7);
    test::writeFile(dir.path() / "a.bgr", file.bytes());
    EXPECT_EQ(readObjectFile((dir.path() / "a.bgr").string(), '.'), (Lines{"<vert>", "-7"}));

    const std::string missing = (dir.path() / "missing.bgr").string();
    try {
        readObjectFile(missing, '.');
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace kelvane
