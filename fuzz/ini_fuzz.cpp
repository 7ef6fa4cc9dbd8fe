// Reads and rewrites keys of arbitrary INI text: no crash, and a written key reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    (void)kelvane::iniValue(content, "init", "langage");
    const std::string written = kelvane::iniWithValue(content, "work", "workdir", "/w/");
    if (kelvane::iniValue(written, "work", "workdir") != "/w/") std::abort();
    return 0;
}
