#include "decoders/dbf_table.h"

#include "platform/read_only_file.h"

#include <algorithm>
#include <stdexcept>

#include "decoders/whole_file.h"
#include "platform/little_endian.h"

namespace kelvane {

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::size_t kNameSize = 10;
constexpr std::size_t kWidthOffset = 16;

}  // namespace

std::string_view DbfTable::cell(std::size_t record, std::size_t field) const {
    if (record >= recordEnds_.size() || field >= fieldOffsets_.size()) return {};
    const std::size_t start = record == 0 ? 0 : recordEnds_[record - 1];
    const std::string_view text(text_.data() + start, recordEnds_[record] - start);
    const std::size_t offset = fieldOffsets_[field];
    if (offset >= text.size()) return {};
    return text.substr(offset, fieldWidths_[field]);
}

DbfTable decodeDbfTable(std::string_view bytes) {
    if (bytes.size() < kHeaderSize) throw StreamReadError();
    const auto records = std::int32_t(readLittle32(bytes.data() + 4));
    const auto headerLength = readLittle16(bytes.data() + 8);
    const auto recordLength = readLittle16(bytes.data() + 10);

    // The terminator byte after the descriptors falls away in the division. A header
    // length of 0 leaves the file size to count the descriptors.
    const std::size_t described = headerLength == 0 ? bytes.size() : headerLength;
    const std::size_t fieldCount =
        described > kHeaderSize ? (described - kHeaderSize) / kDescriptorSize : 0;
    if (bytes.size() < kHeaderSize + fieldCount * kDescriptorSize) {
        throw StreamReadError();
    }

    DbfTable table;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const std::string_view descriptor = bytes.substr(kHeaderSize + i * kDescriptorSize);
        const std::string_view name = descriptor.substr(0, kNameSize);
        table.fieldNames_.emplace_back(name.substr(0, name.find('\0')));
        table.fieldOffsets_.push_back(offset);
        table.fieldWidths_.push_back(static_cast<std::uint8_t>(descriptor[kWidthOffset]));
        offset += table.fieldWidths_.back();
    }

    // Each record is read from just past its deletion flag, so its bytes end with the
    // next record's flag; the field walk stops before it. A NUL ends a record's text.
    // Records missing from the file stay empty.
    table.recordCount_ = records > 0 ? static_cast<std::size_t>(records) : 0;
    std::size_t position = std::size_t{headerLength} + 1;
    if (recordLength > 0 && position < bytes.size()) {
        const std::size_t available = bytes.size() - position;
        const std::size_t present =
            std::min(table.recordCount_, (available + recordLength - 1) / recordLength);
        table.recordEnds_.reserve(present);
        table.text_.reserve(std::min(available, present * recordLength));
        for (std::size_t r = 0; r < present; ++r, position += recordLength) {
            const std::string_view record = bytes.substr(position, recordLength);
            table.text_.append(record.substr(0, record.find('\0')));
            table.recordEnds_.push_back(table.text_.size());
        }
    }
    return table;
}

DbfTable readDbfTable(const std::string& path) {
    return decodeDbfTable(readWholeFile(path));
}

}  // namespace kelvane
