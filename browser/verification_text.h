#pragma once

#include <cstddef>
#include <string>

#include "archive/verification.h"

namespace kelvane {

// Failures listed in full in the verification box; past this, the first ones and a count.
inline constexpr std::size_t kListedFailures = 20;

// The text of the box that ends a verification: each failure as a paragraph (French, a line
// break, English), then the summary in both languages.
std::string verificationMessage(const VerificationReport& report);

}  // namespace kelvane
