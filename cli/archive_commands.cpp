// list, info, extract, cat, verify and audit: the archive commands of kelvane-cli.
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "cli/archive_access.h"
#include "cli/cli.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"

namespace kelvane::cli {

std::unique_ptr<TPOD> openArchive(const std::string& path, std::ostream& err) {
    auto pod = std::make_unique<TPOD>(path);
    if (pod->kind() == ArchiveKind::NotOpen) {
        err << "kelvane-cli: cannot open " << path << ": not a readable .POD or .EPD archive\n";
        return nullptr;
    }
    try {
        pod->ReadHeaderAndDirectory();
    } catch (const BilingualError& error) {
        err << "kelvane-cli: " << path << ": " << error.english() << "\n";
        return nullptr;
    } catch (const std::exception& error) {
        err << "kelvane-cli: " << path << ": " << error.what() << "\n";
        return nullptr;
    }
    return pod;
}

std::optional<int> findEntry(const TPOD& pod, const std::string& wanted) {
    const auto& entries = pod.catalogue();
    if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos &&
        wanted.size() < 10) {
        const int number = std::stoi(wanted);
        if (number >= 1 && std::size_t(number) <= entries.size()) return number - 1;
    }
    const std::string stored = utf8ToCp1252(wanted);
    for (const CatalogueEntry& entry : entries) {
        if (entry.name == stored) return entry.index;
    }
    return std::nullopt;
}

