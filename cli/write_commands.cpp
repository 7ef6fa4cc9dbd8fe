// create, add (files, or a picture as a texture pair) and delete: the commands of kelvane-cli that
// write archives.
#include <sys/stat.h>

#include <filesystem>

#include "archive/archive_editing.h"
#include "archive/archive_writer.h"
#include "archive/texture_replacement.h"
#include "cli/archive_access.h"
#include "cli/cli.h"
#include "cli/texture_arguments.h"
#include "imaging/ImageFormats.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"

namespace kelvane::cli {
namespace {

int runCreate(const Arguments& args, std::ostream& out, std::ostream& err);
int runAdd(const Arguments& args, std::ostream& out, std::ostream& err);
int runDelete(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kCreateCommand{
    "create", "create [--format epd|pod1|pod2|pod3] [--comment TEXT] ARCHIVE FOLDER", runCreate};
extern const Command kAddCommand{
    "add",
    "add ARCHIVE PATH... | add --texture ARCHIVE ENTRY PICTURE [--no-dither] [--resize SIDE]",
    runAdd};
extern const Command kDeleteCommand{"delete", "delete ARCHIVE ENTRY|PATTERN...", runDelete};

namespace {

void printSkipped(const FilesToPack& files, std::ostream& err) {
    for (const SkippedFile& skipped : files.skipped) {
        err << "kelvane-cli: " << skippedNote(skipped, true) << "\n";
    }
}

// Writes the plan over `archive` and says what it holds; failures become one line.
int writeAndReport(const ArchivePlan& plan, const std::string& archive, std::ostream& out) {
    const WrittenArchive written =
        writeArchive(plan, archive, [](std::int64_t, std::int64_t) { return true; });
    out << std::filesystem::path(archive).filename().string() << " - " << written.entries
        << " files for " << written.bytes << " bytes\n";
    return kSuccess;
}

// Runs a command body, turning its failure into one line on `err` and status 1.
template <class Body>
int guarded(std::ostream& err, Body body) {
    try {
        return body();
    } catch (const std::exception& error) {
        err << "kelvane-cli: " << englishText(error) << "\n";
        return kFailure;
    }
}

int runCreate(const Arguments& args, std::ostream& out, std::ostream& err) {
    std::string format, comment;
    Arguments positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--format" || arg == "--comment") {
            if (i + 1 == args.size())
                return usageError(kCreateCommand, err, arg + " needs a value");
            (arg == "--format" ? format : comment) = args[++i];
        } else if (arg.rfind("--", 0) == 0) {
            return usageError(kCreateCommand, err, "unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        return usageError(kCreateCommand, err, "expects an archive and a folder");
    }
    const std::string& archive = positional[0];
    const std::string& folder = positional[1];
    return guarded(err, [&] {
        if (!std::filesystem::is_directory(folder)) {
            err << "kelvane-cli: " << folder << " is not a folder\n";
            return kFailure;
        }
        const LayoutUnit& unit = layoutForNewArchive(archive, format);
        const FilesToPack files = collectFiles(unit, {folder}, identityOf(archive));
        printSkipped(files, err);
        return writeAndReport(planNewArchive(unit, files.files, comment), archive, out);
    });
}

// Replaces the texture pair of ENTRY by PICTURE made a texture.
int runAddTexture(const Arguments& args, std::ostream& out, std::ostream& err) {
    const auto parsed = parseTextureArguments(kAddCommand, args, err);
    if (!parsed) return kUsageError;
    if (parsed->rest.size() != 3)
        return usageError(kAddCommand, err, "--texture expects an archive, an entry and a picture");
    const std::string& archive = parsed->rest[0];
    const std::string& entry = parsed->rest[1];
    const std::string& picture = parsed->rest[2];
    auto pod = openArchive(archive, err);
    if (!pod) return kFailure;
    return guarded(err, [&] {
        // Refusals that need no picture come before it is read.
        const std::string storedName = utf8ToCp1252(entry);
        requireWritable(pod->layout());
        texturePairNames(*pod, storedName);
        Texture texture;
        try {
            texture = makeTexture(*LoadPicture(picture), parsed->options);
        } catch (const std::exception& error) {
            err << "kelvane-cli: " << picture << ": " << englishText(error) << "\n";
            return kFailure;
        }
        printTextureNotes(texture, "add", err);
        return writeAndReport(
            planTextureReplacement(*pod, storedName, texture, currentAuditStamp()), archive, out);
    });
}

int runAdd(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "--texture")
        return runAddTexture(Arguments(args.begin() + 1, args.end()), out, err);
    if (args.size() < 2) return usageError(kAddCommand, err, "expects an archive and files");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    return guarded(err, [&] {
        requireWritable(pod->layout());
        const FilesToPack files = collectFiles(
            pod->layout(), Arguments(args.begin() + 1, args.end()), identityOf(args[0]));
        printSkipped(files, err);
        return writeAndReport(planAddition(*pod, files.files, currentAuditStamp()), args[0], out);
    });
}

int runDelete(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return usageError(kDeleteCommand, err, "expects an archive and entries");
    auto pod = openArchive(args[0], err);
    if (!pod) return kFailure;
    const auto indices = selectAll(*pod, args[0], args.begin() + 1, args.end(), true, err);
    if (!indices) return kFailure;
    return guarded(err, [&] {
        return writeAndReport(planDeletion(*pod, *indices, currentAuditStamp()), args[0], out);
    });
}

}  // namespace
}  // namespace kelvane::cli
