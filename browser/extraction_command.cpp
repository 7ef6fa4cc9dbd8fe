#include "browser/extraction_command.h"

#include "archive/entry_names.h"
#include "archive/pod_reader.h"

namespace kelvane {

ExtractionReport extractEntries(TPOD& archive, const std::vector<int>& indices,
                                const std::string& targetDirectory, bool keepStructure,
                                const std::function<bool(int done)>& progress) {
    const StoredPath storedPath =
        keepStructure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop;
    ExtractionReport report;
    for (std::size_t done = 0; done < indices.size(); ++done) {
        if (!progress(static_cast<int>(done))) {
            report.cancelled = true;
            return report;
        }
        try {
            archive.Extract(indices[done], targetDirectory, storedPath);
            ++report.extracted;
        } catch (const UnsafeEntryName& refused) {
            report.refused.emplace_back(refused.what());
        }
    }
    progress(static_cast<int>(indices.size()));
    return report;
}

}  // namespace kelvane