namespace {

std::string displayName(const CatalogueEntry& entry) {
    return cp1252ToUtf8(entry.name);
}

int runList(const Arguments& args, std::ostream& out, std::ostream& err);
int runInfo(const Arguments& args, std::ostream& out, std::ostream& err);
int runExtract(const Arguments& args, std::ostream& out, std::ostream& err);
int runCat(const Arguments& args, std::ostream& out, std::ostream& err);
int runVerify(const Arguments& args, std::ostream& out, std::ostream& err);
int runAudit(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kListCommand{"list", "list ARCHIVE", runList};
extern const Command kInfoCommand{"info", "info [--verbose] ARCHIVE", runInfo};
extern const Command kExtractCommand{"extract", "extract [--structure] ARCHIVE DIR [ENTRY...]",
                                     runExtract};
extern const Command kCatCommand{"cat", "cat ARCHIVE ENTRY", runCat};
extern const Command kVerifyCommand{"verify", "verify ARCHIVE", runVerify};
extern const Command kAuditCommand{"audit", "audit ARCHIVE", runAudit};

namespace {

int runList(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return usageError(kListCommand, err, "expects one archive");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    for (const CatalogueEntry& entry : pod->catalogue()) {
        out << entry.index + 1 << '\t' << entry.size << '\t' << entry.offset << '\t'
            << std::int32_t(entry.timestamp) << '\t' << displayName(entry) << '\n';
    }
    return kSuccess;
}

template <class Value>
void printField(std::ostream& out, const char* label, const std::optional<Value>& value) {
    out << label << ": ";
    if (value) {
        out << *value;
    } else {
        out << '-';
    }
    out << '\n';
}

void printDetails(const TPOD& pod, std::ostream& out) {
    const ArchiveDetails details = archiveDetails(pod);
    out << "layout: " << details.layout << "\n"
        << "tag: " << cp1252ToUtf8(details.tag) << "\n"
        << "comment: " << cp1252ToUtf8(details.comment) << "\n"
        << "author: " << cp1252ToUtf8(details.author) << "\n"
        << "copyright: " << cp1252ToUtf8(details.copyright) << "\n";
    printField(out, "revision", details.revision);
    printField(out, "priority", details.priority);
    printField(out, "version", details.version);
    printField(out, "next archive", details.nextArchive);
    out << "entries: " << details.entries << "\n";
    printField(out, "audit records", details.auditRecords);
    printField(out, "dependency records", details.dependencyRecords);
    out << "compressed entries: " << details.compressedEntries << "\n";
}

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err) {
    const bool verbose = !args.empty() && args[0] == "--verbose";
    if (args.size() != (verbose ? 2u : 1u)) {
        return usageError(kInfoCommand, err, "expects one archive");
    }
    const std::string& path = args.back();
    auto pod = openArchive(path, err);
    if (!pod) return kFailure;
    std::int64_t total = 0;
    for (const CatalogueEntry& entry : pod->catalogue()) total += entry.size;
    out << std::filesystem::path(path).filename().string() << " - " << pod->catalogue().size()
        << " files for " << total << " bytes\n";
    if (verbose) printDetails(*pod, out);
    return kSuccess;
}

int runExtract(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments positional;
    bool structure = false;
    for (const std::string& arg : args) {
        if (arg == "--structure") {
            structure = true;
        } else if (arg.rfind("--", 0) == 0) {
            return usageError(kExtractCommand, err, "unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) {
        return usageError(kExtractCommand, err, "expects an archive and a directory");
    }
    auto pod = openArchive(positional[0], err);
    if (!pod) return kFailure;

    std::vector<int> indices;
    for (auto it = positional.begin() + 2; it != positional.end(); ++it) {
        auto index = findEntry(*pod, *it);
        if (!index) {
            err << "kelvane-cli: no entry " << *it << " in " << positional[0] << "\n";
            return kFailure;
        }
        indices.push_back(*index);
    }
    if (positional.size() == 2) {
        for (const CatalogueEntry& entry : pod->catalogue()) indices.push_back(entry.index);
    }

    std::string directory = positional[1];
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    if (directory.back() != '/') directory += '/';
    const OutputFolder target(directory);

    int status = kSuccess;
    for (int index : indices) {
        const CatalogueEntry& entry = pod->catalogue()[std::size_t(index)];
        try {
            ExtractionResult result = pod->Extract(
                index, target, structure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop);
            if (result.truncated) {
                err << "kelvane-cli: entry " << displayName(entry)
                    << " is cut short by the end of the archive: " << result.written << " of "
                    << entry.size << " bytes written to " << result.path << "\n";
                status = kFailure;
            }
            out << result.path << '\n';
        } catch (const DiskFull& full) {
            // Every later entry would fail the same way: one message ends the run.
            err << "kelvane-cli: " << full.english() << "\n";
            return kFailure;
        } catch (const BilingualError& error) {
            err << "kelvane-cli: " << error.english() << "\n";
            status = kFailure;
        } catch (const std::exception& error) {
            err << "kelvane-cli: " << error.what() << "\n";
            status = kFailure;
        }
    }
    return status;
}

int runCat(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) return usageError(kCatCommand, err, "expects an archive and an entry");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    auto index = findEntry(*pod, args[1]);
    if (!index) {
        err << "kelvane-cli: no entry " << args[1] << " in " << args[0] << "\n";
        return kFailure;
    }
    const CatalogueEntry& entry = pod->catalogue()[std::size_t(*index)];
    std::int64_t written = 0;
    try {
        written = pod->copyEntry(*index, [&](const char* data, std::size_t size) {
            out.write(data, std::streamsize(size));
        });
    } catch (const DamagedEntry& damaged) {
        out.flush();
        err << "kelvane-cli: " << damaged.english() << "\n";
        return kFailure;
    }
    out.flush();
    if (written < entry.size) {
        err << "kelvane-cli: entry " << displayName(entry)
            << " is cut short by the end of the archive: " << written << " of " << entry.size
            << " bytes\n";
        return kFailure;
    }
    return kSuccess;
}

int runVerify(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return usageError(kVerifyCommand, err, "expects one archive");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    const VerificationReport report =
        verifyArchive(*pod, [](std::int64_t, std::int64_t) { return true; });
    for (const VerificationFailure& failure : report.failures) out << failure.english << "\n";
    out << report.summaryEnglish() << "\n";
    return report.allHold() ? kSuccess : kFailure;
}

int runAudit(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return usageError(kAuditCommand, err, "expects one archive");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    try {
        // time, user, action, stored path, old time, old size, new time, new size
        for (const AuditRecord& record : auditTrail(*pod)) {
            out << std::int32_t(record.time) << '\t' << cp1252ToUtf8(record.user) << '\t'
                << auditActionName(record.action) << '\t' << cp1252ToUtf8(record.path) << '\t'
                << std::int32_t(record.oldTime) << '\t' << record.oldSize << '\t'
                << std::int32_t(record.newTime) << '\t' << record.newSize << '\n';
        }
    } catch (const BilingualError& error) {
        err << "kelvane-cli: " << args[0] << ": " << error.english() << "\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace
}  // namespace kelvane::cli
