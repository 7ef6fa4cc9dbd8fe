#pragma once

#include <ostream>
#include <string>

namespace kelvane {
class TPOD;
struct VerificationReport;
}  // namespace kelvane

namespace kelvane::cli {

// The --json forms of list, info and verify: one JSON document each, text in UTF-8.
// `archive` is the archive's file name as the plain forms print it.
void printListJson(const TPOD& pod, const std::string& archive, std::ostream& out);
void printInfoJson(const TPOD& pod, const std::string& archive, std::ostream& out);
void printVerifyJson(const TPOD& pod, const VerificationReport& report, const std::string& archive,
                     std::ostream& out);

}  // namespace kelvane::cli
