#pragma once

#include <cstdint>
#include <string>

#include "preview/preview_content.h"

namespace kelvane {

// The pane's texts, UTF-8, in French or in English.

// A count of bytes: "512 octets" / "512 bytes" below 1 KiB, else in KiB, MiB or GiB with
// one decimal when it is not whole ("1,5 Mio" / "1.5 MiB").
std::string byteSizeText(std::int64_t bytes, bool english);

// How much of an entry a page shows: "64 Kio sur 512 Mio affichés" / "64 KiB of 512 MiB
// shown", or the whole size when all of it is shown.
std::string extentText(std::int64_t shown, std::int64_t total, bool english);

// A length of time as m:ss.s, tenths rounded, with the language's decimal separator.
std::string durationText(double seconds, bool english);

// "0:01.5 · 22050 Hz · mono · 16 bits", saying so when the file is cut short.
std::string soundSummary(const WavHeader& header, bool english);

// The one line above a preview: the picture's "W x H", how much of a text or a dump is
// shown, how many lines, records or keys, the sound's summary.
std::string previewCaption(const PreviewContent& content, bool english);

}  // namespace kelvane
