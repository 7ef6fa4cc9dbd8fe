#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelvane {

class TPOD;

// One checksum that does not hold, or an item that could not be read to check it.
struct VerificationFailure {
    int entry = -1;  // index of the entry concerned; -1 for a header, directory or record block
    std::string french;
    std::string english;
};

struct VerificationReport {
    std::string layout;         // "POD1" ... "POD6", "EPD"
    bool hasChecksums = false;  // false for POD1 and POD6: entries are only read whole
    int checked = 0;            // checksum fields examined
    // Entries whose checksum matched, by the bytes it covers: as stored, or (for compressed
    // entries only) once inflated.
    int matchedStored = 0;
    int matchedInflated = 0;
    // Entries of a layout without checksums: compressed ones inflated whole to their stated
    // size, stored ones found whole in the file.
    int inflatedWhole = 0;
    int storedWhole = 0;
    std::vector<VerificationFailure> failures;
    bool cancelled = false;

    bool allHold() const { return failures.empty() && !cancelled; }
    // One line: what was checked and whether it holds.
    std::string summaryFrench() const;
    std::string summaryEnglish() const;
};

// Reports bytes checked so far out of the total; returning false cancels the verification.
using VerificationProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Checks every checksum field the archive's layout has: the archive, header, directory,
// dependency and audit blocks, then every entry (a compressed entry may match on its stored
// or its inflated bytes). In a layout without checksums every compressed entry is inflated
// and every stored one must lie whole in the file. Reading is streamed; `progress` is called
// between chunks.
VerificationReport verifyArchive(const TPOD& archive, const VerificationProgress& progress);

}  // namespace kelvane
