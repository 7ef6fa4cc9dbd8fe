// list -l, and the --json documents of list, info and verify.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/json_writer.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::run;

TEST(JsonWriter, EscapesWhatJsonRequiresAndKeepsTheRest) {
    EXPECT_EQ(cli::jsonString("plain"), "\"plain\"");
    EXPECT_EQ(cli::jsonString("ART\\\"x\"\n\t\r\b\f\x01\x1F\x7F café"),
              "\"ART\\\\\\\"x\\\"\\n\\t\\r\\b\\f\\u0001\\u001f\x7F café\"");
    std::ostringstream out;
    cli::JsonWriter json(out);
    json.beginObject().key("a").beginArray().number(-1).boolean(true).null().endArray();
    json.key("b").beginObject().endObject().key("c").number(std::optional<std::uint32_t>());
    json.endObject();
    EXPECT_EQ(out.str(), "{\"a\":[-1,true,null],\"b\":{},\"c\":null}\n");
}

class ListingFormats : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        archive = (dir.path() / "demo.pod").string();
        test::writeArchive(archive, test::ArchiveLayout::POD3,
                           {{"readme.txt", "hello", 1000000000},
                            {"ART\\\"q\".tga", std::string(12345, 'p'), 0xFFFFFFFFu}});
    }
    test::TempDir dir;
    std::string archive;
};

TEST_F(ListingFormats, LongListing) {
    const test::CliRun list = run({"list", "-l", archive});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "    5  09/09/01 01:46:40  readme.txt\n"
              "12345  12/31/69 23:59:59  ART\\\"q\".tga\n");
    const std::string pod6 = (dir.path() / "plain.pod").string();
    test::writeArchive(pod6, test::ArchiveLayout::POD6, {{"a.txt", "1"}});
    EXPECT_EQ(run({"list", "-l", pod6}).out, "1  -  a.txt\n");
    EXPECT_EQ(run({"list", "-l", "--json", archive}).status, 2);
    EXPECT_EQ(run({"list", "-x", archive}).status, 2);
}

TEST_F(ListingFormats, JsonDocuments) {
    EXPECT_EQ(run({"list", "--json", archive}).out,
              "{\"archive\":\"demo.pod\",\"layout\":\"POD3\",\"entries\":["
              "{\"number\":1,\"name\":\"readme.txt\",\"size\":5,\"stored_size\":5,"
              "\"offset\":363,\"timestamp\":1000000000,\"compressed\":false},"
              "{\"number\":2,\"name\":\"ART\\\\\\\"q\\\".tga\",\"size\":12345,"
              "\"stored_size\":12345,\"offset\":368,\"timestamp\":-1,\"compressed\":false}]}\n");
    const test::CliRun info = run({"info", "--json", archive});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out,
              "{\"archive\":\"demo.pod\",\"files\":2,\"bytes\":12350,\"layout\":\"POD3\","
              "\"tag\":\"POD3\",\"comment\":\"Test archive\",\"author\":\"Kelvane tests\","
              "\"copyright\":\"(c) nobody\",\"revision\":3,\"priority\":7,\"version\":null,"
              "\"next_archive\":null,\"entries\":2,\"audit_records\":0,"
              "\"dependency_records\":0,\"compressed_entries\":0,\"has_checksums\":true}\n");
    EXPECT_EQ(run({"info", "--verbose", "--json", archive}).out, info.out);

    const std::string pod6 = (dir.path() / "six.pod").string();
    test::writeArchive(pod6, test::ArchiveLayout::POD6, {{"a.txt", "1"}});
    EXPECT_NE(run({"list", "--json", pod6}).out.find("\"timestamp\":null,\"compressed\":true"),
              std::string::npos);

    test::ArchiveOptions bad;
    bad.badChecksums = true;
    const std::string failing = (dir.path() / "bad.pod").string();
    test::writeArchive(failing, test::ArchiveLayout::POD, {{"caf\xE9.txt", "1"}}, bad);
    const test::CliRun verify = run({"verify", "--json", failing});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("{\"entry\":null,\"name\":null,\"message\":\"Archive checksum"),
              std::string::npos)
        << verify.out;
    EXPECT_NE(verify.out.find("{\"entry\":1,\"name\":\"café.txt\",\"message\":\"Entry 1 "),
              std::string::npos)
        << verify.out;
    EXPECT_NE(verify.out.find("\"ok\":false}\n"), std::string::npos);
    EXPECT_NE(run({"verify", "--json", archive}).out.find("\"failures\":[],"), std::string::npos);
}

}  // namespace
}  // namespace kelvane
