#include "preview/preview_captions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/cp1252.h"
#include "preview/wav_header.h"

namespace kelvane {
namespace {

// One decimal at most, with the language's separator.
std::string decimal(double value, bool english) {
    const long long tenths = std::llround(value * 10);
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += (english ? "." : ",") + std::to_string(tenths % 10);
    return text;
}

std::string counted(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace

std::string byteSizeText(std::int64_t bytes, bool english) {
    if (bytes < 1024) {
        const std::string count = std::to_string(bytes);
        if (english) return count + (bytes == 1 ? " byte" : " bytes");
        return count + (bytes > 1 ? " octets" : " octet");
    }
    static const char* const kEnglish[] = {"KiB", "MiB", "GiB", "TiB"};
    static const char* const kFrench[] = {"Kio", "Mio", "Gio", "Tio"};
    double value = double(bytes) / 1024;
    int unit = 0;
    // 1023.96 KiB would round to "1024 KiB": it reads as the next unit.
    while (unit < 3 && std::llround(value * 10) >= 1024 * 10) {
        value /= 1024;
        ++unit;
    }
    return decimal(value, english) + " " + (english ? kEnglish : kFrench)[unit];
}

std::string extentText(std::int64_t shown, std::int64_t total, bool english) {
    const std::string all = byteSizeText(total, english);
    if (shown >= total) return english ? all + ", all shown" : all + ", tout est affiché";
    const std::string part = byteSizeText(shown, english);
    return english ? part + " of " + all + " shown" : part + " sur " + all + " affichés";
}

std::string durationText(double seconds, bool english) {
    // Past a few thousand years the figure means nothing, but it must not overflow.
    const double bounded = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 1e12) : 0.0;
    const long long tenths = std::llround(bounded * 10);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld%c%lld", tenths / 600, tenths % 600 / 10,
                  english ? '.' : ',', tenths % 10);
    return text;
}

std::string soundSummary(const WavHeader& header, bool english) {
    std::string channels;
    if (header.channels == 1) {
        channels = "mono";
    } else if (header.channels == 2) {
        channels = english ? "stereo" : "stéréo";
    } else {
        channels = std::to_string(header.channels) + (english ? " channels" : " canaux");
    }
    std::string text = durationText(header.seconds(), english) + " · " +
                       std::to_string(header.sampleRate) + " Hz · " + channels + " · " +
                       std::to_string(header.bitsPerSample) + " bits";
    if (header.truncated) text += english ? " (cut short)" : " (tronqué)";
    return text;
}

std::string previewCaption(const PreviewContent& content, bool english) {
    struct Caption {
        bool english;
        std::string operator()(const PicturePreview& picture) const {
            return std::to_string(picture.size.width) + " x " + std::to_string(picture.size.height);
        }
        std::string operator()(const TextPreview& text) const {
            return extentText(text.shown, text.total, english);
        }
        std::string operator()(const ObjectPreview& object) const {
            std::string text = english ? counted(object.lines, "line decoded", "lines decoded")
                                       : counted(object.lines, "ligne décodée", "lignes décodées");
            if (object.shownLines < object.lines) {
                const std::string shown = std::to_string(object.shownLines);
                text += english ? ", the first " + shown + " shown"
                                : ", les " + shown + " premières affichées";
            }
            return text;
        }
        std::string operator()(const TablePreview& table) const {
            // The grid lists no more rows than the file has bytes (see DbfTableModel).
            const std::size_t records = std::min(table.table.recordCount(), table.bytes);
            const std::size_t fields = table.table.fieldCount();
            return english ? counted(records, "record", "records") + ", " +
                                 counted(fields, "field", "fields")
                           : counted(records, "enregistrement", "enregistrements") + ", " +
                                 counted(fields, "champ", "champs");
        }
        std::string operator()(const KeyPreview& keys) const {
            if (!keys.listing.error.empty()) return cp1252ToUtf8(keys.listing.error);
            std::size_t count = 0;
            for (const KeyLine& line : keys.listing.lines) count += line.style == KeyLine::KeyEntry;
            return english ? counted(count, "key", "keys") : counted(count, "touche", "touches");
        }
        std::string operator()(const SoundPreview& sound) const {
            return soundSummary(sound.header, english);
        }
        std::string operator()(const HexPreview& dump) const {
            return extentText(dump.shown, dump.total, english);
        }
    };
    return std::visit(Caption{english}, content);
}

}  // namespace kelvane
