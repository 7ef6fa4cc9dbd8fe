#include "archive/archive_editing.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include "archive/archive_details.h"
#include "archive/archive_soundness.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

[[noreturn]] void refuseName(const std::string& path, const LayoutUnit& unit,
                             const std::string& french, const std::string& english) {
    const std::string layout(unit.name);
    const char* article = unit.family == ArchiveFamily::EPD ? "an " : "a ";
    throw WriteRefused("Le nom de " + path + " ne peut être stocké dans une archive " + layout +
                           " : " + french + ".",
                       "The name of " + path + " cannot be stored in " + article + layout +
                           " archive: " + english + ".");
}

// The stored name of the file `path`, reached by `relative` (levels separated by '/') below
// the folder packed.
std::string storedNameFor(const LayoutUnit& unit, std::string_view relative,
                          const std::string& path) {
    if (!fitsCp1252(relative)) {
        refuseName(path, unit, "il contient un caractère absent de Windows-1252",
                   "it has a character Windows-1252 lacks");
    }
    std::string name = utf8ToCp1252(relative);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == ':') {
            refuseName(path, unit,
                       "il contient une barre oblique inverse ou un deux-points, que "
                       "l'archive lit comme séparateur de dossiers",
                       "it has a backslash or a colon, which the archive reads as a folder "
                       "separator");
        }
        if (byte < 0x20 || byte == 0x7F) {
            refuseName(path, unit, "il contient un caractère de contrôle",
                       "it has a control character");
        }
        if (c == '/') c = '\\';
    }
    if (name.size() > unit.longestName) {
        const std::string limit = std::to_string(unit.longestName);
        refuseName(path, unit, "il dépasse les " + limit + " caractères que la disposition admet",
                   "it is longer than the " + limit + " characters the layout holds");
    }
    return name;
}

// Refuses two files that would be stored under one name.
void requireDistinctNames(const std::vector<FileToPack>& files) {
    std::unordered_map<std::string, const FileToPack*> seen;
    seen.reserve(files.size());
    for (const FileToPack& file : files) {
        const auto [earlier, added] = seen.emplace(cp1252Upper(file.storedName), &file);
        if (added) continue;
        const std::string both = earlier->second->path + " / " + file.path;
        throw WriteRefused("Deux fichiers auraient le même nom dans l'archive : " + both,
                           "Two files would have the same name in the archive: " + both);
    }
}

struct stat statusOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const std::string reason = std::strerror(errno);
        throw BilingualError("Impossible de lire le fichier " + path + " : " + reason,
                             "Cannot read file " + path + ": " + reason);
    }
    return status;
}

// A layout recognised by its entries rather than a tag needs one.
void requireEntries(const ArchivePlan& plan) {
    if (!plan.layout->header.tag.present() && plan.entries.empty()) {
        const std::string name(plan.layout->name);
        throw WriteRefused(
            "Une archive " + name +
                " sans entrée ne serait pas reconnue : il en faut une au moins.",
            "An empty " + name + " archive would not be recognised: it needs one entry at least.");
    }
}

// The header of `archive` as a plan's starting point, with its dependency and audit records.
ArchivePlan planFrom(const TPOD& archive) {
    requireWritable(archive.layout());
    requireSoundReading(archive);
    ArchivePlan plan;
    plan.layout = &archive.layout();
    plan.header = std::string(archive.header());
    plan.dependencies = dependencyBytes(archive);
    plan.audit = auditBytes(archive);
    plan.source = &archive;
    return plan;
}

EntryToWrite kept(const CatalogueEntry& entry) {
    EntryToWrite kept;
    kept.name = entry.name;
    kept.keptIndex = entry.index;
    return kept;
}

EntryToWrite packed(const FileToPack& file) {
    EntryToWrite packed;
    packed.name = file.storedName;
    packed.sourcePath = file.path;
    return packed;
}

void addAudit(ArchivePlan& plan, const AuditStamp& stamp, AuditRecord record) {
    if (plan.layout->audits == AuditPlace::None) return;
    record.user = stamp.user;
    record.time = stamp.time;
    plan.audit += encodeAuditRecord(record);
}

// An entry to store in an archive, with the time and size its audit record gives.
struct NewEntry {
    EntryToWrite entry;
    std::uint32_t time = 0;
    std::uint32_t size = 0;
};

