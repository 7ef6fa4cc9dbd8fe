#include "decoders/key_file.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <stdexcept>

#include "decoders/whole_file.h"

namespace kelvane {

namespace {

// Key names by key code; codes without a key have an empty name.
// clang-format off
constexpr std::array<std::string_view, 91> kKeyNames = {
    /*  0 */ "", "Echap", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", ")", "=",
    /* 14 */ "Ret. arr.", "Tabulation",
    /* 16 */ "A", "Z", "E", "R", "T", "Y", "U", "I", "O", "P", "^", "$", "Entr\351e", "",
    /* 30 */ "Q", "S", "D", "F", "G", "H", "J", "K", "L", "M", "\xF9", "*", "\xB2", "<",
    /* 44 */ "W", "X", "C", "V", "B", "N", ",", ";", ":", "!", "", "", "", "Espace", "",
    /* 59 */ "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "", "", "",
    /* 71 */ "7 pav\xE9 num\xE9rique", "8 pav\xE9 num\xE9rique", "9 pav\xE9 num\xE9rique", "",
    /* 75 */ "4 pav\xE9 num\xE9rique", "5 pav\xE9 num\xE9rique", "6 pav\xE9 num\xE9rique", "??",
    /* 79 */ "1 pav\xE9 num\xE9rique", "2 pav\xE9 num\xE9rique", "3 pav\xE9 num\xE9rique",
    /* 82 */ "0 pav\xE9 num\xE9rique", "Suppr pav\xE9 num\xE9rique",
    /* 84 */ "", "", "", "", "", "", "",
};
// clang-format on

constexpr std::int32_t kKeypadEnterCode = 284;
constexpr std::string_view kKeypadEnter = "Entr\351e (pav\351 num.)";  // \351 is "é"
constexpr std::size_t kNameWidth = 45;
constexpr std::size_t kDotCount = 41;
constexpr std::size_t kRuleLength = 41;

// A value conversion that failed; carries the message shown to the user.
struct ConversionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The four characters after the first "<", or the first four when there is none.
std::string_view tagOf(std::string_view line) {
    const std::size_t open = line.find('<');
    return line.substr(open == std::string_view::npos ? 0 : open + 1, 4);
}

// Drops leading characters below "0": blanks, quotes, signs, dots...
std::string_view cleaned(std::string_view value) {
    while (!value.empty() && static_cast<unsigned char>(value.front()) < '0') {
        value.remove_prefix(1);
    }
    return value;
}

std::int32_t toInteger(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    }
    return value;
}

std::string_view modifierWord(std::int32_t modifier) {
    switch (modifier) {
        case 1:
            return "CTRL";
        case 2:
            return "ALT";
        case 4:
            return "SHIFT";
        default:
            return "";
    }
}

// Codes without a name in the table are shown as numbers.
std::string keyName(std::int32_t key) {
    if (key >= kKeypadEnterCode) return std::string(kKeypadEnter);
    if (key >= 0 && key < static_cast<std::int32_t>(kKeyNames.size())) {
        return std::string(kKeyNames[static_cast<std::size_t>(key)]);
    }
    return std::to_string(key);
}

// Reads text lines; past the end every read gives an empty line and reports false.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    bool next(std::string_view& line) {
        if (atEnd()) {
            line = {};
            return false;
        }
        // A line ends at LF, CR LF or a lone CR.
        std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (end + 1 < text_.size() && text_[end] == '\r' && text_[end + 1] == '\n') ++pos_;
        return true;
    }

    std::string_view next() {
        std::string_view line;
        next(line);
        return line;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

class KeyFileDecoder {
  public:
    explicit KeyFileDecoder(std::string_view bytes) : reader_(bytes) {}

    KeyListing run() {
        try {
            while (!reader_.atEnd()) {
                if (tagOf(reader_.next()) == "kset") objet_kset();
            }
        } catch (const ConversionError& error) {
            listing_.error = error.what();
        }
        return std::move(listing_);
    }

  private:
    void objet_kset() {
        for (int i = 0; i < 3; ++i) reader_.next();
        const std::string_view title = reader_.next();
        listing_.lines.push_back({KeyLine::SetHeading, ""});
        listing_.lines.push_back({KeyLine::SetHeading, std::string(title)});
        listing_.lines.push_back({KeyLine::SetHeading, std::string(kRuleLength, '-')});
        for (int i = 0; i < 4; ++i) reader_.next();
        std::string_view line;
        while (reader_.next(line) && tagOf(line) != "endo") {
            if (tagOf(line) == "kkey") objet_kkey();
        }
    }

    void objet_kkey() {
        reader_.next();
        std::string name;
        std::int32_t key = 0;
        std::int32_t modifier = 0;
        std::string_view line;
        bool more = reader_.next(line);
        while (more && tagOf(line) != "endo") {
            const std::string_view tag = tagOf(line);
            if (tag == "name") {
                name = cleaned(reader_.next());
            } else if (tag == "code") {
                // The modifier sits in the high half. Dividing by 65,535 and multiplying by
                // 65,536 splits the halves for every key below 65,535 - modifier; the few
                // codes above that give odd keys (65,535 is CTRL with key -1), as they always
                // have.
                const std::int32_t code = toInteger(cleaned(reader_.next()));
                modifier = static_cast<std::int32_t>(code / 65535.0);
                key = static_cast<std::int32_t>(code - std::int64_t{modifier} * 65536);
            } else if (tag == "modi") {
                modifier = toInteger(cleaned(reader_.next()));
            } else if (tag == "kyid" || tag == "btni" || tag == "user" || tag == "enab") {
                reader_.next();
            }
            more = reader_.next(line);
        }
        name.append(kDotCount, '.');
        if (name.size() > kNameWidth) name.resize(kNameWidth);
        listing_.lines.push_back(
            {KeyLine::KeyEntry,
             name + " " + std::string(modifierWord(modifier)) + " " + keyName(key)});
    }

    LineReader reader_;
    KeyListing listing_;
};

}  // namespace

KeyListing decodeKeyFile(std::string_view bytes) {
    return KeyFileDecoder(bytes).run();
}

KeyListing readKeyFile(const std::string& path) {
    return decodeKeyFile(readWholeFile(path));
}

}  // namespace kelvane
