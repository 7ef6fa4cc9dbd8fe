#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane::test {

struct DbfField {
    std::string name;  // up to 11 bytes written as they stand, NUL-padded
    std::uint8_t width = 0;
};

// A dBASE III table. Each record holds its field bytes without the deletion flag; it is
// padded with blanks or cut to the record length. The optional values override what the
// header would normally say.
struct DbfLayout {
    std::vector<DbfField> fields;
    std::vector<std::string> records;
    std::optional<std::int32_t> recordCount;
    std::optional<std::uint16_t> headerLength;
    std::optional<std::uint16_t> recordLength;
};

// Header, descriptors, the 0x0D terminator, the records (each behind a blank flag) and
// the 0x1A end-of-file byte.
std::string buildDbf(const DbfLayout& layout);

}  // namespace kelvane::test
