#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelvane {

class TPOD;

// What an extraction run did.
struct ExtractionReport {
    int extracted = 0;
    std::vector<std::string> refused;  // one message per entry whose name was unsafe
    bool cancelled = false;
};

// Extracts the entries `indices`, in that order, into `targetDirectory` (ends with a
// separator): under their stored directories, every missing level created, when
// `keepStructure` is set; as their final name component otherwise. Existing files are
// replaced. An entry whose name would leave the directory is refused and the others still
// extracted; any other failure stops the run with its exception, keeping what was written.
// `progress(done)` is called before each entry and after the last; returning false cancels.
ExtractionReport extractEntries(TPOD& archive, const std::vector<int>& indices,
                                const std::string& targetDirectory, bool keepStructure,
                                const std::function<bool(int done)>& progress);

}  // namespace kelvane
