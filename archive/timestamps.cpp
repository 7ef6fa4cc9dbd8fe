#include "archive/timestamps.h"

#include <ctime>

namespace kelvane {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Civil date of a day number counted from 1970-01-01 (proleptic Gregorian calendar).
void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

LocalDateTime DateDecode(std::uint32_t timestamp, int standardBiasMinutes) {
    // 64-bit arithmetic: every signed 32-bit count of seconds yields a date.
    const std::int64_t local =
        std::int64_t(std::int32_t(timestamp)) - std::int64_t(standardBiasMinutes) * 60;
    std::int64_t days = local / kSecondsPerDay;
    std::int64_t secondOfDay = local % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    LocalDateTime result;
    civilFromDays(days, result.year, result.month, result.day);
    result.hour = int(secondOfDay / 3600);
    result.minute = int(secondOfDay / 60 % 60);
    result.second = int(secondOfDay % 60);
    return result;
}

int standardBiasMinutes() {
    tzset();
    // POSIX `timezone`: seconds west of UTC of local standard time.
    return int(timezone / 60);
}

}  // namespace kelvane
