// list, info, extract, cat, verify and audit: the archive commands of kelvane-cli.
#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "archive/timestamps.h"
#include "archive/verification.h"
#include "browser/extraction_run.h"
#include "cli/archive_access.h"
#include "cli/cli.h"
#include "cli/json_reports.h"
#include "cli/long_listing.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"
#include "platform/visible_text.h"

namespace kelvane::cli {

std::unique_ptr<TPOD> openArchive(const std::string& path, std::ostream& err) {
    try {
        return openAndRead(path);
    } catch (const std::exception& error) {
        err << "kelvane-cli: " << path << ": " << englishText(error) << "\n";
        return nullptr;
    }
}

namespace {

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// Splits `args` into the flags that `known` lists (each seen or not) and the rest; false for
// an unknown option.
bool parseFlags(const Arguments& args, std::initializer_list<std::string_view> known,
                std::vector<std::string>& seen, Arguments& positional, std::string& unknown) {
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            if (std::find(known.begin(), known.end(), arg) == known.end()) {
                unknown = arg;
                return false;
            }
            seen.push_back(arg);
        } else {
            positional.push_back(arg);
        }
    }
    return true;
}

bool has(const std::vector<std::string>& seen, std::string_view flag) {
    return std::find(seen.begin(), seen.end(), flag) != seen.end();
}

// A worker count from 1 to 64.
bool parseJobs(const std::string& text, int& jobs) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int count = std::stoi(text);
    if (count < 1 || count > 64) return false;
    jobs = count;
    return true;
}

