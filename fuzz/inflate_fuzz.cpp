// Inflates the input after its first 4 bytes (the stated size) as a compressed entry with
// every inflater: zlib alone as the reference, libdeflate in one call, the streaming inflater
// in the program's pieces and the ordinary whole read. They must give the same bytes or the
// same refusal.
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "archive/archive_errors.h"
#include "archive/entry_inflater.h"
#include "archive/entry_reader.h"
#include "archive/stream_header.h"
#include "archive/whole_inflate.h"
#include "platform/little_endian.h"
#include "platform/read_only_file.h"

namespace {

constexpr std::size_t kParameters = 4;

// The bytes, or the refusal's message.
struct Outcome {
    std::string bytes;
    std::optional<std::string> refusal;
    bool operator==(const Outcome&) const = default;
};

// zlib alone, in chunks of the size the program uses, with its messages.
Outcome zlibReference(const char* stored, std::size_t size, const kelvane::CatalogueEntry& entry) {
    const std::int64_t stated = entry.size;
    Outcome outcome;
    z_stream z{};
    const bool wrapped = kelvane::streamKind(stored, size) == kelvane::StreamKind::Zlib;
    if (inflateInit2(&z, wrapped ? MAX_WBITS : -MAX_WBITS) != Z_OK) std::abort();
    std::size_t fed = 0;
    std::string chunk(kelvane::kEntryChunk, '\0');
    for (;;) {
        if (z.avail_in == 0 && fed < size) {
            const std::size_t piece = std::min(kelvane::kEntryChunk, size - fed);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored + fed));
            z.avail_in = uInt(piece);
            fed += piece;
        }
        const std::int64_t done = std::int64_t(outcome.bytes.size());
        // Past the stated size, one byte is asked for to see whether the stream ends there.
        const std::size_t room =
            done < stated ? std::size_t(std::min<std::int64_t>(kelvane::kEntryChunk, stated - done))
                          : 1;
        z.next_out = reinterpret_cast<Bytef*>(chunk.data());
        z.avail_out = uInt(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        outcome.bytes.append(chunk.data(), room - z.avail_out);
        // A refusal of the stream comes before one of its size.
        if (status == Z_BUF_ERROR && z.avail_in == 0 && fed == size) {
            outcome.refusal = "its compressed stream ends early";
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) {
            outcome.refusal = "its compressed stream is corrupt";
            break;
        }
        if (std::int64_t(outcome.bytes.size()) > stated) {
            outcome.refusal = "it yields more than its " + std::to_string(stated) + " bytes";
            break;
        }
        if (status == Z_STREAM_END) {
            if (std::int64_t(outcome.bytes.size()) != stated) {
                outcome.refusal = "it yields " + std::to_string(outcome.bytes.size()) +
                                  " bytes instead of " + std::to_string(stated);
            }
            break;
        }
    }
    inflateEnd(&z);
    // Worded as the program words it.
    if (outcome.refusal)
        outcome.refusal = kelvane::DamagedEntry(entry, "", *outcome.refusal).english();
    return outcome;
}

template <typename Read>
Outcome outcomeOf(Read read) {
    Outcome outcome;
    try {
        read(outcome.bytes);
    } catch (const kelvane::DamagedEntry& error) {
        outcome.refusal = error.english();
    }
    return outcome;
}

// The refusal alone decides: bytes handed out before one are not compared.
bool agree(const Outcome& reference, const Outcome& other) {
    return reference.refusal ? reference.refusal == other.refusal : reference == other;
}

// With the top bit of the parameters set, the rest is plain data to deflate (raw or zlib as
// the next bit says), one byte of the stream then flipped as the low bits say: streams that are
// sound, or damaged deep inside.
std::string storedBytes(const std::uint8_t* data, std::size_t size, std::uint32_t parameters) {
    std::string rest(reinterpret_cast<const char*>(data), size);
    if ((parameters & 0x80000000u) == 0) return rest;
    z_stream z{};
    const int level = int(parameters >> 24 & 7) + 1;
    if (deflateInit2(&z, level, Z_DEFLATED, parameters & 0x40000000u ? MAX_WBITS : -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        std::abort();
    }
    std::string stream(deflateBound(&z, uLong(size)), '\0');
    z.next_in = reinterpret_cast<Bytef*>(rest.data());
    z.avail_in = uInt(size);
    z.next_out = reinterpret_cast<Bytef*>(stream.data());
    z.avail_out = uInt(stream.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    stream.resize(z.total_out);
    deflateEnd(&z);
    const std::size_t at = parameters >> 8 & 0xFFFF;
    if (at < stream.size()) stream[at] = char(stream[at] ^ (parameters & 0xFF));
    return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kParameters) return 0;
    static const std::string path = "/tmp/kelvane-inflate-fuzz-" + std::to_string(getpid());
    const std::uint32_t parameters = kelvane::readLittle32(data);
    const std::string bytes = storedBytes(data + kParameters, size - kParameters, parameters);
    const char* stored = bytes.data();
    const std::size_t storedSize = bytes.size();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(stored, std::streamsize(storedSize));
    kelvane::ReadOnlyFile file;
    if (!file.open(path)) return 0;

    kelvane::CatalogueEntry entry;
    entry.offset = 0;
    entry.storedSize = std::uint32_t(storedSize);
    // Plain data: its own size give or take a few bytes; else whatever the input says.
    entry.size = parameters & 0x80000000u
                     ? std::uint32_t(std::max<std::int64_t>(
                           0, std::int64_t(size - kParameters) + (parameters >> 27 & 7) - 3))
                     : parameters % (1u << 22);
    entry.compressed = true;

    const Outcome reference = zlibReference(stored, storedSize, entry);
    const auto append = [](std::string& bytes) {
        return [&bytes](const char* piece, std::size_t count) { bytes.append(piece, count); };
    };
    const Outcome whole = outcomeOf([&](std::string& bytes) {
        if (!kelvane::inflateWhole(file, entry, append(bytes), nullptr)) {
            throw kelvane::DamagedEntry(entry, "", "not inflated whole");
        }
    });
    const Outcome streamed = outcomeOf([&](std::string& bytes) {
        kelvane::EntryInflater inflater(file, entry);
        std::string chunk(kelvane::kEntryChunk, '\0');
        while (const std::size_t got = inflater.next(chunk.data(), chunk.size())) {
            bytes.append(chunk.data(), got);
        }
    });
    const Outcome read =
        outcomeOf([&](std::string& bytes) { kelvane::readEntry(file, entry, append(bytes)); });
    // libdeflate may pass a stream on to the others, never accept one zlib refuses.
    if (!whole.refusal && whole != reference) std::abort();
    if (!agree(reference, streamed) || !agree(reference, read)) {
        for (const Outcome* outcome : {&reference, &streamed, &read}) {
            std::fprintf(stderr, "%zu bytes, %s\n", outcome->bytes.size(),
                         outcome->refusal.value_or("sound").c_str());
        }
        std::abort();
    }
    return 0;
}
