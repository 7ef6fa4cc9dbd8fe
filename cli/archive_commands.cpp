// list, info, extract and cat: the archive commands of kelvane-cli.
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "cli/cli.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"

namespace kelvane::cli {
namespace {

// Opens and reads an archive; null after reporting why it cannot be read.
std::unique_ptr<TPOD> openArchive(const std::string& path, std::ostream& err) {
    auto pod = std::make_unique<TPOD>(path);
    if (pod->kind() == ArchiveKind::NotOpen) {
        err << "kelvane-cli: cannot open " << path << ": not a readable .POD or .EPD archive\n";
        return nullptr;
    }
    try {
        pod->ReadHeaderAndDirectory();
    } catch (const std::exception& error) {
        err << "kelvane-cli: " << path << ": " << error.what() << "\n";
        return nullptr;
    }
    return pod;
}

// An entry given as its number (as `list` shows it) or as its exact stored name.
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

std::string displayName(const CatalogueEntry& entry) {
    return cp1252ToUtf8(entry.name);
}

int runList(const Arguments& args, std::ostream& out, std::ostream& err);
int runInfo(const Arguments& args, std::ostream& out, std::ostream& err);
int runExtract(const Arguments& args, std::ostream& out, std::ostream& err);
int runCat(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kListCommand{"list", "list ARCHIVE", runList};
extern const Command kInfoCommand{"info", "info ARCHIVE", runInfo};
extern const Command kExtractCommand{"extract", "extract [--structure] ARCHIVE DIR [ENTRY...]",
                                     runExtract};
extern const Command kCatCommand{"cat", "cat ARCHIVE ENTRY", runCat};

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

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return usageError(kInfoCommand, err, "expects one archive");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    std::int64_t total = 0;
    for (const CatalogueEntry& entry : pod->catalogue()) total += entry.size;
    out << std::filesystem::path(args[0]).filename().string() << " - " << pod->catalogue().size()
        << " files for " << total << " bytes\n";
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

    int status = kSuccess;
    for (int index : indices) {
        const CatalogueEntry& entry = pod->catalogue()[std::size_t(index)];
        try {
            ExtractionResult result = pod->Extract(
                index, directory, structure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop);
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
    const std::int64_t written = pod->copyEntry(*index, [&](const char* data, std::size_t size) {
        out.write(data, std::streamsize(size));
    });
    out.flush();
    if (written < entry.size) {
        err << "kelvane-cli: entry " << displayName(entry)
            << " is cut short by the end of the archive: " << written << " of " << entry.size
            << " bytes\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace
}  // namespace kelvane::cli
