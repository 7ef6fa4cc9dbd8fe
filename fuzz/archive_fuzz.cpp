// Opens arbitrary bytes as a POD (every layout) and as an EPD archive, lists it, reads its
// details and audit trail, verifies it and copies (inflating) every entry to memory; then,
// when the writer finds it sound enough to rewrite, writes it without its first entry (on a
// memory file system), which must read back as the same layout with every other entry that was
// readable, under its name and with its bytes. The
// window's folder tree and filter run over the names too: every entry lies in exactly one
// folder, and the root counts them all. So does the mount's view: its folder tree finds every
// node by its path, and every entry read through a cursor (from the middle, then from the
// start) gives what copying it gave.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "archive/archive_details.h"
#include "archive/archive_editing.h"
#include "archive/archive_errors.h"
#include "archive/archive_soundness.h"
#include "archive/archive_tree.h"
#include "archive/cursor_pool.h"
#include "archive/entry_cursor.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "browser/folder_index.h"
#include "browser/listing_filter.h"

namespace {

// What copying each entry gave; nothing for an entry that could not be read.
using Readable = std::vector<std::optional<std::string>>;

std::string contentsOf(kelvane::TPOD& pod, int index) {
    std::string bytes;
    pod.copyEntry(index, [&](const char* data, std::size_t size) { bytes.append(data, size); });
    return bytes;
}

void rewriteWithoutFirstEntry(const kelvane::TPOD& pod, const Readable& readable,
                              const std::string& path) {
    if (pod.catalogue().empty()) return;
    try {
        kelvane::requireWritable(pod.layout());
        kelvane::requireSoundReading(pod);
    } catch (const kelvane::WriteRefused&) {
        return;
    }
    const std::string rewritten = path + ".rewritten" + path.substr(path.size() - 4);
    try {
        kelvane::writeArchive(kelvane::planDeletion(pod, {0}, {"fuzz", 0}), rewritten,
                              [](std::int64_t, std::int64_t) { return true; });
    } catch (const kelvane::WriteRefused&) {  // an archive the layout could not recognise
        return;
    }
    kelvane::TPOD again(rewritten);
    again.ReadHeaderAndDirectory();  // an archive the writer made always reads back
    const auto& before = pod.catalogue();
    const auto& after = again.catalogue();
    if (again.layout().name != pod.layout().name || after.size() + 1 != before.size()) std::abort();
    for (std::size_t i = 1; i < before.size(); ++i) {
        if (after[i - 1].name != before[i].name) std::abort();
        if (readable[i] && contentsOf(again, int(i - 1)) != *readable[i]) std::abort();
    }
    ::unlink(rewritten.c_str());
}

void checkTree(const kelvane::TPOD& pod) {
    const kelvane::ArchiveTree tree(pod.catalogue());
    for (std::size_t id = 0; id < tree.size(); ++id) {
        const auto found = tree.find(tree.pathOf(int(id)));
        if (!found || *found != int(id)) std::abort();
    }
}

// The entry's first MiB read through a cursor from its middle, then from its start, must equal
// the start of `copied` (what copyEntry gave).
void checkCursor(const kelvane::TPOD& pod, const kelvane::CatalogueEntry& entry,
                 const std::string& copied, kelvane::CursorPool& pool) {
    kelvane::EntryCursor cursor(pod.file(), entry);
    std::string read(std::size_t(std::min<std::int64_t>(cursor.size(), 1 << 20)), '\0');
    try {
        const std::int64_t middle = std::int64_t(read.size() / 2);
        const std::size_t tail = cursor.read(middle, read.data() + middle, read.size() - middle);
        const std::size_t head = cursor.read(0, read.data(), std::size_t(middle));
        if (head + tail == read.size() && copied.size() >= read.size() &&
            read.compare(0, read.size(), copied, 0, read.size()) != 0) {
            std::abort();
        }
        pool.read(pod.file(), entry, middle, read.data(), read.size() - std::size_t(middle));
    } catch (const kelvane::DamagedEntry&) {
    }
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
    kelvane::archiveDetails(pod);
    try {
        kelvane::auditTrail(pod);
    } catch (const kelvane::DamagedArchive&) {
    }
    kelvane::verifyArchive(pod, [](std::int64_t, std::int64_t) { return true; });
    kelvane::CursorPool pool(2);
    Readable readable;
    for (const kelvane::CatalogueEntry& entry : pod.catalogue()) {
        readable.emplace_back();
        try {
            kelvane::safeComponents(entry.name);
        } catch (const kelvane::UnsafeEntryName&) {
        }
        std::string copied;
        try {
            copied = contentsOf(pod, entry.index);
        } catch (const kelvane::DamagedEntry&) {
            continue;
        }
        checkCursor(pod, entry, copied, pool);
        readable.back() = std::move(copied);
    }
    checkTree(pod);
    checkFolders(pod.catalogue());
    rewriteWithoutFirstEntry(pod, readable, path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A memory file system where there is one: every input is written, and often rewritten.
    static const std::string base =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
        "/kelvane-archive-fuzz-" + std::to_string(getpid());
    for (const char* extension : {".pod", ".epd"}) {
        const std::string path = base + extension;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), std::streamsize(size));
        readWhole(path);
    }
    return 0;
}
