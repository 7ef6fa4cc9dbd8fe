#include "cli/long_listing.h"

#include <ctime>
#include <string>

#include "archive/timestamps.h"
#include "platform/visible_text.h"

namespace kelvane::cli {
namespace {

std::string localDateTime(const CatalogueEntry& entry, int biasMinutes) {
    if (!entry.hasTimestamp) return "-";
    const LocalDateTime local = DateDecode(entry.timestamp, biasMinutes);
    std::tm time{};
    time.tm_year = local.year - 1900;
    time.tm_mon = local.month - 1;
    time.tm_mday = local.day;
    time.tm_hour = local.hour;
    time.tm_min = local.minute;
    time.tm_sec = local.second;
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &time);
    return std::string(text, length);
}

void padTo(std::ostream& out, const std::string& text, std::size_t width, bool right) {
    const std::string padding(text.size() < width ? width - text.size() : 0, ' ');
    out << (right ? padding + text : text + padding);
}

}  // namespace

void printLongListing(const std::vector<CatalogueEntry>& entries, int standardBiasMinutes,
                      std::ostream& out) {
    std::vector<std::string> sizes, times;
    std::size_t sizeWidth = 0, timeWidth = 0;
    for (const CatalogueEntry& entry : entries) {
        sizes.push_back(std::to_string(entry.size));
        times.push_back(localDateTime(entry, standardBiasMinutes));
        sizeWidth = std::max(sizeWidth, sizes.back().size());
        timeWidth = std::max(timeWidth, times.back().size());
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        padTo(out, sizes[i], sizeWidth, true);
        out << "  ";
        padTo(out, times[i], timeWidth, false);
        out << "  " << visibleText(entries[i].name) << '\n';
    }
}

}  // namespace kelvane::cli
