#include "browser/extraction_run.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "browser/picture_extraction.h"
#include "platform/bilingual_error.h"

namespace kelvane {
namespace {

constexpr int kMostJobs = 8;
// How far, in entries per worker, the workers may run ahead of the entries reported.
constexpr std::size_t kAheadPerWorker = 8;

bool endsRun(const ExtractedEntry& entry, const ExtractionRunOptions& options) {
    return entry.failure == EntryFailure::EveryFile ||
           (entry.failure == EntryFailure::ThisFile && options.stopAtFileFailure);
}

void failed(ExtractedEntry& entry, EntryFailure failure, const std::exception& error) {
    entry.failure = failure;
    entry.message = error.what();
    entry.english = englishText(error);
}

// Extracts one entry, reading through `archiveFile`, or through `pictures` when given.
ExtractedEntry extractOne(const TPOD& archive, const ReadOnlyFile& archiveFile, int index,
                          const OutputFolder& target, StoredPath storedPath,
                          PictureExtraction* pictures) {
    ExtractedEntry entry;
    entry.index = index;
    try {
        if (pictures != nullptr) {
            PictureExtraction::Written picture = pictures->extract(index, target, storedPath);
            entry.result = std::move(picture.result);
            entry.name = std::move(picture.name);
            entry.noteFrench = std::move(picture.french);
            entry.noteEnglish = std::move(picture.english);
        } else {
            entry.result = archive.extractThrough(archiveFile, index, target, storedPath);
            entry.name = archive.catalogue()[std::size_t(index)].name;
        }
    } catch (const UnsafeEntryName& refused) {
        failed(entry, EntryFailure::UnsafeName, refused);
    } catch (const DamagedEntry& damaged) {
        failed(entry, EntryFailure::Damaged, damaged);
    } catch (const std::exception& failure) {
        failed(entry, failsEveryFile(failure) ? EntryFailure::EveryFile : EntryFailure::ThisFile,
               failure);
    }
    return entry;
}

// For each position, the last earlier position whose entry is written to the same file, or -1.
std::vector<std::ptrdiff_t> earlierSameFile(const TPOD& archive, const std::vector<int>& indices,
                                            StoredPath storedPath) {
    std::vector<std::ptrdiff_t> earlier(indices.size(), -1);
    std::unordered_map<std::string, std::ptrdiff_t> last;
    for (std::size_t position = 0; position < indices.size(); ++position) {
        std::string file;
        try {
            for (const std::string& component :
                 entryComponents(archive.catalogue()[std::size_t(indices[position])].name,
                                 storedPath != StoredPath::Drop))
                file += component + '/';
        } catch (const UnsafeEntryName&) {
            continue;  // refused: writes nothing
        }
        auto [at, added] = last.try_emplace(std::move(file), std::ptrdiff_t(position));
        if (!added) earlier[position] = std::exchange(at->second, std::ptrdiff_t(position));
    }
    return earlier;
}

// The entries extracted by workers, handed back in order.
class ParallelRun {
  public:
    ParallelRun(const TPOD& archive, const std::vector<int>& indices, const OutputFolder& target,
                const ExtractionRunOptions& options)
        : archive_(archive),
          indices_(indices),
          target_(target),
          options_(options),
          earlier_(earlierSameFile(archive, indices, options.storedPath)),
          done_(indices.size(), false),
          outcomes_(indices.size()),
          failedAt_(indices.size()) {}

