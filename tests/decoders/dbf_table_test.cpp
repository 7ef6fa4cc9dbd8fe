#include "decoders/dbf_table.h"

#include <gtest/gtest.h>

#include "platform/bilingual_error.h"

#include <stdexcept>

#include "tests/support/dbf_builder.h"

namespace kelvane {
namespace {

using test::buildDbf;
using test::DbfLayout;
using Rows = std::vector<std::vector<std::string>>;

Rows cells(const DbfTable& table) {
    Rows rows(table.recordCount());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t f = 0; f < table.fieldCount(); ++f) rows[r].emplace_back(table.cell(r, f));
    }
    return rows;
}

TEST(DbfTable, FieldsSplitEachRecordByWidthUpToANul) {
    DbfLayout layout;
    layout.fields = {{"ICAO", 3}, {"NOM", 5}};
    layout.records = {"ABCDEFGH", "XY", std::string("abcd\0fgh", 8)};
    std::string bytes = buildDbf(layout);  // header length 97: two fields
    bytes[97 + 9] = '*';                   // a deleted record is shown all the same
    const DbfTable table = decodeDbfTable(bytes);
    EXPECT_EQ(table.fieldNames(), (std::vector<std::string>{"ICAO", "NOM"}));
    EXPECT_EQ(cells(table), (Rows{{"ABC", "DEFGH"}, {"XY ", "     "}, {"abc", "d"}}));
}

TEST(DbfTable, HeaderDecidesFieldsNamesAndRows) {
    DbfLayout layout;
    layout.fields = {{"ABCDEFGHIJK", 1}, {std::string("AB\0CD", 5), 1}, {"C", 1}};
    layout.records = {"xyz"};
    layout.headerLength = 128;  // three fields; no terminator, the first flag at 128
    std::string bytes = buildDbf(layout);
    bytes.erase(128, 1);
    const DbfTable table = decodeDbfTable(bytes);
    EXPECT_EQ(table.fieldNames(), (std::vector<std::string>{"ABCDEFGHIJ", "AB", "C"}));
    EXPECT_EQ(cells(table), (Rows{{"x", "y", "z"}}));

    layout.headerLength = 32;
    EXPECT_EQ(decodeDbfTable(buildDbf(layout)).fieldCount(), 0u);
    layout.headerLength = 0;  // the file size counts the descriptors
    EXPECT_EQ(decodeDbfTable(buildDbf(layout).substr(0, 128)).fieldCount(), 3u);
    layout.recordCount = -3;
    EXPECT_EQ(decodeDbfTable(buildDbf(layout)).recordCount(), 0u);
}

TEST(DbfTable, LongRecordsAreShownInFull) {
    DbfLayout layout;
    layout.fields = {{"A", 250}, {"B", 10}, {"C", 100}};
    layout.records = {std::string(250, 'a') + "0123456789" + std::string(100, 'c')};
    EXPECT_EQ(cells(decodeDbfTable(buildDbf(layout))),
              (Rows{{std::string(250, 'a'), "0123456789", std::string(100, 'c')}}));
}

TEST(DbfTable, MissingRecordsAreEmptyRows) {
    DbfLayout layout;
    layout.fields = {{"A", 2}, {"B", 4}};
    layout.records = {"abcdef", "ghijkl"};
    layout.recordCount = 4;
    const std::string bytes = buildDbf(layout);
    EXPECT_EQ(cells(decodeDbfTable(bytes.substr(0, bytes.size() - 4))),
              (Rows{{"ab", "cdef"}, {"gh", "i"}, {"", ""}, {"", ""}}));
    layout.recordCount = 2147483647;  // costs nothing over a tiny file
    const DbfTable huge = decodeDbfTable(buildDbf(layout));
    EXPECT_EQ(huge.recordCount(), 2147483647u);
    EXPECT_EQ(huge.recordsInFile(), 2u);
    EXPECT_EQ(huge.cell(1, 1), "ijkl");
    EXPECT_EQ(huge.cell(2147483646, 1), "");
}

TEST(DbfTable, ShortFilesAreStreamReadErrors) {
    DbfLayout layout;
    layout.fields = {{"A", 2}, {"B", 4}};
    const std::string bytes = buildDbf(layout);
    for (std::size_t size : {0u, 31u, 95u}) {
        try {
            decodeDbfTable(bytes.substr(0, size));
            ADD_FAILURE() << "no error at size " << size;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(englishText(error), "Stream read error");
        }
    }
    EXPECT_EQ(decodeDbfTable(bytes.substr(0, 96)).fieldCount(), 2u);
}

}  // namespace
}  // namespace kelvane
