#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane::test {

// Builds the bytes of a tagged object file piece by piece (values little-endian).
class TaggedFileBuilder {
  public:
    // A tag such as "<vert>" with its NUL terminator.
    TaggedFileBuilder& tag(std::string_view tag) { return string(tag); }
    TaggedFileBuilder& real(double value);
    TaggedFileBuilder& longValue(std::int32_t value);
    // A 4-byte field whose low half is `low`; `high` is the half readers ignore.
    TaggedFileBuilder& shortInLong(std::uint16_t low, std::uint16_t high = 0);
    // A NUL-terminated string.
    TaggedFileBuilder& string(std::string_view text);
    TaggedFileBuilder& raw(std::string_view bytes);

    const std::string& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

  private:
    template <typename T>
    TaggedFileBuilder& append(T value);

    std::string bytes_;
};

}  // namespace kelvane::test
