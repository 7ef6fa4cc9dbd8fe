#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::cli {

// `text` (UTF-8) as a JSON string: quoted, with quotes, backslashes and control characters
// escaped; other characters, accented ones included, left as they are.
std::string jsonString(std::string_view text);

// Writes one JSON document, compact, commas placed as members and elements follow each other.
class JsonWriter {
  public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The name of the next member of the current object.
    JsonWriter& key(std::string_view name);

    JsonWriter& string(std::string_view utf8);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);
    JsonWriter& null();
    // The number, or null when there is none.
    JsonWriter& number(const std::optional<std::uint32_t>& value);

  private:
    void beforeValue();
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);

    std::ostream& out_;
    std::vector<bool> first_;  // per open object or array: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace kelvane::cli
