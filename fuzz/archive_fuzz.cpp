// Opens arbitrary bytes as a POD and as an EPD archive, lists it and copies every entry to
// memory.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

#include "archive/entry_names.h"
#include "archive/pod_reader.h"

namespace {

void readWhole(const std::string& path) {
    kelvane::TPOD pod(path);
    try {
        pod.ReadHeaderAndDirectory();
    } catch (const std::runtime_error&) {
        return;
    }
    std::size_t total = 0;
    for (const kelvane::CatalogueEntry& entry : pod.catalogue()) {
        total += kelvane::directoryPart(entry.name).size();
        try {
            kelvane::safeComponents(entry.name);
        } catch (const kelvane::UnsafeEntryName&) {
        }
        pod.copyEntry(entry.index, [&](const char*, std::size_t size) { total += size; });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = "/tmp/kelvane-archive-fuzz-" + std::to_string(getpid());
    for (const char* extension : {".pod", ".epd"}) {
        const std::string path = base + extension;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), std::streamsize(size));
        readWhole(path);
    }
    return 0;
}
