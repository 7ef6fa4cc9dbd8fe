#include "settings/extension_table.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using Rows = std::vector<TableRow>;

TEST(ExtensionTable, RowsAndLineEndings) {
    EXPECT_EQ(parseExtensionTable(""), Rows{});
    // CR LF, LF and lone CR all end a row; the final line break adds none; an empty line
    // is a row with one empty field; empty fields between separators are kept.
    EXPECT_EQ(parseExtensionTable("Ext;Desc\r\nBGR;Objet\n\rTXT;;\r\n"),
              (Rows{{"Ext", "Desc"}, {"BGR", "Objet"}, {""}, {"TXT", "", ""}}));
    EXPECT_EQ(parseExtensionTable("a;b"), (Rows{{"a", "b"}}));
    // 8-bit text passes through untouched.
    EXPECT_EQ(parseExtensionTable("WAV;Fichier son \xE9t\xE9"),
              (Rows{{"WAV", "Fichier son \xE9t\xE9"}}));
}

TEST(ExtensionTable, QuotedFields) {
    // The separator inside quotes is text; a doubled quote is one quote.
    EXPECT_EQ(parseExtensionTable("\"a;b\";\"say \"\"hi\"\"\";\"\""),
              (Rows{{"a;b", "say \"hi\"", ""}}));
    // A quote that does not begin the field is an ordinary character; text after the
    // closing quote is kept.
    EXPECT_EQ(parseExtensionTable("5\" disk;\"x\"y;z"), (Rows{{"5\" disk", "xy", "z"}}));
    // An unclosed quote ends with its line and does not eat the next rows.
    EXPECT_EQ(parseExtensionTable("\"open;still\r\nnext;row"),
              (Rows{{"open;still"}, {"next", "row"}}));
    // A quote doubled at the very end of the text cannot read past it.
    EXPECT_EQ(parseExtensionTable("\"ab\"\""), (Rows{{"ab\""}}));
}

TEST(ExtensionTable, LoadFromFile) {
    test::TempDir dir;
    const auto path = dir.path() / "TypeFichier.csv";
    EXPECT_FALSE(loadExtensionTable(path.string()).has_value());
    test::writeFile(path, "Ext;Description\r\nPOD;\"Archive; Fly!\"\r\n");
    const auto rows = loadExtensionTable(path.string());
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(*rows, (Rows{{"Ext", "Description"}, {"POD", "Archive; Fly!"}}));
}

TEST(ExtensionTable, InstalledTableBesideTheProgramFirst) {
    test::TempDir install;  // holds bin/ and share/kelvane/
    test::TempDir current;
    const std::filesystem::path program = install.path() / "bin";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(install.path() / "share" / "kelvane");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(current.path());
    EXPECT_FALSE(loadInstalledExtensionTable(program.string()).has_value());
    test::writeFile(current.path() / "TypeFichier.csv", "here");
    EXPECT_EQ(loadInstalledExtensionTable(program.string()), (Rows{{"here"}}));
    test::writeFile(install.path() / "share" / "kelvane" / "TypeFichier.csv", "installed");
    EXPECT_EQ(loadInstalledExtensionTable(program.string()), (Rows{{"installed"}}));
    test::writeFile(program / "TypeFichier.csv", "beside");
    EXPECT_EQ(loadInstalledExtensionTable(program.string()), (Rows{{"beside"}}));
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace kelvane
