#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/pod_reader.h"

namespace kelvane {

// How one entry of an extraction run failed.
enum class EntryFailure {
    None,
    UnsafeName,  // its name would leave the target folder: refused
    Damaged,     // its compressed data cannot be inflated: nothing of it written
    ThisFile,    // its file could not be written
    EveryFile,   // nor will any other file of the folder (a full disk, a folder refusing files)
};

// One entry's extraction as the run reports it.
struct ExtractedEntry {
    int index = 0;
    // What was written; none when the entry failed, or for the second half of a texture pair
    // already written as one picture.
    std::optional<ExtractionResult> result;
    std::string name;  // the name written under: NAME.png for a picture converted
    std::string noteFrench, noteEnglish;  // why a picture was written as stored; empty otherwise
    EntryFailure failure = EntryFailure::None;
    std::string message;  // the failure, both languages as its text gives them
    std::string english;  // its English half
};

// How a run extracts.
struct ExtractionRunOptions {
    StoredPath storedPath = StoredPath::Drop;
    bool picturesAsPng = false;  // as PictureExtraction writes them, always on one worker
    // A file that cannot be written ends the run too; otherwise only a failure that every
    // other file would meet does.
    bool stopAtFileFailure = true;
    int jobs = 1;  // workers; 1 writes the entries one after another on the calling thread
};

// How many workers a run uses unless told: the machine's cores, at most 8, or KELVANE_JOBS.
int defaultExtractionJobs();

enum class RunEnd { Finished, Cancelled, Stopped };

// Extracts the entries `indices` into `target` with up to `options.jobs` workers, each entry
// whole or not at all. The workers write entries side by side, but the calling thread puts
// them in place one after another in the order of `indices`: `progress(position)` is called
// before the entry at `position` is put in place, and again every few milliseconds while it is
// still being written (returning false cancels: it and those after it are left out, nothing of
// them written, an entry being written abandoned within a chunk) and `report` once it is, so the
// files left, the callbacks and a file written twice (the later entry wins) are as one entry after
// another gives. A failure that ends the run (see stopAtFileFailure) is reported last, and no entry
// starts after it.
RunEnd runExtraction(TPOD& archive, const std::vector<int>& indices, const OutputFolder& target,
                     const ExtractionRunOptions& options,
                     const std::function<bool(std::size_t position)>& progress,
                     const std::function<void(const ExtractedEntry&)>& report);

}  // namespace kelvane