    RunEnd run(const std::function<bool(std::size_t)>& progress,
               const std::function<void(const ExtractedEntry&)>& report) {
        const std::size_t count = indices_.size();
        const std::size_t ahead = kAheadPerWorker * std::size_t(options_.jobs);
        // Each worker reads through a handle and a read-ahead window of its own.
        for (int i = 0; i < options_.jobs; ++i)
            workers_.emplace_back([this, file = archive_.file().duplicate()] { work(file); });
        RunEnd end = RunEnd::Finished;
        std::size_t last = count;  // the positions reported are those before it
        for (std::size_t position = 0; position < last; ++position) {
            while (end == RunEnd::Finished && released_ < std::min(count, position + ahead)) {
                if (!progress(released_)) {
                    end = RunEnd::Cancelled;
                    const std::lock_guard lock(mutex_);
                    cancelled_ = true;
                    last = next_;  // the entries under way are finished and reported
                    break;
                }
                const std::lock_guard lock(mutex_);
                ++released_;
                workReady_.notify_one();
            }
            if (position >= last) break;
            std::unique_ptr<ExtractedEntry> entry;
            {
                std::unique_lock lock(mutex_);
                entryDone_.wait(lock, [&] { return outcomes_[position] != nullptr; });
                entry = std::move(outcomes_[position]);
            }
            report(*entry);
            if (endsRun(*entry, options_)) {
                end = RunEnd::Stopped;
                break;
            }
        }
        close();
        return end;
    }

    // The workers finish the entry they are writing and stop, also when a callback throws.
    ~ParallelRun() { close(); }
    ParallelRun(const ParallelRun&) = delete;
    ParallelRun& operator=(const ParallelRun&) = delete;

  private:
    void close() {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
            workReady_.notify_all();
        }
        for (std::thread& worker : workers_) worker.join();
        workers_.clear();
    }

    void work(const ReadOnlyFile& file) {
        std::unique_lock lock(mutex_);
        for (;;) {
            workReady_.wait(lock, [&] {
                return closing_ || (!cancelled_ && next_ < released_ && next_ <= failedAt_);
            });
            if (closing_) return;
            const std::size_t position = next_++;
            const std::ptrdiff_t earlier = earlier_[position];
            if (earlier >= 0) workReady_.wait(lock, [&] { return closing_ || done_[earlier]; });
            if (closing_) return;
            // An entry after the failure that ends the run does not start.
            if (position < failedAt_) {
                lock.unlock();
                auto entry = std::make_unique<ExtractedEntry>(
                    extractOne(archive_, file, indices_[std::size_t(position)], target_,
                               options_.storedPath, nullptr));
                lock.lock();
                if (endsRun(*entry, options_)) failedAt_ = std::min(failedAt_, position);
                outcomes_[position] = std::move(entry);
            }
            done_[position] = true;
            entryDone_.notify_one();
            workReady_.notify_all();  // a later entry to the same file may start
        }
    }

    const TPOD& archive_;
    const std::vector<int>& indices_;
    const OutputFolder& target_;
    const ExtractionRunOptions& options_;
    const std::vector<std::ptrdiff_t> earlier_;

    std::mutex mutex_;
    std::condition_variable workReady_, entryDone_;
    std::vector<bool> done_;
    std::vector<std::unique_ptr<ExtractedEntry>> outcomes_;
    std::size_t released_ = 0;  // the positions progress let start
    std::size_t next_ = 0;      // the next position a worker takes
    std::size_t failedAt_;      // the first position whose failure ends the run
    bool cancelled_ = false;
    bool closing_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace

int defaultExtractionJobs() {
    if (const char* jobs = std::getenv("KELVANE_JOBS")) {
        const int asked = std::atoi(jobs);
        if (asked > 0) return asked;
    }
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMostJobs);
}

RunEnd runExtraction(TPOD& archive, const std::vector<int>& indices, const OutputFolder& target,
                     const ExtractionRunOptions& options,
                     const std::function<bool(std::size_t position)>& progress,
                     const std::function<void(const ExtractedEntry&)>& report) {
    if (options.jobs > 1 && !options.picturesAsPng && indices.size() > 1)
        return ParallelRun(archive, indices, target, options).run(progress, report);
    // One after another. The pictures keep what they met across a texture pair.
    std::optional<PictureExtraction> pictures;
    if (options.picturesAsPng) pictures.emplace(archive);
    for (std::size_t position = 0; position < indices.size(); ++position) {
        if (!progress(position)) return RunEnd::Cancelled;
        const ExtractedEntry entry =
            extractOne(archive, archive.file(), indices[position], target, options.storedPath,
                       pictures ? &*pictures : nullptr);
        report(entry);
        if (endsRun(entry, options)) return RunEnd::Stopped;
    }
    return RunEnd::Finished;
}

}  // namespace kelvane
