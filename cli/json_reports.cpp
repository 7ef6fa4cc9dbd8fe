#include "cli/json_reports.h"

#include "archive/archive_details.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "cli/json_writer.h"
#include "platform/cp1252.h"

namespace kelvane::cli {

void printListJson(const TPOD& pod, const std::string& archive, std::ostream& out) {
    JsonWriter json(out);
    json.beginObject().key("archive").string(archive);
    json.key("layout").string(archiveDetails(pod).layout);
    json.key("entries").beginArray();
    for (const CatalogueEntry& entry : pod.catalogue()) {
        json.beginObject();
        json.key("number").number(entry.index + 1);
        json.key("name").string(cp1252ToUtf8(entry.name));
        json.key("size").number(entry.size);
        json.key("stored_size").number(entry.storedSize);
        json.key("offset").number(entry.offset);
        json.key("timestamp");
        entry.hasTimestamp ? json.number(std::int32_t(entry.timestamp)) : json.null();
        json.key("compressed").boolean(entry.compressed);
        json.endObject();
    }
    json.endArray().endObject();
}

void printInfoJson(const TPOD& pod, const std::string& archive, std::ostream& out) {
    const ArchiveDetails details = archiveDetails(pod);
    std::int64_t total = 0;
    for (const CatalogueEntry& entry : pod.catalogue()) total += entry.size;
    JsonWriter json(out);
    json.beginObject().key("archive").string(archive);
    json.key("files").number(std::int64_t(pod.catalogue().size()));
    json.key("bytes").number(total);
    json.key("layout").string(details.layout);
    json.key("tag").string(cp1252ToUtf8(details.tag));
    json.key("comment").string(cp1252ToUtf8(details.comment));
    json.key("author").string(cp1252ToUtf8(details.author));
    json.key("copyright").string(cp1252ToUtf8(details.copyright));
    json.key("revision").number(details.revision);
    json.key("priority").number(details.priority);
    json.key("version").number(details.version);
    json.key("next_archive").number(details.nextArchive);
    json.key("entries").number(details.entries);
    json.key("audit_records").number(details.auditRecords);
    json.key("dependency_records").number(details.dependencyRecords);
    json.key("compressed_entries").number(details.compressedEntries);
    json.key("has_checksums").boolean(details.hasChecksums);
    json.endObject();
}

void printVerifyJson(const TPOD& pod, const VerificationReport& report, const std::string& archive,
                     std::ostream& out) {
    JsonWriter json(out);
    json.beginObject().key("archive").string(archive);
    json.key("layout").string(report.layout);
    json.key("has_checksums").boolean(report.hasChecksums);
    json.key("checked").number(report.checked);
    json.key("matched_stored").number(report.matchedStored);
    json.key("matched_inflated").number(report.matchedInflated);
    json.key("inflated_whole").number(report.inflatedWhole);
    json.key("stored_whole").number(report.storedWhole);
    json.key("failures").beginArray();
    for (const VerificationFailure& failure : report.failures) {
        json.beginObject().key("entry");
        const bool named =
            failure.entry >= 0 && std::size_t(failure.entry) < pod.catalogue().size();
        named ? json.number(failure.entry + 1) : json.null();
        json.key("name");
        named ? json.string(cp1252ToUtf8(pod.catalogue()[std::size_t(failure.entry)].name))
              : json.null();
        json.key("message").string(failure.english);
        json.endObject();
    }
    json.endArray();
    json.key("summary").string(report.summaryEnglish());
    json.key("ok").boolean(report.allHold());
    json.endObject();
}

}  // namespace kelvane::cli
