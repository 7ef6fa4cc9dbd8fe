#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_details.h"

namespace kelvane {

// One line of the archive properties: its label in both languages and its value (UTF-8;
// empty for a field the layout does not have).
struct PropertyRow {
    const char* french;
    const char* english;
    std::string value;
};

// The archive's details in the order `kelvane-cli info --verbose` prints them.
std::vector<PropertyRow> propertyRows(const ArchiveDetails& details);

// The name of an audit action in the interface language; the number of an unknown one.
std::string auditActionText(std::uint32_t action, bool english);

}  // namespace kelvane
