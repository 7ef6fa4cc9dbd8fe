#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome decode(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    cli::Arguments all = {"decode"};
    all.insert(all.end(), args.begin(), args.end());
    const int status = cli::runCli(all, out, err);
    return {status, out.str(), err.str()};
}

class DecodeCommand : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        test::writeFile(dir.path() / name, bytes);
        return (dir.path() / name).string();
    }
    test::TempDir dir;
};

TEST_F(DecodeCommand, ObjectFilesByAnyCaseOfExtension) {
    test::TaggedFileBuilder file;
    file.tag("<icao>").string("\xC9TE").tag("<lowl>").real(1.5).real(-0.25).real(1e20);
    file.raw("junk");
    const std::string expected =
        "<icao>\n\xC3\x89TE\n<lowl>\n1.5\n-0.25\n1E+20\nErreur : token 1E+20 inconnu - Index $2A\n";
    for (const char* name : {"a.bgr", "b.TXP", "c.Tms", "d.qti"}) {
        const Outcome run = decode({write(name, file.bytes())});
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out, expected) << name;
    }
}

TEST_F(DecodeCommand, KeyListingAndItsConversionError) {
    const std::string good =
        write("vol.KEY", test::buildKeyFile({{"Entr\351es", {{{{"name", "N"}, {"code", "28"}}}}}}));
    Outcome run = decode({good});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "\nEntrées\n" + std::string(41, '-') + "\nN" + std::string(41, '.') + "  Entrée\n");

    const std::string bad = write("bad.key", test::buildKeyFile({{"T", {{{{"code", "x"}}}}}}));
    run = decode({bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "\nT\n" + std::string(41, '-') + "\n");
    EXPECT_NE(run.err.find(bad), std::string::npos);
    EXPECT_NE(run.err.find("'x' is not a valid integer value"), std::string::npos);
}

TEST_F(DecodeCommand, DbfAsTabSeparatedRows) {
    test::DbfLayout layout;
    layout.fields = {{"NOM", 4}, {"ALT", 3}};
    layout.records = {"Orly 89", "\xC9vry 12"};
    layout.recordCount = 3;
    const Outcome run = decode({write("t.dbf", test::buildDbf(layout))});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "NOM\tALT\nOrly\t 89\n\xC3\x89vry\t 12\n\t\n");
}

TEST_F(DecodeCommand, FailuresAndUsage) {
    Outcome run = decode({(dir.path() / "none.dbf").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("none.dbf"), std::string::npos);

    run = decode({write("short.dbf", "abc")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Stream read error"), std::string::npos);

    run = decode({write("a.txt", "text")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("a.txt"), std::string::npos);

    EXPECT_EQ(decode({}).status, 2);
    EXPECT_EQ(decode({"a.bgr", "b.bgr"}).status, 2);
}

}  // namespace
}  // namespace kelvane
