#pragma once

#include <cstdint>

namespace kelvane {

// A calendar date and time of day.
struct LocalDateTime {
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0; }
};

// Archive timestamp (seconds since 1970-01-01 UTC, signed 32-bit) to local *standard*
// time: `standardBiasMinutes` is subtracted as the platform's time-zone bias (UTC = local
// + bias, so Paris has -60). Daylight saving is never applied.
LocalDateTime DateDecode(std::uint32_t timestamp, int standardBiasMinutes);

// The machine's standard time-zone bias in minutes (no daylight saving).
int standardBiasMinutes();

}  // namespace kelvane
