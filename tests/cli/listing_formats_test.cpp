// list -l, and the --json documents of list, info and verify.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

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

TEST(ListingOutput, HostileTextAndBigSizesKeepOneRecordPerLine) {
    setenv("TZ", "UTC", 1);
    test::TempDir dir;
    const std::string archive = (dir.path() / "hostile.pod").string();
    test::ArchiveOptions options;
    options.comment = "two\nlines";
    options.audit = {{"eve\n", 100, 2, "a\x1b[31m", 0, 0, 100, 1}};
    std::string bytes = test::buildArchive(
        test::ArchiveLayout::POD3, {{"a\nb.txt", "hello"}, {"big\t1", ""}, {"big2", ""}}, options);
    // Sizes the records state, read as the unsigned values they are.
    for (const auto& [record, size] : {std::pair{1, 0x80000000u}, {2, 0xFFFFFFFFu}}) {
        for (int i = 0; i < 4; ++i) bytes[300 + 20 * record + 4 + i] = char(size >> (8 * i));
    }
    test::writeFile(archive, bytes);

    const std::string list = run({"list", archive}).out;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 3) << list;
    EXPECT_NE(list.find("\ta\\nb.txt\n2\t2147483648\t"), std::string::npos) << list;
    EXPECT_NE(list.find("\tbig\\t1\n3\t4294967295\t"), std::string::npos) << list;
    const std::string longList = run({"list", "-l", archive}).out;
    EXPECT_EQ(longList.substr(0, longList.find('\n')), "         5  01/01/70 00:00:00  a\\nb.txt")
        << longList;
    EXPECT_NE(longList.find("\n4294967295  "), std::string::npos) << longList;
    const std::string json = run({"list", "--json", archive}).out;
    EXPECT_NE(json.find("\"name\":\"a\\nb.txt\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"size\":2147483648,\"stored_size\":2147483648"), std::string::npos);
    EXPECT_NE(json.find("\"size\":4294967295"), std::string::npos);
    EXPECT_EQ(run({"info", archive}).out, "hostile.pod - 3 files for 6442450948 bytes\n");
    EXPECT_NE(run({"info", "--json", archive}).out.find("\"bytes\":6442450948,"),
              std::string::npos);
    EXPECT_NE(run({"info", "--verbose", archive}).out.find("\ncomment: two\\nlines\n"),
              std::string::npos);
    EXPECT_EQ(run({"audit", archive}).out, "100\teve\\n\tchanged\ta\\x1b[31m\t0\t0\t100\t1\n");
}

}  // namespace
}  // namespace kelvane