// `archive` with `added` stored: one of the same name as a kept entry replaces it in place,
// the others follow the kept entries, each with an audit record.
ArchivePlan planStored(const TPOD& archive, std::vector<NewEntry> added, const AuditStamp& stamp) {
    ArchivePlan plan = planFrom(archive);
    std::unordered_map<std::string, std::size_t> positions;  // by folded name
    for (const CatalogueEntry& entry : archive.catalogue()) {
        positions.emplace(cp1252Upper(entry.name), plan.entries.size());
        plan.entries.push_back(kept(entry));
    }
    for (NewEntry& item : added) {
        AuditRecord record{.user = {},
                           .time = 0,
                           .action = 0,
                           .path = item.entry.name,
                           .newTime = item.time,
                           .newSize = item.size};
        const auto same = positions.find(cp1252Upper(item.entry.name));
        if (same != positions.end()) {
            EntryToWrite& entry = plan.entries[same->second];
            const CatalogueEntry& old = archive.catalogue()[std::size_t(entry.keptIndex)];
            record.action = 2;
            record.oldTime = old.timestamp;
            record.oldSize = old.size;
            entry = std::move(item.entry);
        } else {
            plan.entries.push_back(std::move(item.entry));
        }
        addAudit(plan, stamp, record);
    }
    return plan;
}

}  // namespace

const LayoutUnit& layoutForNewArchive(const std::string& path, std::string_view format) {
    // The extension decides how the archive is read back: .EPD holds EPD, .POD the others.
    const bool epdName = cp1252Upper(std::filesystem::path(path).extension().string()) == ".EPD";
    if (format.empty()) format = epdName ? "EPD" : "POD3";
    const LayoutUnit* unit = layoutNamed(format);
    if (unit != nullptr) requireWritable(*unit);
    if (unit == nullptr) {
        const std::string name(format);
        throw WriteRefused(
            "Format inconnu pour une nouvelle archive : " + name + " (epd, pod1, pod2 ou pod3)",
            "Unknown format for a new archive: " + name + " (epd, pod1, pod2 or pod3)");
    }
    const bool podName = cp1252Upper(std::filesystem::path(path).extension().string()) == ".POD";
    if ((unit->family == ArchiveFamily::EPD && !epdName) ||
        (unit->family == ArchiveFamily::POD && !podName)) {
        const std::string extension = unit->family == ArchiveFamily::EPD ? ".EPD" : ".POD";
        const std::string name(unit->name);
        throw WriteRefused("Les archives " + name + " doivent porter l'extension " + extension +
                               " pour être relues.",
                           name + " archives must be named " + extension + " to be read back.");
    }
    return *unit;
}

void requireWritable(const LayoutUnit& unit) {
    if (unit.writable()) return;
    const std::string name(unit.name);
    throw WriteRefused("Les archives " + name +
                           " ne peuvent être que lues : seules EPD, POD1, POD2 et POD3 "
                           "s'écrivent.",
                       name +
                           " archives can only be read: EPD, POD1, POD2 and POD3 can be "
                           "written.");
}

bool sameStoredName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && cp1252Upper(a) == cp1252Upper(b);
}

FilesToPack collectFiles(const LayoutUnit& unit, const std::vector<std::string>& paths,
                         const FileIdentity& exclude) {
    FilesToPack result;
    for (const std::string& path : paths) {
        const struct stat status = statusOf(path);
        if (S_ISDIR(status.st_mode)) {
            FolderContents contents = walkFolder(path, exclude);
            for (FoundFile& file : contents.files) {
                result.files.push_back(
                    {storedNameFor(unit, file.relative(), file.path), std::move(file.path)});
            }
            result.skipped.insert(result.skipped.end(), contents.skipped.begin(),
                                  contents.skipped.end());
        } else if (exclude.present && status.st_dev == exclude.device &&
                   status.st_ino == exclude.inode) {
            result.skipped.push_back({path, SkippedFile::Reason::Excluded});
        } else if (!S_ISREG(status.st_mode)) {
            result.skipped.push_back({path, SkippedFile::Reason::Special});
        } else {
            const std::string name = std::filesystem::path(path).filename().string();
            result.files.push_back({storedNameFor(unit, name, path), path});
        }
    }
    std::sort(result.files.begin(), result.files.end(),
              [](const FileToPack& a, const FileToPack& b) { return a.storedName < b.storedName; });
    requireDistinctNames(result.files);
    return result;
}

