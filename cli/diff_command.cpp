// diff: the entries added, removed and changed from one archive to another.
#include <memory>

#include "archive/archive_diff.h"
#include "archive/pod_reader.h"
#include "cli/archive_access.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane::cli {
namespace {

int runDiff(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kDiffCommand{"diff", "diff [--json] OLD NEW", runDiff};

namespace {

const char* kindName(EntryDifference::Kind kind) {
    switch (kind) {
        case EntryDifference::Kind::Added:
            return "added";
        case EntryDifference::Kind::Removed:
            return "removed";
        case EntryDifference::Kind::Changed:
            return "changed";
    }
    return "";
}

void printBrief(const ArchiveDiff& diff, std::ostream& out) {
    for (const EntryDifference& difference : diff.differences) {
        switch (difference.kind) {
            case EntryDifference::Kind::Added:
                out << "+ " << visibleText(difference.name) << '\n';
                break;
            case EntryDifference::Kind::Removed:
                out << "- " << visibleText(difference.name) << '\n';
                break;
            case EntryDifference::Kind::Changed:
                out << "M " << visibleText(difference.name) << " (" << difference.oldSize << " -> "
                    << difference.newSize << ")\n";
                break;
        }
    }
    out << diff.added << " added, " << diff.removed << " removed, " << diff.changed << " changed, "
        << diff.same << " the same\n";
}

void printJson(const ArchiveDiff& diff, const std::string& older, const std::string& newer,
               std::ostream& out) {
    JsonWriter json(out);
    json.beginObject().key("old").string(older).key("new").string(newer);
    json.key("identical").boolean(diff.identical());
    json.key("added").number(diff.added).key("removed").number(diff.removed);
    json.key("changed").number(diff.changed).key("same").number(diff.same);
    json.key("differences").beginArray();
    for (const EntryDifference& difference : diff.differences) {
        json.beginObject().key("change").string(kindName(difference.kind));
        json.key("name").string(cp1252ToUtf8(difference.name));
        json.key("old_size");
        difference.kind == EntryDifference::Kind::Added ? json.null()
                                                        : json.number(difference.oldSize);
        json.key("new_size");
        difference.kind == EntryDifference::Kind::Removed ? json.null()
                                                          : json.number(difference.newSize);
        json.endObject();
    }
    json.endArray().endObject();
}

// As diff and cmp: 0 when the archives hold the same entries, 1 when they differ, 2 on trouble.
int runDiff(const Arguments& args, std::ostream& out, std::ostream& err) {
    Arguments paths;
    bool asJson = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            asJson = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError(kDiffCommand, err, "unknown option " + arg);
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return usageError(kDiffCommand, err, "expects two archives");
    const std::unique_ptr<TPOD> older = openArchive(paths[0], err);
    if (!older) return kUsageError;
    const std::unique_ptr<TPOD> newer = openArchive(paths[1], err);
    if (!newer) return kUsageError;
    ArchiveDiff diff;
    try {
        diff = diffArchives(*older, *newer);
    } catch (const UnreadableEntry& error) {
        err << "kelvane-cli: " << paths[error.inNewArchive() ? 1 : 0] << ": " << error.english()
            << "\n";
        return kUsageError;
    }
    if (asJson) {
        printJson(diff, paths[0], paths[1], out);
    } else {
        printBrief(diff, out);
    }
    return diff.identical() ? kSuccess : kFailure;
}

}  // namespace
}  // namespace kelvane::cli
