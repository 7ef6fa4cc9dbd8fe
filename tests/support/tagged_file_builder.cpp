#include "tests/support/tagged_file_builder.h"

#include <cstring>

namespace kelvane::test {

template <typename T>
TaggedFileBuilder& TaggedFileBuilder::append(T value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    bytes_.append(bytes, sizeof bytes);
    return *this;
}

TaggedFileBuilder& TaggedFileBuilder::real(double value) {
    return append(value);
}

TaggedFileBuilder& TaggedFileBuilder::longValue(std::int32_t value) {
    return append(value);
}

TaggedFileBuilder& TaggedFileBuilder::shortInLong(std::uint16_t low, std::uint16_t high) {
    return append(static_cast<std::uint32_t>(high) << 16 | low);
}

TaggedFileBuilder& TaggedFileBuilder::string(std::string_view text) {
    bytes_.append(text);
    bytes_ += '\0';
    return *this;
}

TaggedFileBuilder& TaggedFileBuilder::raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
}

}  // namespace kelvane::test
