#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

class IniFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = (dir.path() / "Kelvane.ini").string();
};

TEST_F(IniFileTest, ReadsCaseInsensitivelyTrimmedWithDefaults) {
    test::writeFile(
        path,
        "; comment=1\r\n[Init]\r\n  LANGAGE =  fran\xE7"
        "ais  \r\n"
        "[work]\r\nworkdir=\r\n[fly]\nflydir=C:\\Fly II\\\n[init]\r\nlangage=other\r\n");
    IniFile file(path);
    EXPECT_TRUE(file.exists());
    EXPECT_EQ(file.readString("init", "langage", "english"), "français");
    EXPECT_EQ(file.readString("WORK", "WorkDir", "default"), "");  // present but empty
    EXPECT_EQ(file.readString("fly", "flydir", ""), "C:\\Fly II\\");
    EXPECT_EQ(file.readString("fly", "missing", "dflt"), "dflt");
    EXPECT_EQ(file.readString("nosection", "flydir", "dflt"), "dflt");
    EXPECT_EQ(file.readString("comment", "; comment", "dflt"), "dflt");

    IniFile absent((dir.path() / "none.ini").string());
    EXPECT_FALSE(absent.exists());
    EXPECT_EQ(absent.readString("init", "langage", "english"), "english");
}

TEST_F(IniFileTest, WritingOneKeyKeepsEveryOtherLineByteForByte) {
    const std::string before =
        "; keep me  \r\n[INIT]\r\nLangage = english \r\nother=1\r\n\r\n[fly]\r\nflydir=x\r\n";
    test::writeFile(path, before);
    IniFile file(path);

    file.writeString("init", "langage", "français");
    EXPECT_EQ(test::readFile(path),
              "; keep me  \r\n[INIT]\r\nlangage=fran\xE7"
              "ais\r\nother=1\r\n\r\n[fly]\r\nflydir=x\r\n");

    // A new key goes after the section's last line, before the blank line.
    file.writeString("init", "extra", "2");
    EXPECT_EQ(test::readFile(path),
              "; keep me  \r\n[INIT]\r\nlangage=fran\xE7"
              "ais\r\nother=1\r\nextra=2\r\n\r\n"
              "[fly]\r\nflydir=x\r\n");

    // A new section is appended; a last line without a break gets one first.
    test::writeFile(path, "[fly]\nflydir=x");
    file.writeString("work", "workdir", "/tmp/");
    EXPECT_EQ(test::readFile(path), "[fly]\nflydir=x\n[work]\nworkdir=/tmp/\n");
    file.writeString("fly", "other", "y");
    EXPECT_EQ(test::readFile(path), "[fly]\nflydir=x\nother=y\n[work]\nworkdir=/tmp/\n");

    // A carriage return alone does not end a line.
    test::writeFile(path, "[fly]\r\nflydir=x\r");
    file.writeString("fly", "other", "y");
    EXPECT_EQ(test::readFile(path), "[fly]\r\nflydir=x\r\r\nother=y\r\n");
    EXPECT_EQ(file.readString("fly", "other", ""), "y");
}

TEST_F(IniFileTest, CreatesTheFileAndFailsLoudlyWhenItCannotWrite) {
    IniFile file(path);
    file.writeString("init", "langage", "english");
    EXPECT_EQ(test::readFile(path), "[init]\r\nlangage=english\r\n");
    EXPECT_EQ(file.readString("init", "langage", ""), "english");

    IniFile unwritable((dir.path() / "missing" / "Kelvane.ini").string());
    EXPECT_THROW(unwritable.writeString("init", "langage", "english"), std::runtime_error);
}

}  // namespace
}  // namespace kelvane
