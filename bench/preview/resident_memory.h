// Resident memory of the benchmark's own process, for the previews' memory counters.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace kelvane::bench {

// Resident memory in bytes as /proc/self/status gives it: "VmRSS" now, "VmHWM" at its
// peak since resetPeak().
inline std::int64_t residentBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stoll(line.substr(field.size() + 1)) * 1024;
    return 0;
}

// The peak resident size starts again from the current one.
inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace kelvane::bench
