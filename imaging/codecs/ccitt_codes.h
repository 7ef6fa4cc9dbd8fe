#pragma once

#include <cstdint>

namespace kelvane::ccitt {

// One run-length code of the one-dimensional fax coding, written as its bits.
struct RunCode {
    const char* bits;
    std::uint16_t run;
};

// Longest code of either colour.
constexpr int kMaxCodeLength = 13;

// Terminating and make-up codes of each colour.
extern const RunCode kWhiteCodes[];
extern const int kWhiteCodeCount;
extern const RunCode kBlackCodes[];
extern const int kBlackCodeCount;

// Make-up codes for runs of 1792 and more, the same for both colours.
extern const RunCode kExtendedMakeUpCodes[];
extern const int kExtendedMakeUpCodeCount;

}  // namespace kelvane::ccitt
