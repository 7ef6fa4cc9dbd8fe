#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

class DecodeCommand : public ::testing::Test {
  protected:
    // Writes `bytes` to `name`, decodes it; returns the exit status.
    int decode(const std::string& name, const std::string& bytes) {
        test::writeFile(dir.path() / name, bytes);
        std::ostringstream outText, errText;
        const int status = cli::runCli({"decode", (dir.path() / name).string()}, outText, errText);
        out = outText.str();
        err = errText.str();
        return status;
    }
    test::TempDir dir;
    std::string out, err;
};

TEST_F(DecodeCommand, EachKindInUtf8) {
    test::TaggedFileBuilder object;
    object.tag("<icao>").string("\xC9TE").tag("<lowl>").real(1.5).real(-0.25).real(1e20).raw("j");
    for (const char* name : {"a.bgr", "b.TXP", "c.Tms", "d.qti"}) {
        EXPECT_EQ(decode(name, object.bytes()), 0);
        EXPECT_EQ(out,
                  "<icao>\n\xC3\x89TE\n<lowl>\n1.5\n-0.25\n1E+20\n"
                  "Erreur : token 1E+20 inconnu - Index $2A\n");
    }
    EXPECT_EQ(decode("k.KEY", test::buildKeyFile({{"Entr\351es", {{{{"code", "28"}}}}}})), 0);
    EXPECT_EQ(out,
              "\nEntrées\n" + std::string(41, '-') + "\n" + std::string(41, '.') + "  Entrée\n");
    test::DbfLayout table;
    table.fields = {{"NOM", 4}, {"ALT", 3}};
    table.records = {"Orly 89", "\xC9vry 12"};
    table.recordCount = 3;
    EXPECT_EQ(decode("t.dbf", test::buildDbf(table)), 0);
    EXPECT_EQ(out, "NOM\tALT\nOrly\t 89\n\xC3\x89vry\t 12\n");
}

TEST_F(DecodeCommand, TableListingEndsWithTheFile) {
    test::DbfLayout table;
    table.fields = {{"NOM", 8}};
    table.records = {"Orly"};
    for (const std::int32_t claimed : {1, 2, 2147483647}) {
        table.recordCount = claimed;
        const std::string bytes = test::buildDbf(table);
        ASSERT_EQ(bytes.size(), 75u);
        EXPECT_EQ(decode("t.dbf", bytes), 0) << claimed;
        EXPECT_EQ(out, "NOM\nOrly    \n") << claimed;
    }
    table.recordCount = 0;
    EXPECT_EQ(decode("t.dbf", test::buildDbf(table)), 0);
    EXPECT_EQ(out, "NOM\n");
}

TEST_F(DecodeCommand, FailuresNameTheFile) {
    EXPECT_EQ(decode("bad.key", test::buildKeyFile({{"T", {{{{"code", "x"}}}}}})), 1);
    EXPECT_EQ(out, "\nT\n" + std::string(41, '-') + "\n");  // lines before the error stay
    EXPECT_NE(err.find("bad.key: 'x' is not a valid integer value"), std::string::npos) << err;
    EXPECT_EQ(decode("short.dbf", "abc"), 1);
    EXPECT_NE(err.find("short.dbf: Stream read error"), std::string::npos) << err;
    EXPECT_EQ(decode("a.txt", "text"), 1);
    EXPECT_NE(err.find("a.txt"), std::string::npos);

    std::ostringstream sink;
    EXPECT_EQ(cli::runCli({"decode", (dir.path() / "none.dbf").string()}, sink, sink), 1);
    EXPECT_NE(sink.str().find("none.dbf"), std::string::npos);
    EXPECT_EQ(cli::runCli({"decode"}, sink, sink), 2);
}

}  // namespace
}  // namespace kelvane
