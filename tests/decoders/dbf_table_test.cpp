#include "decoders/dbf_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/dbf_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::buildDbf;
using test::DbfLayout;
using Rows = std::vector<std::vector<std::string>>;

// Every cell of the table, row by row.
Rows cells(const DbfTable& table) {
    Rows rows;
    for (std::size_t r = 0; r < table.recordCount(); ++r) {
        rows.emplace_back();
        for (std::size_t f = 0; f < table.fieldCount(); ++f) {
            rows.back().emplace_back(table.cell(r, f));
        }
    }
    return rows;
}

TEST(DbfTable, FieldsSplitEachRecordByWidth) {
    DbfLayout layout;
    layout.fields = {{"ICAO", 3}, {"NOM", 5}};
    layout.records = {"ABCDEFGH", "XY", "12345678"};
    std::string bytes = buildDbf(layout);
    bytes[97 + 2 * 9] = '*';  // the third record is deleted: still shown
    const DbfTable table = decodeDbfTable(bytes);
    EXPECT_EQ(table.fieldNames(), (std::vector<std::string>{"ICAO", "NOM"}));
    EXPECT_EQ(cells(table), (Rows{{"ABC", "DEFGH"}, {"XY ", "     "}, {"123", "45678"}}));
}

TEST(DbfTable, FieldCountComesFromHeaderLengthOrFileSize) {
    DbfLayout none;
    none.fields = {{"A", 2}};
    none.headerLength = 32;
    none.records = {"zz"};
    const DbfTable empty = decodeDbfTable(buildDbf(none));
    EXPECT_EQ(empty.fieldCount(), 0u);
    EXPECT_EQ(empty.recordCount(), 1u);
    EXPECT_EQ(empty.cell(0, 0), "");

    DbfLayout zero;  // header length 0: two descriptors fill the 96-byte file
    zero.fields = {{"A", 2}, {"B", 2}};
    zero.headerLength = 0;
    std::string bytes = buildDbf(zero);
    bytes.resize(96);
    EXPECT_EQ(decodeDbfTable(bytes).fieldNames(), (std::vector<std::string>{"A", "B"}));

    DbfLayout wide;
    wide.fields = {{"A", 1}, {"B", 1}, {"C", 1}};
    wide.headerLength = 128;  // three fields; no terminator, the first flag at 128
    wide.records = {"xyz"};
    bytes = buildDbf(wide);
    bytes.erase(128, 1);
    EXPECT_EQ(cells(decodeDbfTable(bytes)), (Rows{{"x", "y", "z"}}));
}

TEST(DbfTable, NamesAndCountsAsStored) {
    DbfLayout layout;
    layout.fields = {{"ABCDEFGHIJK", 1}, {std::string("AB\0CD", 5), 1}};
    layout.recordCount = -3;
    layout.records = {"12"};
    const DbfTable table = decodeDbfTable(buildDbf(layout));
    EXPECT_EQ(table.fieldNames(), (std::vector<std::string>{"ABCDEFGHIJ", "AB"}));
    EXPECT_EQ(table.recordCount(), 0u);
}

TEST(DbfTable, NulEndsRecordText) {
    DbfLayout layout;
    layout.fields = {{"A", 3}, {"B", 3}, {"C", 2}};
    layout.records = {std::string("abcd\0fgh", 8), std::string("\0bcdefgh", 8), "ABCDEFGH"};
    EXPECT_EQ(cells(decodeDbfTable(buildDbf(layout))),
              (Rows{{"abc", "d", ""}, {"", "", ""}, {"ABC", "DEF", "GH"}}));
}

TEST(DbfTable, LongRecordsAreShownInFull) {
    DbfLayout layout;
    layout.fields = {{"A", 250}, {"B", 10}, {"C", 100}};
    const std::string record = std::string(250, 'a') + "0123456789" + std::string(100, 'c');
    layout.records = {record, std::string(360, 'z')};
    EXPECT_EQ(cells(decodeDbfTable(buildDbf(layout))),
              (Rows{{std::string(250, 'a'), "0123456789", std::string(100, 'c')},
                    {std::string(250, 'z'), std::string(10, 'z'), std::string(100, 'z')}}));
}

TEST(DbfTable, MissingRecordsAreEmptyRows) {
    DbfLayout layout;
    layout.fields = {{"A", 2}, {"B", 4}};
    layout.records = {"abcdef", "ghijkl"};
    layout.recordCount = 4;
    std::string bytes = buildDbf(layout);
    bytes.resize(bytes.size() - 4);  // the second record keeps "ghi"
    EXPECT_EQ(cells(decodeDbfTable(bytes)),
              (Rows{{"ab", "cdef"}, {"gh", "i"}, {"", ""}, {"", ""}}));

    // A huge count over a tiny file costs nothing.
    layout.recordCount = 2147483647;
    const DbfTable huge = decodeDbfTable(buildDbf(layout));
    EXPECT_EQ(huge.recordCount(), 2147483647u);
    EXPECT_EQ(huge.cell(1, 1), "ijkl");
    EXPECT_EQ(huge.cell(2147483646, 1), "");

    layout.recordLength = 0;
    EXPECT_EQ(decodeDbfTable(buildDbf(layout)).cell(0, 0), "");
}

TEST(DbfTable, ShortFilesAreStreamReadErrors) {
    DbfLayout layout;
    layout.fields = {{"A", 2}, {"B", 4}};
    const std::string bytes = buildDbf(layout);
    for (std::size_t size : {0u, 31u, 32u + 63u}) {
        try {
            decodeDbfTable(bytes.substr(0, size));
            ADD_FAILURE() << "no error at size " << size;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Stream read error");
        }
    }
    EXPECT_EQ(decodeDbfTable(bytes.substr(0, 96)).fieldCount(), 2u);
}

TEST(DbfTable, ReadsFilesAndNamesTheOneItCannotOpen) {
    test::TempDir dir;
    DbfLayout layout;
    layout.fields = {{"A", 1}};
    layout.records = {"q"};
    test::writeFile(dir.path() / "t.dbf", buildDbf(layout));
    EXPECT_EQ(readDbfTable((dir.path() / "t.dbf").string()).cell(0, 0), "q");
    const std::string missing = (dir.path() / "none.dbf").string();
    try {
        readDbfTable(missing);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos);
    }
}

}  // namespace
}  // namespace kelvane
