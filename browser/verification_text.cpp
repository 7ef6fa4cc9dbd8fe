#include "browser/verification_text.h"

#include <algorithm>

namespace kelvane {

std::string verificationMessage(const VerificationReport& report) {
    std::string text;
    const std::size_t listed = std::min(report.failures.size(), kListedFailures);
    for (std::size_t i = 0; i < listed; ++i) {
        text += report.failures[i].french + "\r\n" + report.failures[i].english + "\r\n\r\n";
    }
    if (listed < report.failures.size()) {
        const std::string more = std::to_string(report.failures.size() - listed);
        text += "... et " + more + " autres.\r\n... and " + more + " more.\r\n\r\n";
    }
    return text + report.summaryFrench() + "\r\n" + report.summaryEnglish();
}

}  // namespace kelvane
