#include "browser/extraction_command.h"

#include <algorithm>
#include <string_view>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "browser/main_window_captions.h"

namespace kelvane {
namespace {

// Names listed in the note on shared names; the rest are counted.
constexpr std::size_t kListedNames = 10;

const Caption& structureCaption() {
    return *std::find_if(
        kMainWindowCaptions.begin(), kMainWindowCaptions.end(),
        [](const Caption& caption) { return std::string_view(caption.name) == "cbStruct"; });
}

std::string sharedNamesNote(const SharedFlatNames& shared) {
    const std::size_t listed = std::min(shared.names.size(), kListedNames);
    std::string names;
    for (std::size_t i = 0; i < listed; ++i) names += (i == 0 ? "" : ", ") + shared.names[i];
    const std::string more = std::to_string(shared.names.size() - listed);
    const std::string count = std::to_string(shared.entries);
    const Caption& tickBox = structureCaption();
    return count + " entrées portaient le même nom sans leur dossier : " + names +
           (listed < shared.names.size() ? " et " + more + " autres" : "") + ". Cochez « " +
           tickBox.french + " » pour les garder toutes.\r\n" + count +
           " entries had the same name without their folder: " + names +
           (listed < shared.names.size() ? " and " + more + " more" : "") + ". Tick \"" +
           tickBox.english + "\" to keep them all.";
}

}  // namespace

const char* extractionProgressLabel(bool english) {
    return english ? "Extracting files..." : "Extraction des fichiers...";
}

std::string ExtractionReport::messages() const {
    std::string text;
    auto add = [&text](const std::string& message) {
        if (!text.empty()) text += "\r\n\r\n";
        text += message;
    };
    for (const std::string& message : refused) add(message);
    for (const std::string& message : cutShort) add(message);
    for (const std::string& message : damaged) add(message);
    for (const std::string& message : asStored) add(message);
    if (!stoppedBy.empty()) add(stoppedBy);
    if (!shared.names.empty()) add(sharedNamesNote(shared));
    return text;
}

ExtractionReport extractEntries(TPOD& archive, const std::vector<int>& indices,
                                const std::string& targetDirectory, ExtractionOptions options,
                                const std::function<bool(int done)>& progress) {
    ExtractionRunOptions run;
    run.storedPath = options.keepStructure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop;
    run.picturesAsPng = options.picturesAsPng;
    run.jobs = options.jobs;
    const OutputFolder target(targetDirectory);
    ExtractionReport report;
    std::vector<std::string> written;  // the names the entries extracted are written under
    const RunEnd end = runExtraction(
        archive, indices, target, run,
        [&](std::size_t done) { return progress(static_cast<int>(done)); },
        [&](const ExtractedEntry& entry) {
            if (!entry.noteFrench.empty())
                report.asStored.push_back(entry.noteFrench + "\r\n" + entry.noteEnglish);
            switch (entry.failure) {
                case EntryFailure::None:
                    break;
                case EntryFailure::UnsafeName:
                    return report.refused.push_back(entry.message);
                case EntryFailure::Damaged:
                    return report.damaged.push_back(entry.message);
                case EntryFailure::ThisFile:
                case EntryFailure::EveryFile:
                    report.stoppedBy = entry.message;
                    return;
            }
            if (!entry.result) return;  // the other half of a texture written
            ++report.extracted;
            written.push_back(entry.name);
            if (entry.result->truncated)
                report.cutShort.push_back(
                    entryCutShort(archive.catalogue()[std::size_t(entry.index)],
                                  entry.result->written)
                        .what());
        });
    report.cancelled = end == RunEnd::Cancelled;
    if (end == RunEnd::Finished) progress(static_cast<int>(indices.size()));
    if (!options.keepStructure)
        report.shared =
            sharedFlatNames(std::vector<std::string_view>(written.begin(), written.end()));
    return report;
}

}  // namespace kelvane
