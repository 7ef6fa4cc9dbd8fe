#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive_errors.h"
#include "archive/entry_inflater.h"
#include "archive/entry_reader.h"
#include "archive/whole_inflate.h"
#include "platform/read_only_file.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::Compression;
using test::noisyText;

// Made when first used: each test runs in a program of its own.
const std::string& small() {
    static const std::string text = noisyText(300 * 1024);
    return text;
}
// Above the bound of whole inflation: streamed.
const std::string& large() {
    static const std::string text = noisyText(std::size_t(kWholeInflateBound) + (1 << 20));
    return text;
}

struct InflateCase {
    const char* name;
    const std::string& (*text)();
    Compression compression;
    // The stored bytes made from the deflated text.
    std::string (*damage)(std::string stream);
    std::int64_t statedChange;  // added to the text's size
    // The refusal's reason, or none when the entry gives the text.
    const char* refusal;
};

void PrintTo(const InflateCase& c, std::ostream* out) {
    *out << c.name;
}

std::string asIs(std::string stream) {
    return stream;
}
std::string cutInHalf(std::string stream) {
    return stream.substr(0, stream.size() / 2);
}
std::string withTrailingBytes(std::string stream) {
    return stream + "bytes after the end of the stream";
}
std::string lastByteFlipped(std::string stream) {
    stream.back() ^= 1;
    return stream;
}
std::string reservedBlockType(std::string stream) {
    stream[0] = '\x07';
    return stream;
}
std::string presetDictionary(std::string stream) {
    stream[1] = '\xBB';  // 0x78BB: a sound header asking for a dictionary
    return stream;
}
std::string nothing(std::string) {
    return {};
}
// One dynamic block of five 'A' whose code-length code is incomplete (three codes of two bits):
// decodable, but refused by zlib and libdeflate.
std::string incompleteCode(std::string) {
    return std::string("\x05\xC0\x01\x09\x00\x00\x00\x00\xA0\x6C\xF6\x2F\xA5\x20", 14);
}
std::string emptyBlock(std::string) {
    return std::string("\x03\x00", 2);  // one final fixed block holding nothing
}

// One entry read every way the program reads one: the bytes or the reason of the refusal.
struct Outcome {
    std::string bytes;
    std::optional<std::string> refusal;
};

template <typename Read>
Outcome outcomeOf(Read read) {
    Outcome outcome;
    try {
        read(outcome.bytes);
    } catch (const DamagedEntry& error) {
        outcome.refusal = error.english();
    }
    return outcome;
}

class EntryInflaters : public ::testing::TestWithParam<InflateCase> {};

TEST_P(EntryInflaters, GiveTheSameBytesOrTheSameRefusal) {
    const InflateCase& c = GetParam();
    const std::string stored = c.damage(test::deflateBytes(c.text(), c.compression));
    test::TempDir dir;
    test::writeFile(dir.path() / "entry.pod", std::string(16, 'H') + stored);
    ReadOnlyFile file;
    ASSERT_TRUE(file.open((dir.path() / "entry.pod").string()));
    CatalogueEntry entry;
    entry.name = "A\\B.TXT";
    entry.offset = 16;
    entry.storedSize = std::int64_t(stored.size());
    entry.size = std::int64_t(c.text().size()) + c.statedChange;
    entry.compressed = true;

    std::string seen;
    const EntrySink observer = [&](const char* data, std::size_t size) { seen.append(data, size); };
    const Outcome read = outcomeOf([&](std::string& bytes) {
        readEntry(
            file, entry, [&](const char* data, std::size_t size) { bytes.append(data, size); },
            &observer);
    });
    const Outcome streamed = outcomeOf([&](std::string& bytes) {
        // Uneven pieces, streamed whatever the size.
        EntryInflater inflater(file, entry);
        char piece[7777];
        while (const std::size_t got = inflater.next(piece, sizeof piece)) bytes.append(piece, got);
    });
    const Outcome prefix = outcomeOf(
        [&](std::string& bytes) { bytes = readEntryPrefix(file, entry, std::size_t(entry.size)); });

    for (const Outcome* outcome : {&read, &streamed, &prefix}) {
        if (c.refusal == nullptr) {
            EXPECT_FALSE(outcome->refusal) << *outcome->refusal;
            EXPECT_TRUE(outcome->bytes == c.text());
        } else {
            ASSERT_TRUE(outcome->refusal);
            EXPECT_EQ(*outcome->refusal,
                      "Entry 1 \"A\\B.TXT\" is damaged: " + std::string(c.refusal) + ".");
        }
    }
    // The observer sees every stored byte of an entry read whole, trailing ones too.
    if (c.refusal == nullptr) {
        EXPECT_TRUE(seen == stored);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, EntryInflaters,
    ::testing::Values(InflateCase{"zlib", small, Compression::Zlib, asIs, 0, nullptr},
                      InflateCase{"raw", small, Compression::RawDeflate, asIs, 0, nullptr},
                      InflateCase{"large_zlib", large, Compression::Zlib, asIs, 0, nullptr},
                      InflateCase{"large_raw", large, Compression::RawDeflate, asIs, 0, nullptr},
                      InflateCase{"trailing_bytes", small, Compression::Zlib, withTrailingBytes, 0,
                                  nullptr},
                      InflateCase{"cut_short", small, Compression::RawDeflate, cutInHalf, 0,
                                  "its compressed stream ends early"},
                      InflateCase{"large_cut_short", large, Compression::Zlib, cutInHalf, 0,
                                  "its compressed stream ends early"},
                      InflateCase{"empty", small, Compression::RawDeflate, nothing, -307199,
                                  "its compressed stream ends early"},
                      InflateCase{"too_long", small, Compression::Zlib, asIs, -10,
                                  "it yields more than its 307190 bytes"},
                      InflateCase{"empty_stream", small, Compression::RawDeflate, emptyBlock, 0,
                                  "it yields 0 bytes instead of 307200"},
                      InflateCase{"too_short", small, Compression::RawDeflate, asIs, 10,
                                  "it yields 307200 bytes instead of 307210"},
                      InflateCase{"wrong_adler", small, Compression::Zlib, lastByteFlipped, 0,
                                  "its compressed stream is corrupt"},
                      InflateCase{"corrupt", small, Compression::RawDeflate, reservedBlockType, 0,
                                  "its compressed stream is corrupt"},
                      InflateCase{"incomplete_code", small, Compression::RawDeflate, incompleteCode,
                                  5 - 307200, "its compressed stream is corrupt"},
                      InflateCase{"dictionary", small, Compression::Zlib, presetDictionary, 0,
                                  "its compressed stream is corrupt"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvane
