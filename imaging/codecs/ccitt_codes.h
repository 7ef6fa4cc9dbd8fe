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

// Terminating and make-up codes of each colour, the extended make-up codes included.
extern const RunCode kWhiteCodes[];
extern const int kWhiteCodeCount;
extern const RunCode kBlackCodes[];
extern const int kBlackCodeCount;

}  // namespace kelvane::ccitt
