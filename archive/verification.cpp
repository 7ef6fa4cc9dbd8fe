#include "archive/verification.h"

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <utility>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/crc32_mpeg2.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

struct Cancelled {};

std::string hex(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

struct BlockNames {
    const char* french;
    const char* english;
};

BlockNames blockNames(ChecksumItem item) {
    switch (item) {
        case ChecksumItem::Archive:
            return {"de l'archive", "Archive"};
        case ChecksumItem::Header:
            return {"de l'en-tête", "Header"};
        case ChecksumItem::Directory:
            return {"du répertoire", "Directory"};
        case ChecksumItem::Dependencies:
            return {"des dépendances", "Dependency records"};
        case ChecksumItem::Audit:
            return {"de l'audit", "Audit records"};
    }
    return {"", ""};
}

// Counts checked bytes for the progress callback, which may cancel.
class Progress {
  public:
    Progress(const VerificationProgress& callback, std::int64_t total)
        : callback_(callback), total_(total) {
        report(0);
    }
    void report(std::int64_t bytes) {
        done_ += bytes;
        if (!callback_(done_, total_)) throw Cancelled{};
    }

  private:
    const VerificationProgress& callback_;
    std::int64_t total_;
    std::int64_t done_ = 0;
};

class Verifier {
  public:
    Verifier(const TPOD& archive, VerificationReport& report)
        : archive_(archive),
          report_(report),
          buffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

    std::int64_t totalBytes(const std::vector<ChecksumBlock>& blocks) const {
        std::int64_t total = 0;
        for (const ChecksumBlock& block : blocks) total += std::max<std::int64_t>(block.size, 0);
        for (const CatalogueEntry& entry : archive_.catalogue()) {
            if (isRead(entry)) total += entry.storedSize;
        }
        return total;
    }

    void checkBlock(const ChecksumBlock& block, Progress& progress) {
        const BlockNames names = blockNames(block.item);
        ++report_.checked;
        if (block.start < 0 || block.size < 0 ||
            block.start + block.size > archive_.file().size()) {
            fail(-1, std::string("Le bloc ") + names.french + " dépasse la fin de l'archive.",
                 std::string(names.english) + " block runs past the end of the archive.");
            return;
        }
        Crc32Mpeg2 crc;
        for (std::int64_t at = 0; at < block.size;) {
            const std::size_t wanted = std::size_t(std::min<std::int64_t>(kChunk, block.size - at));
            const std::size_t got = archive_.file().readAt(block.start + at, buffer_.get(), wanted);
            crc.update(buffer_.get(), got);
            progress.report(std::int64_t(got));
            at += std::int64_t(got);
            if (got < wanted) break;
        }
        if (crc.value() == block.stored) return;
        fail(-1,
             std::string("Le checksum ") + names.french + " est faux (stocké " + hex(block.stored) +
                 ", calculé " + hex(crc.value()) + ").",
             std::string(names.english) + " checksum mismatch (stored " + hex(block.stored) +
                 ", computed " + hex(crc.value()) + ").");
    }

    void checkEntry(const CatalogueEntry& entry, Progress& progress) {
        const std::string number = std::to_string(entry.index + 1);
        const std::string name = "\"" + visibleText(entry.name) + "\"";
        const auto cutShort = [&] {
            fail(entry.index,
                 "Entrée " + number + " " + name + " : coupée par la fin de l'archive.",
                 "Entry " + number + " " + name + ": cut short by the end of the archive.");
        };
        if (!isRead(entry)) {  // without a checksum a stored entry need only be there whole
            if (std::int64_t(entry.offset) + entry.storedSize > archive_.file().size()) {
                cutShort();
            } else {
                ++report_.storedWhole;
            }
            return;
        }
        if (report_.hasChecksums) ++report_.checked;
        Crc32Mpeg2 stored, inflated;
        std::int64_t storedCount = 0;
        const EntrySink observer = [&](const char* data, std::size_t size) {
            stored.update(data, size);
            storedCount += std::int64_t(size);
            progress.report(std::int64_t(size));
        };
        const EntrySink sink = [&](const char* data, std::size_t size) {
            if (entry.compressed) inflated.update(data, size);
        };
        try {
            readEntry(archive_.file(), entry, sink, &observer);
        } catch (const DamagedEntry& damaged) {
            const std::string french = damaged.what();
            fail(entry.index, french.substr(0, french.find("\r\n")), damaged.english());
            return;
        }
        if (storedCount < entry.storedSize) {
            cutShort();
        } else if (!report_.hasChecksums) {
            ++report_.inflatedWhole;
        } else if (stored.value() == entry.checksum) {
            ++report_.matchedStored;
        } else if (entry.compressed && inflated.value() == entry.checksum) {
            ++report_.matchedInflated;
        } else {
            const std::string computed =
                hex(stored.value()) + (entry.compressed ? "/" + hex(inflated.value()) : "");
            fail(entry.index,
                 "Entrée " + number + " " + name + " : checksum faux (stocké " +
                     hex(entry.checksum) + ", calculé " + computed + ").",
                 "Entry " + number + " " + name + ": checksum mismatch (stored " +
                     hex(entry.checksum) + ", computed " + computed +
                     (entry.compressed ? " on stored/inflated bytes" : "") + ").");
        }
    }

  private:
    // Entries are read whole to check their checksum, or without one to inflate them.
    bool isRead(const CatalogueEntry& entry) const {
        return report_.hasChecksums || entry.compressed;
    }

    void fail(int entry, std::string french, std::string english) {
        report_.failures.push_back({entry, std::move(french), std::move(english)});
    }

    const TPOD& archive_;
    VerificationReport& report_;
    std::unique_ptr<char[]> buffer_;
};

// "N what, M what" for the counts that are not zero; `none` when all are.
std::string counted(std::initializer_list<std::pair<int, const char*>> counts, const char* none) {
    std::string text;
    for (const auto& [count, what] : counts) {
        if (count == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(count) + what;
    }
    return text.empty() ? none : text;
}

}  // namespace

std::string VerificationReport::summaryFrench() const {
    const std::string count = std::to_string(checked);
    if (cancelled) return "Vérification annulée.";
    if (!hasChecksums) {
        const std::string none = "les archives " + layout + " ne portent aucun checksum";
        if (!failures.empty()) {
            return std::to_string(failures.size()) + " entrées sur " +
                   std::to_string(inflatedWhole + storedWhole + int(failures.size())) +
                   " sont endommagées (" + none + ").";
        }
        return "Les archives " + layout + " ne portent aucun checksum : " +
               counted({{inflatedWhole, " entrées compressées décompressées en entier"},
                        {storedWhole, " entrées stockées présentes en entier"}},
                       "aucune entrée") +
               ".";
    }
    if (!failures.empty()) {
        return std::to_string(failures.size()) + " checksums sur " + count + " sont faux.";
    }
    return "Les " + count + " checksums sont justes (entrées : " + std::to_string(matchedStored) +
           " sur leurs octets stockés, " + std::to_string(matchedInflated) +
           " sur leurs octets décompressés).";
}

std::string VerificationReport::summaryEnglish() const {
    const std::string count = std::to_string(checked);
    if (cancelled) return "Verification cancelled.";
    if (!hasChecksums) {
        const std::string none = layout + " archives carry no checksums";
        if (!failures.empty()) {
            return std::to_string(failures.size()) + " of " +
                   std::to_string(inflatedWhole + storedWhole + int(failures.size())) +
                   " entries are damaged (" + none + ").";
        }
        return none + ": " +
               counted({{inflatedWhole, " compressed entries inflated whole"},
                        {storedWhole, " stored entries found whole"}},
                       "no entries") +
               ".";
    }
    if (!failures.empty()) {
        return std::to_string(failures.size()) + " of " + count + " checksums fail.";
    }
    return "All " + count + " checksums hold (entries: " + std::to_string(matchedStored) +
           " on their stored bytes, " + std::to_string(matchedInflated) +
           " on their inflated bytes).";
}

VerificationReport verifyArchive(const TPOD& archive, const VerificationProgress& progress) {
    VerificationReport report;
    report.layout = std::string(archive.layout().name);
    report.hasChecksums = archive.layout().record.checksum.present();
    const std::vector<ChecksumBlock> blocks =
        report.hasChecksums ? checksumBlocks(archive) : std::vector<ChecksumBlock>();
    Verifier verifier(archive, report);
    try {
        Progress counter(progress, verifier.totalBytes(blocks));
        for (const ChecksumBlock& block : blocks) verifier.checkBlock(block, counter);
        for (const CatalogueEntry& entry : archive.catalogue()) verifier.checkEntry(entry, counter);
    } catch (const Cancelled&) {
        report.cancelled = true;
    }
    return report;
}

}  // namespace kelvane
