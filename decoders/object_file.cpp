#include "decoders/object_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "decoders/real_text.h"
#include "decoders/whole_file.h"

namespace kelvane {

namespace {

enum class Payload {
    ThreeReals,
    ThreeRealsAndShort,
    FourReals,
    OneLong,
    TwoLongs,
    OneShort,
    ShortRun,
    String,
    Skipped
};

struct TagLayout {
    std::string_view tag;
    Payload payload;
};

constexpr TagLayout kLayouts[] = {
    {"<lowl>", Payload::ThreeReals},
    {"<vloc>", Payload::ThreeReals},
    {"<orgn>", Payload::ThreeRealsAndShort},
    {"<lpos>", Payload::ThreeRealsAndShort},
    {"<regn>", Payload::FourReals},
    {"<vert>", Payload::OneLong},
    {"<feet>", Payload::OneLong},
    {"<edge>", Payload::TwoLongs},
    {"<indx>", Payload::TwoLongs},
    {"<tlxz>", Payload::TwoLongs},
    {"<nodn>", Payload::OneShort},
    {"<rndx>", Payload::ShortRun},
    {"<flow>", Payload::OneShort},
    {"<thck>", Payload::OneShort},
    {"<type>", Payload::OneShort},
    {"<icao>", Payload::String},
    {"<pave>", Payload::Skipped},
    {"<edmk>", Payload::Skipped},
    {"<cntr>", Payload::Skipped},
    {"<lite>", Payload::Skipped},
};

const TagLayout* layoutOf(std::string_view lastLine) {
    const std::string_view tag = lastLine.substr(0, 6);
    for (const TagLayout& layout : kLayouts) {
        if (layout.tag == tag) return &layout;
    }
    return nullptr;
}

class ObjectDecoder {
  public:
    ObjectDecoder(std::string_view data, char decimalSeparator)
        : data_(data), separator_(decimalSeparator) {}

    std::vector<std::string> run() {
        while (pos_ < data_.size()) {
            if (tagAt(pos_)) {
                readString();
                continue;
            }
            const TagLayout* layout = lines_.empty() ? nullptr : layoutOf(lines_.back());
            if (layout == nullptr || !readPayload(layout->payload)) {
                writeError();
                break;
            }
        }
        return std::move(lines_);
    }

  private:
    // A tag is a "<" with a ">" five bytes further on, both inside the data.
    bool tagAt(std::size_t at) const {
        return at + 5 < data_.size() && data_[at] == '<' && data_[at + 5] == '>';
    }

    // False when the payload is cut short by the end of the data.
    bool readPayload(Payload payload) {
        switch (payload) {
            case Payload::ThreeReals:
                return readReals(3);
            case Payload::ThreeRealsAndShort:
                return readReals(3) && readShort();
            case Payload::FourReals:
                return readReals(4);
            case Payload::OneLong:
                return readLong();
            case Payload::TwoLongs:
                return readLong() && readLong();
            case Payload::OneShort:
                return readShort();
            case Payload::ShortRun:
                while (pos_ < data_.size() && !tagAt(pos_)) {
                    if (!readShort()) return false;
                }
                return true;
            case Payload::String:
                readString();
                return true;
            case Payload::Skipped:
                while (pos_ < data_.size() && !tagAt(pos_)) ++pos_;
                return true;
        }
        return false;
    }

    // Copies the next `size` bytes out of the data, or returns false if fewer remain.
    bool take(void* value, std::size_t size) {
        if (data_.size() - pos_ < size) return false;
        std::memcpy(value, data_.data() + pos_, size);
        pos_ += size;
        return true;
    }

    bool readReals(int count) {
        for (int i = 0; i < count; ++i) {
            double value;
            if (!take(&value, sizeof value)) return false;
            lines_.push_back(formatReal(value, separator_));
        }
        return true;
    }

    bool readLong() {
        std::int32_t value;
        if (!take(&value, sizeof value)) return false;
        lines_.push_back(std::to_string(value));
        return true;
    }

    // A 4-byte field of which only the low 16 bits count.
    bool readShort() {
        std::uint32_t value;
        if (!take(&value, sizeof value)) return false;
        lines_.push_back(std::to_string(value & 0xFFFF));
        return true;
    }

    // The NUL-terminated string at the position; the data's end also ends it.
    void readString() {
        const std::size_t nul = data_.find('\0', pos_);
        const std::size_t end = nul == std::string_view::npos ? data_.size() : nul;
        lines_.emplace_back(data_.substr(pos_, end - pos_));
        pos_ = nul == std::string_view::npos ? data_.size() : nul + 1;
    }

    void writeError() {
        const std::string token = lines_.empty() ? std::string() : lines_.back();
        char index[32];
        std::snprintf(index, sizeof index, "%zX", pos_);
        lines_.push_back("Erreur : token " + token + " inconnu - Index $" + index);
    }

    std::string_view data_;
    char separator_;
    std::size_t pos_ = 0;
    std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> decodeObjectFile(std::string_view bytes, char decimalSeparator) {
    return ObjectDecoder(bytes, decimalSeparator).run();
}

std::vector<std::string> readObjectFile(const std::string& path, char decimalSeparator) {
    return decodeObjectFile(readWholeFile(path), decimalSeparator);
}

}  // namespace kelvane
