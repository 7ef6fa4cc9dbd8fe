#include "tests/support/dbf_builder.h"

#include <algorithm>
#include <cstring>

namespace kelvane::test {

namespace {

template <typename T>
void put(std::string& bytes, std::size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

}  // namespace

std::string buildDbf(const DbfLayout& layout) {
    std::size_t fieldBytes = 0;
    for (const DbfField& field : layout.fields) fieldBytes += field.width;
    const auto recordLength =
        layout.recordLength.value_or(static_cast<std::uint16_t>(fieldBytes + 1));
    const auto headerLength =
        layout.headerLength.value_or(static_cast<std::uint16_t>(33 + 32 * layout.fields.size()));

    std::string bytes(32, '\0');
    bytes[0] = 0x03;
    put(bytes, 4, layout.recordCount.value_or(static_cast<std::int32_t>(layout.records.size())));
    put(bytes, 8, headerLength);
    put(bytes, 10, recordLength);
    for (const DbfField& field : layout.fields) {
        std::string descriptor(32, '\0');
        descriptor.replace(0, std::min<std::size_t>(field.name.size(), 11), field.name, 0, 11);
        descriptor[11] = 'C';
        descriptor[16] = static_cast<char>(field.width);
        bytes += descriptor;
    }
    bytes += '\x0D';
    for (std::string record : layout.records) {
        record.resize(recordLength > 0 ? recordLength - 1u : 0u, ' ');
        bytes += ' ';
        bytes += record;
    }
    bytes += '\x1A';
    return bytes;
}

}  // namespace kelvane::test