int runList(const Arguments& args, std::ostream& out, std::ostream& err);
int runInfo(const Arguments& args, std::ostream& out, std::ostream& err);
int runExtract(const Arguments& args, std::ostream& out, std::ostream& err);
int runCat(const Arguments& args, std::ostream& out, std::ostream& err);
int runVerify(const Arguments& args, std::ostream& out, std::ostream& err);
int runAudit(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kListCommand{"list", "list [-l | --json] ARCHIVE", runList};
extern const Command kInfoCommand{"info", "info [--verbose] [--json] ARCHIVE", runInfo};
extern const Command kExtractCommand{
    "extract", "extract [--structure] [--png] [--jobs N] ARCHIVE DIR [ENTRY|PATTERN...]",
    runExtract};
extern const Command kCatCommand{"cat", "cat ARCHIVE ENTRY|PATTERN...", runCat};
extern const Command kVerifyCommand{"verify", "verify [--json] ARCHIVE", runVerify};
extern const Command kAuditCommand{"audit", "audit ARCHIVE", runAudit};

namespace {

int runList(const Arguments& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> flags;
    Arguments positional;
    std::string unknown;
    if (!parseFlags(args, {"-l", "--json"}, flags, positional, unknown)) {
        return usageError(kListCommand, err, "unknown option " + unknown);
    }
    if (positional.size() != 1) return usageError(kListCommand, err, "expects one archive");
    if (has(flags, "-l") && has(flags, "--json")) {
        return usageError(kListCommand, err, "-l and --json exclude each other");
    }
    auto pod = openArchive(positional[0], err);
    if (!pod) return kFailure;
    if (has(flags, "--json")) {
        printListJson(*pod, fileNameOf(positional[0]), out);
        return kSuccess;
    }
    if (has(flags, "-l")) {
        printLongListing(pod->catalogue(), standardBiasMinutes(), out);
        return kSuccess;
    }
    for (const CatalogueEntry& entry : pod->catalogue()) {
        out << entry.index + 1 << '\t' << entry.size << '\t' << entry.offset << '\t'
            << std::int32_t(entry.timestamp) << '\t' << visibleText(entry.name) << '\n';
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
        << "tag: " << visibleText(details.tag) << "\n"
        << "comment: " << visibleText(details.comment) << "\n"
        << "author: " << visibleText(details.author) << "\n"
        << "copyright: " << visibleText(details.copyright) << "\n";
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
    std::vector<std::string> flags;
    Arguments positional;
    std::string unknown;
    if (!parseFlags(args, {"--verbose", "--json"}, flags, positional, unknown)) {
        return usageError(kInfoCommand, err, "unknown option " + unknown);
    }
    if (positional.size() != 1) return usageError(kInfoCommand, err, "expects one archive");
    const bool verbose = has(flags, "--verbose");
    const std::string& path = positional[0];
    auto pod = openArchive(path, err);
    if (!pod) return kFailure;
    if (has(flags, "--json")) {  // always with every detail
        printInfoJson(*pod, fileNameOf(path), out);
        return kSuccess;
    }
    std::int64_t total = 0;
    for (const CatalogueEntry& entry : pod->catalogue()) total += entry.size;
    out << fileNameOf(path) << " - " << pod->catalogue().size() << " files for " << total
        << " bytes\n";
    if (verbose) printDetails(*pod, out);
    return kSuccess;
}

int runExtract(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments positional;
    ExtractionRunOptions options;
    options.stopAtFileFailure = false;
    options.jobs = defaultExtractionJobs();
    for (auto arg = args.begin(); arg != args.end(); ++arg) {
        if (*arg == "--structure") {
            options.storedPath = StoredPath::KeepAndCreateLevels;
        } else if (*arg == "--png") {
            options.picturesAsPng = true;
        } else if (*arg == "--jobs") {
            if (++arg == args.end() || !parseJobs(*arg, options.jobs))
                return usageError(kExtractCommand, err, "--jobs expects a count from 1 to 64");
        } else if (arg->rfind("--", 0) == 0) {
            return usageError(kExtractCommand, err, "unknown option " + *arg);
        } else {
            positional.push_back(*arg);
        }
    }
    if (positional.size() < 2) {
        return usageError(kExtractCommand, err, "expects an archive and a directory");
    }
    auto pod = openArchive(positional[0], err);
    if (!pod) return kFailure;

    auto selected =
        selectAll(*pod, positional[0], positional.begin() + 2, positional.end(), true, err);
    if (!selected) return kFailure;
    std::vector<int>& indices = *selected;
    if (positional.size() == 2) {
        for (const CatalogueEntry& entry : pod->catalogue()) indices.push_back(entry.index);
    }

    std::string directory = positional[1];
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    if (directory.back() != '/') directory += '/';
    const OutputFolder target(directory);

    int status = kSuccess;
    std::size_t written = 0;
    const RunEnd end = runExtraction(
        *pod, indices, target, options, [](std::size_t) { return true; },
        [&](const ExtractedEntry& entry) {
            if (!entry.noteEnglish.empty())
                err << "kelvane-cli: note: " << entry.noteEnglish << "\n";
            if (entry.failure == EntryFailure::EveryFile) {
                // Every later entry would fail the same way: one message ends the run.
                err << "kelvane-cli: stopped after writing " << written << " of " << indices.size()
                    << " entries: " << entry.english << "\n";
                return;
            }
            if (entry.failure != EntryFailure::None) {
                err << "kelvane-cli: " << entry.english << "\n";
                status = kFailure;
            }
            if (!entry.result) return;  // failed, or the other half of a texture written
            ++written;
            if (entry.result->truncated) {
                const CatalogueEntry& stored = pod->catalogue()[std::size_t(entry.index)];
                err << "kelvane-cli: " << entryCutShort(stored, entry.result->written).english()
                    << " Written to " << entry.result->path << ".\n";
                status = kFailure;
            }
            out << entry.result->path << '\n';
        });
    return end == RunEnd::Stopped ? kFailure : status;
}

// Writes one entry to `out`; false after saying why it is not whole.
bool catEntry(TPOD& pod, int index, std::ostream& out, std::ostream& err) {
    const CatalogueEntry& entry = pod.catalogue()[std::size_t(index)];
    std::int64_t written = 0;
    try {
        written = pod.copyEntry(index, [&](const char* data, std::size_t size) {
            out.write(data, std::streamsize(size));
        });
    } catch (const DamagedEntry& damaged) {
        out.flush();
        err << "kelvane-cli: " << damaged.english() << "\n";
        return false;
    }
    out.flush();
    if (written < entry.size) {
        err << "kelvane-cli: " << entryCutShort(entry, written).english() << "\n";
        return false;
    }
    return true;
}

int runCat(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return usageError(kCatCommand, err, "expects an archive and an entry");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    const auto selected = selectAll(*pod, args[0], args.begin() + 1, args.end(), false, err);
    if (!selected) return kFailure;
    int status = kSuccess;
    for (int index : *selected) {
        if (!catEntry(*pod, index, out, err)) status = kFailure;
    }
    return status;
}

int runVerify(const Arguments& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> flags;
    Arguments positional;
    std::string unknown;
    if (!parseFlags(args, {"--json"}, flags, positional, unknown)) {
        return usageError(kVerifyCommand, err, "unknown option " + unknown);
    }
    if (positional.size() != 1) return usageError(kVerifyCommand, err, "expects one archive");
    auto pod = openArchive(positional[0], err);
    if (!pod) return kFailure;
    const VerificationReport report =
        verifyArchive(*pod, [](std::int64_t, std::int64_t) { return true; });
    if (has(flags, "--json")) {
        printVerifyJson(*pod, report, fileNameOf(positional[0]), out);
        return report.allHold() ? kSuccess : kFailure;
    }
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
            out << std::int32_t(record.time) << '\t' << visibleText(record.user) << '\t'
                << auditActionName(record.action) << '\t' << visibleText(record.path) << '\t'
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
