// Opens arbitrary bytes as a POD (every layout) and as an EPD archive, lists it, reads its
// details and audit trail, verifies it and copies (inflating) every entry to memory; then
// rewrites it without its first entry, which must read back with one entry fewer. The
// window's folder tree and filter run over the names too: every entry lies in exactly one
// folder, and the root counts them all.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "archive/archive_details.h"
#include "archive/archive_editing.h"
#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "browser/folder_index.h"
#include "browser/listing_filter.h"

namespace {

void rewriteWithoutFirstEntry(const kelvane::TPOD& pod, const std::string& path) {
    if (pod.catalogue().empty()) return;
    const std::string rewritten = path + ".rewritten" + path.substr(path.size() - 4);
    try {
        kelvane::writeArchive(kelvane::planDeletion(pod, {0}, {"fuzz", 0}), rewritten,
                              [](std::int64_t, std::int64_t) { return true; });
    } catch (const std::runtime_error&) {  // refused layouts, entries cut short
        return;
    }
    kelvane::TPOD again(rewritten);
    again.ReadHeaderAndDirectory();  // an archive the writer made always reads back
    // (An old-layout archive whose tag reads as a POD1 entry count may come back as POD1.)
    if (again.layout().name == pod.layout().name &&
        again.catalogue().size() + 1 != pod.catalogue().size()) {
        std::abort();
    }
    ::unlink(rewritten.c_str());
}

void checkFolders(const std::vector<kelvane::CatalogueEntry>& entries) {
    const kelvane::FolderIndex folders(entries);
    if (folders.folders()[0].entriesBelow != int(entries.size())) std::abort();
    const kelvane::ListingFilter filter(entries.empty() ? "" : entries[0].name);
    for (int row = 0; row < int(entries.size()); ++row) {
        if (!folders.holds(0, row)) std::abort();
        filter.keeps(entries[std::size_t(row)].name);
    }
}

void readWhole(const std::string& path) {
    kelvane::TPOD pod(path);
    try {
        pod.ReadHeaderAndDirectory();
    } catch (const std::runtime_error&) {
        return;
    }
    std::size_t total = kelvane::archiveDetails(pod).layout.size();
    try {
        total += kelvane::auditTrail(pod).size();
    } catch (const kelvane::DamagedArchive&) {
    }
    total += kelvane::verifyArchive(pod, [](std::int64_t, std::int64_t) {
                 return true;
             }).failures.size();
    for (const kelvane::CatalogueEntry& entry : pod.catalogue()) {
        total += kelvane::directoryPart(entry.name).size();
        try {
            kelvane::safeComponents(entry.name);
        } catch (const kelvane::UnsafeEntryName&) {
        }
        try {
            pod.copyEntry(entry.index, [&](const char*, std::size_t size) { total += size; });
        } catch (const kelvane::DamagedEntry&) {
        }
    }
    checkFolders(pod.catalogue());
    rewriteWithoutFirstEntry(pod, path);
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