std::string skippedNote(const SkippedFile& file, bool english) {
    using Reason = SkippedFile::Reason;
    const char* reason = "";
    switch (file.reason) {
        case Reason::Special:
            reason = english ? "not a regular file (a FIFO, device or socket), skipped"
                             : "pas un fichier ordinaire (tube, périphérique ou socket), ignoré";
            break;
        case Reason::FolderLink:
            reason =
                english ? "a link to a folder, not followed" : "un lien vers un dossier, non suivi";
            break;
        case Reason::BrokenLink:
            reason = english ? "a link to nothing, skipped" : "un lien vers rien, ignoré";
            break;
        case Reason::Excluded:
            reason = english ? "the archive being written, left out"
                             : "l'archive en cours d'écriture, laissée de côté";
            break;
        case Reason::Unreadable:
            reason =
                english ? "a folder that cannot be read, skipped" : "un dossier illisible, ignoré";
            break;
    }
    return file.path + (english ? ": " : " : ") + reason;
}

AuditStamp currentAuditStamp() {
    const char* user = std::getenv("USER");
    if (user == nullptr || *user == '\0') user = std::getenv("LOGNAME");
    if (user == nullptr || *user == '\0') {
        const passwd* account = ::getpwuid(::getuid());
        user = account ? account->pw_name : "";
    }
    return {utf8ToCp1252(user), std::uint32_t(std::int32_t(std::time(nullptr)))};
}

ArchivePlan planNewArchive(const LayoutUnit& unit, const std::vector<FileToPack>& files,
                           const std::string& comment) {
    requireWritable(unit);
    const Field field = unit.header.comment;
    if (!fitsCp1252(comment) || utf8ToCp1252(comment).size() > field.width) {
        const std::string width = std::to_string(field.width);
        throw WriteRefused("Le commentaire doit tenir en " + width + " caractères de Windows-1252.",
                           "The comment must fit in " + width + " Windows-1252 characters.");
    }
    ArchivePlan plan;
    plan.layout = &unit;
    plan.header.assign(unit.headerSize, '\0');
    setFieldText(plan.header, unit.header.tag, unit.newTag);
    setFieldText(plan.header, field, utf8ToCp1252(comment));
    for (const FileToPack& file : files) plan.entries.push_back(packed(file));
    requireEntries(plan);
    return plan;
}

ArchivePlan planAddition(const TPOD& archive, const std::vector<FileToPack>& files,
                         const AuditStamp& stamp) {
    std::vector<NewEntry> added;
    added.reserve(files.size());
    for (const FileToPack& file : files) {
        const struct stat status = statusOf(file.path);
        added.push_back({.entry = packed(file),
                         .time = std::uint32_t(std::int32_t(status.st_mtim.tv_sec)),
                         .size = std::uint32_t(status.st_size)});
    }
    return planStored(archive, std::move(added), stamp);
}

ArchivePlan planStoring(const TPOD& archive, const std::vector<BytesToStore>& contents,
                        const AuditStamp& stamp) {
    std::vector<NewEntry> added;
    added.reserve(contents.size());
    for (const BytesToStore& content : contents) {
        EntryToWrite entry;
        entry.name = content.storedName;
        entry.bytes = content.bytes;
        entry.timestamp = stamp.time;
        added.push_back({std::move(entry), stamp.time, std::uint32_t(content.bytes.size())});
    }
    return planStored(archive, std::move(added), stamp);
}

ArchivePlan planDeletion(const TPOD& archive, const std::vector<int>& indices,
                         const AuditStamp& stamp) {
    ArchivePlan plan = planFrom(archive);
    const std::set<int> removed(indices.begin(), indices.end());
    for (const CatalogueEntry& entry : archive.catalogue()) {
        if (!removed.count(entry.index)) {
            plan.entries.push_back(kept(entry));
            continue;
        }
        addAudit(plan, stamp,
                 {.user = {},
                  .time = 0,
                  .action = 1,
                  .path = entry.name,
                  .oldTime = entry.timestamp,
                  .oldSize = entry.size});
    }
    requireEntries(plan);
    return plan;
}

}  // namespace kelvane
