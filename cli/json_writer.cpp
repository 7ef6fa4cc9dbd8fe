#include "cli/json_writer.h"

namespace kelvane::cli {

std::string jsonString(std::string_view text) {
    static const char* const kHex = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\b':
                quoted += "\\b";
                break;
            case '\f':
                quoted += "\\f";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    quoted += "\\u00";
                    quoted += kHex[c >> 4];
                    quoted += kHex[c & 0xF];
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + '"';
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ << ',';
        first_.back() = false;
    }
}

JsonWriter& JsonWriter::open(char bracket) {
    beforeValue();
    out_ << bracket;
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    first_.pop_back();
    out_ << bracket;
    if (first_.empty()) out_ << '\n';  // the document ends
    return *this;
}

JsonWriter& JsonWriter::beginObject() {
    return open('{');
}

JsonWriter& JsonWriter::endObject() {
    return close('}');
}

JsonWriter& JsonWriter::beginArray() {
    return open('[');
}

JsonWriter& JsonWriter::endArray() {
    return close(']');
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ << jsonString(name) << ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view utf8) {
    beforeValue();
    out_ << jsonString(utf8);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t value) {
    beforeValue();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    beforeValue();
    out_ << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    out_ << "null";
    return *this;
}

JsonWriter& JsonWriter::number(const std::optional<std::uint32_t>& value) {
    return value ? number(std::int64_t(*value)) : null();
}

}  // namespace kelvane::cli
