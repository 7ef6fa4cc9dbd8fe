#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/bilingual_error.h"
#include "platform/cp1252.h"
#include "settings/ini_file.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

class SettingsFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = (dir.path() / "Kelvane.ini").string();
};

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
    EXPECT_EQ(IniFile(path).readString("init", "langage", ""), "français");
}

// A settings file holding the language and the seven directories, in key order.
std::string settingsText(const std::string& language, const std::vector<std::string>& dirs) {
    std::string text = "[init]\r\nlangage=" + language + "\r\n";
    for (std::size_t i = 0; i < kDirectoryKeys.size(); ++i) {
        text += "[" + std::string(kDirectoryKeys[i].section) + "]\r\n" + kDirectoryKeys[i].key +
                "=" + dirs[i] + "\r\n";
    }
    return text;
}

// A directory changed in the dialog before saving.
struct Edit {
    std::string Settings::*directory;
    std::string value;
};

TEST_F(SettingsFileTest, PathsInAnyScriptRoundTrip) {
    // Files in Windows-1252 are built from UTF-8 text through the codec.
    const std::string cp1252 =
        utf8ToCp1252(settingsText("français", {"/f/", "/home/été/", "", "/p/", "/r/", "", "/pa/"}));
    const std::vector<std::string> cyrillic = {"/f/", "/home/user/Документы/", "", "/p/", "/r/", "",
                                               "/pa/"};
    const std::string utf8 = settingsText("français", cyrillic);
    std::vector<std::string> utf8Kept = cyrillic;
    utf8Kept[6] = "/peinture/é/";
    const struct {
        const char* what;
        std::string before;
        std::optional<Edit> edit;
        std::string after;
    } cases[] = {
        {"Windows-1252 kept byte for byte", cp1252, std::nullopt, cp1252},
        {"a value beyond Windows-1252 turns the file UTF-8", cp1252,
         Edit{&Settings::workDirectory, "/home/user/Документы/"}, utf8},
        {"a UTF-8 file stays UTF-8", utf8, Edit{&Settings::paintDirectory, "/peinture/é/"},
         settingsText("français", utf8Kept)},
        {"plain ASCII stays Windows-1252", settingsText("english", {"/f/", "", "", "", "", "", ""}),
         Edit{&Settings::workDirectory, "/été/"},
         utf8ToCp1252(settingsText("english", {"/f/", "/été/", "", "", "", "", ""}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::writeFile(path, c.before);
        Settings edited;
        loadStartupSettings(path, edited);
        loadDirectorySettings(path, edited);
        if (c.edit) edited.*c.edit->directory = c.edit->value;
        saveDirectorySettings(path, edited);
        EXPECT_EQ(test::readFile(path), c.after);

        Settings reread;
        loadStartupSettings(path, reread);
        loadDirectorySettings(path, reread);
        EXPECT_EQ(reread.language, edited.language);
        for (const DirectoryKey& key : kDirectoryKeys) {
            EXPECT_EQ(reread.*key.value, edited.*key.value) << key.key;
        }
    }
}

TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFile) {
    test::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    const std::string onDisk = disk.withSeparator() + "Kelvane.ini";
    const std::string before = "[init]\r\nlangage=english\r\n";
    test::writeFile(onDisk, before);
    disk.fillSpace();
    Settings values;
    values.workDirectory = std::string(8192, 'w');
    EXPECT_THROW(saveDirectorySettings(onDisk, values), DiskFull);
    EXPECT_EQ(test::readFile(onDisk), before);
    EXPECT_EQ(disk.names(), std::vector<std::string>{"Kelvane.ini"});
}

}  // namespace
}  // namespace kelvane
