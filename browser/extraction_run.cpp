#include "browser/extraction_run.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "browser/picture_extraction.h"
#include "platform/bilingual_error.h"

namespace kelvane {
namespace {

constexpr int kMostJobs = 8;

bool endsRun(const ExtractedEntry& entry, const ExtractionRunOptions& options) {
    return entry.failure == EntryFailure::EveryFile ||
           (entry.failure == EntryFailure::ThisFile && options.stopAtFileFailure);
}

void failed(ExtractedEntry& entry, EntryFailure failure, const std::exception& error) {
    entry.failure = failure;
    entry.message = error.what();
    entry.english = englishText(error);
}

// Extracts one entry, reading through `archiveFile`, or through `pictures` when given; none
// when `beforePlacing` left it out.
std::optional<ExtractedEntry> extractOne(const TPOD& archive, const ReadOnlyFile& archiveFile,
                                         int index, const OutputFolder& target,
                                         StoredPath storedPath, PictureExtraction* pictures,
                                         const std::function<bool()>& beforePlacing) {
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
            entry.result =
                archive.extractThrough(archiveFile, index, target, storedPath, beforePlacing);
            if (!entry.result) return std::nullopt;
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

// The entries extracted by workers: each worker takes the next entry, writes it, and puts it
// in place once the entries before it are reported and progress let it, so that what lands
// on the disk, and when, is what one entry after another would give.
class ParallelRun {
  public:
    ParallelRun(const TPOD& archive, const std::vector<int>& indices, const OutputFolder& target,
                const ExtractionRunOptions& options)
        : archive_(archive),
          indices_(indices),
          target_(target),
          options_(options),
          failedAt_(indices.size()) {}

    // The workers finish the entry they are writing, leaving it out unless reported, and stop.
    ~ParallelRun() { close(); }
    ParallelRun(const ParallelRun&) = delete;
    ParallelRun& operator=(const ParallelRun&) = delete;

    RunEnd run(const std::function<bool(std::size_t)>& progress,
               const std::function<void(const ExtractedEntry&)>& report) {
        // Each worker reads through a handle and a read-ahead window of its own.
        for (int i = 0; i < options_.jobs; ++i)
            workers_.emplace_back([this, file = archive_.file().duplicate()] { work(file); });
        for (std::size_t position = 0; position < indices_.size(); ++position) {
            if (!progress(position)) return RunEnd::Cancelled;
            ExtractedEntry entry;
            {
                std::unique_lock lock(mutex_);
                placing_ = position;
                turn_.notify_all();
                handed_.wait(lock, [&] { return outcome_ != nullptr; });
                entry = std::move(*std::exchange(outcome_, nullptr));
            }
            report(entry);
            if (endsRun(entry, options_)) return RunEnd::Stopped;
        }
        return RunEnd::Finished;
    }

  private:
    void close() {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
            turn_.notify_all();
        }
        for (std::thread& worker : workers_) worker.join();
        workers_.clear();
    }

    // Waits for the turn of the entry at `position`; false when it will not come.
    bool awaitTurn(std::unique_lock<std::mutex>& lock, std::size_t position) {
        turn_.wait(lock, [&] { return closing_ || (placing_ == position && !outcome_); });
        return !closing_;
    }

    void work(const ReadOnlyFile& file) {
        std::unique_lock lock(mutex_);
        // No entry starts after one whose failure ends the run.
        while (!closing_ && next_ < indices_.size() && next_ <= failedAt_) {
            const std::size_t position = next_++;
            lock.unlock();
            std::optional<ExtractedEntry> entry = extractOne(
                archive_, file, indices_[position], target_, options_.storedPath, nullptr, [&] {
                    std::unique_lock placing(mutex_);
                    return awaitTurn(placing, position);
                });
            lock.lock();
            if (!entry) return;  // left out, nothing of it written
            if (endsRun(*entry, options_)) failedAt_ = std::min(failedAt_, position);
            // A failed entry is handed over in its turn too.
            if (!awaitTurn(lock, position)) return;
            outcome_ = std::make_unique<ExtractedEntry>(std::move(*entry));
            handed_.notify_one();
        }
    }

    const TPOD& archive_;
    const std::vector<int>& indices_;
    const OutputFolder& target_;
    const ExtractionRunOptions& options_;

    std::mutex mutex_;
    std::condition_variable turn_, handed_;
    std::size_t placing_ = SIZE_MAX;           // the position whose entry may be put in place
    std::unique_ptr<ExtractedEntry> outcome_;  // that entry, handed over to be reported
    std::size_t next_ = 0;                     // the next position a worker takes
    std::size_t failedAt_;                     // the first position whose failure ends the run
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
            *extractOne(archive, archive.file(), indices[position], target, options.storedPath,
                        pictures ? &*pictures : nullptr, [] { return true; });
        report(entry);
        if (endsRun(entry, options)) return RunEnd::Stopped;
    }
    return RunEnd::Finished;
}

}  // namespace kelvane
