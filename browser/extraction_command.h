#pragma once

#include <functional>
#include <string>
#include <vector>

#include "archive/entry_names.h"
#include "browser/extraction_run.h"

namespace kelvane {

class TPOD;

// What an extraction run did. Every message is bilingual: French, a line break, English.
struct ExtractionReport {
    int extracted = 0;
    std::vector<std::string> refused;   // one per entry whose name was unsafe
    std::vector<std::string> cutShort;  // one per entry the archive cuts short
    std::vector<std::string> damaged;   // one per entry whose compressed data are damaged
    std::vector<std::string> asStored;  // one per picture written as stored, not converted
    std::string stoppedBy;              // the failure that ended the run; empty when none
    SharedFlatNames shared;             // extracted without their folders, on top of one another
    bool cancelled = false;

    // Every message above, refusals first, one paragraph each, and last a note on the names
    // shared; empty when all went well.
    std::string messages() const;
};

// How the entries are written.
struct ExtractionOptions {
    bool keepStructure = false;  // under their stored directories
    bool picturesAsPng = false;  // pictures and texture pairs converted, as PictureExtraction does
    int jobs = defaultExtractionJobs();  // workers (one when the pictures are converted)
};

// The progress box's text while entries are extracted.
const char* extractionProgressLabel(bool english);

// Extracts the entries `indices` into `targetDirectory` (ends with a separator), with
// `jobs` workers, reported in the order of `indices` as runExtraction does: under their stored
// directories, every missing level created, when `keepStructure` is set; as their final name
// component otherwise. With `picturesAsPng`, the pictures are written as PictureExtraction writes
// them, and `shared` tells the names written (NAME.png for a picture converted). Existing files are
// replaced, those of an earlier entry of the run too (which `shared` tells). An entry whose name
// would leave the directory is refused, and one whose compressed data are damaged is left out
// (nothing of it written); the others are still extracted; any other failure (a full disk first of
// all) ends the run, keeping what was written, and is reported in `stoppedBy`. `progress(done)` is
// called before each entry may start (again while a long one is written by workers) and after
// the last; returning false cancels.
ExtractionReport extractEntries(TPOD& archive, const std::vector<int>& indices,
                                const std::string& targetDirectory, ExtractionOptions options,
                                const std::function<bool(int done)>& progress);

}  // namespace kelvane
