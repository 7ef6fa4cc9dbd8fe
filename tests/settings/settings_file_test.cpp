#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

class SettingsFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = (dir.path() / "Kelvane.ini").string();
};

TEST_F(SettingsFileTest, StartupLanguageRules) {
    Settings noFile;
    loadStartupSettings(path, noFile);
    EXPECT_FALSE(noFile.isEnglish());
    EXPECT_EQ(noFile.workDirectory, "");

    test::writeFile(path, "[work]\r\nworkdir=/w/\r\n");
    Settings withoutKey;
    loadStartupSettings(path, withoutKey);
    EXPECT_TRUE(withoutKey.isEnglish());

    test::writeFile(path, "[init]\r\nlangage=English\r\n");
    Settings capital;
    loadStartupSettings(path, capital);
    EXPECT_FALSE(capital.isEnglish());

    test::writeFile(path,
                    "[init]\r\nlangage=fran\xE7"
                    "ais\r\n");
    Settings french;
    loadStartupSettings(path, french);
    EXPECT_EQ(french.language, "français");
    EXPECT_FALSE(french.isEnglish());
    EXPECT_EQ(french.flyDirectory + french.workDirectory + french.rawDirectory, "");
}

TEST_F(SettingsFileTest, StartupReadsFiveDirectoriesKeepingCurrentValuesAsDefaults) {
    test::writeFile(path,
                    "[fly]\r\nflydir=/fly/\r\n[raw]\r\nrawdir=/r\xE9p/\r\n[ecw]\r\necwdir=/ecw/\r\n"
                    "[paint]\r\npaintdir=/paint/\r\n");
    Settings s;
    s.workDirectory = "/kept/";
    loadStartupSettings(path, s);
    EXPECT_EQ(s.flyDirectory, "/fly/");
    EXPECT_EQ(s.rawDirectory, "/rép/");
    EXPECT_EQ(s.workDirectory, "/kept/");
    EXPECT_EQ(s.ecwDirectory, "");  // read only by the directories dialog
    EXPECT_EQ(s.paintDirectory, "");

    loadDirectorySettings(path, s);
    EXPECT_EQ(s.ecwDirectory, "/ecw/");
    EXPECT_EQ(s.paintDirectory, "/paint/");
}

TEST_F(SettingsFileTest, SavingWritesTheSevenKeysInOrderAsWindows1252) {
    Settings values;
    values.flyDirectory = "/f/";
    values.workDirectory = "/été/";
    values.pspDirectory = "/p/";
    values.pshopDirectory = "/ps/";
    values.rawDirectory = "/r";  // typed without a separator: stored as typed
    values.ecwDirectory = "/e/";
    values.paintDirectory = "/pa/";
    saveDirectorySettings(path, values);
    EXPECT_EQ(test::readFile(path),
              "[fly]\r\nflydir=/f/\r\n[work]\r\nworkdir=/\xE9t\xE9/\r\n[psp]\r\npspdir=/p/\r\n"
              "[pshop]\r\npshopdir=/ps/\r\n[raw]\r\nrawdir=/r\r\n[ecw]\r\necwdir=/e/\r\n"
              "[paint]\r\npaintdir=/pa/\r\n");

    saveLanguage(path, "français");
    EXPECT_EQ(IniFile(path).readString("init", "langage", ""),
              "fran\xE7"
              "ais");
}

}  // namespace
}  // namespace kelvane
