#include "browser/extraction_command.h"

#include <exception>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"

namespace kelvane {

std::string ExtractionReport::messages() const {
    std::string text;
    auto add = [&text](const std::string& message) {
        if (!text.empty()) text += "\r\n\r\n";
        text += message;
    };
    for (const std::string& message : refused) add(message);
    for (const std::string& message : cutShort) add(message);
    for (const std::string& message : damaged) add(message);
    if (!stoppedBy.empty()) add(stoppedBy);
    return text;
}

ExtractionReport extractEntries(TPOD& archive, const std::vector<int>& indices,
                                const std::string& targetDirectory, bool keepStructure,
                                const std::function<bool(int done)>& progress) {
    const StoredPath storedPath =
        keepStructure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop;
    const OutputFolder target(targetDirectory);
    ExtractionReport report;
    for (std::size_t done = 0; done < indices.size(); ++done) {
        if (!progress(static_cast<int>(done))) {
            report.cancelled = true;
            return report;
        }
        try {
            const ExtractionResult result = archive.Extract(indices[done], target, storedPath);
            ++report.extracted;
            if (result.truncated) {
                report.cutShort.push_back(
                    entryCutShort(archive.catalogue()[std::size_t(indices[done])], result.written)
                        .what());
            }
        } catch (const UnsafeEntryName& refused) {
            report.refused.emplace_back(refused.what());
        } catch (const DamagedEntry& damaged) {
            report.damaged.emplace_back(damaged.what());
        } catch (const std::exception& failure) {
            report.stoppedBy = failure.what();
            break;
        }
    }
    if (report.stoppedBy.empty()) progress(static_cast<int>(indices.size()));
    return report;
}

}  // namespace kelvane
