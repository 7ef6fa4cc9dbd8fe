#include "browser/extraction_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <variant>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "browser/picture_extraction.h"
#include "platform/bilingual_error.h"

namespace kelvane {
namespace {

constexpr int kMostJobs = 8;
// The entries a worker may have written ahead of those put in place, each an open file.
constexpr std::size_t kSlotsPerWorker = 16;
// The bytes they may have written ahead, so that a cancel has little to throw away.
constexpr std::int64_t kBytesAhead = 64 << 20;
// How often progress hears from a run waiting for an entry to be written.
constexpr std::chrono::milliseconds kProgressEvery{20};

bool endsRun(const ExtractedEntry& entry, const ExtractionRunOptions& options) {
    return entry.failure == EntryFailure::EveryFile ||
           (entry.failure == EntryFailure::ThisFile && options.stopAtFileFailure);
}

void failed(ExtractedEntry& entry, EntryFailure failure, const std::exception& error) {
    entry.failure = failure;
    entry.message = error.what();
    entry.english = englishText(error);
}

// Runs `step` for `entry`, which records how it failed.
template <class Step>
void guarded(ExtractedEntry& entry, Step&& step) {
    try {
        step();
    } catch (const UnsafeEntryName& refused) {
        failed(entry, EntryFailure::UnsafeName, refused);
    } catch (const DamagedEntry& damaged) {
        failed(entry, EntryFailure::Damaged, damaged);
    } catch (const std::exception& failure) {
        failed(entry, failsEveryFile(failure) ? EntryFailure::EveryFile : EntryFailure::ThisFile,
               failure);
    }
}

// One entry written by a worker: its file, not yet in place, or how it failed.
struct WrittenOne {
    ExtractedEntry entry;
    std::unique_ptr<AtomicOutputFile> file;
};

WrittenOne writeOne(const TPOD& archive, const ReadOnlyFile& archiveFile, int index,
                    const OutputFolder& target, StoredPath storedPath,
                    const std::atomic<bool>& stop) {
    WrittenOne one;
    one.entry.index = index;
    guarded(one.entry, [&] {
        TPOD::WrittenEntry written =
            archive.writeEntry(archiveFile, index, target, storedPath, &stop);
        one.entry.result = std::move(written.result);
        one.entry.name = archive.catalogue()[std::size_t(index)].name;
        one.file = std::move(written.file);
    });
    return one;
}

// The entries written by workers side by side, each put in place on the calling thread in
// the order of the run, so that what lands on the disk, and when, is what one entry after
// another gives. A worker that runs too far ahead of the entries put in place waits.
class ParallelRun {
  public:
    ParallelRun(const TPOD& archive, const std::vector<int>& indices, const OutputFolder& target,
                const ExtractionRunOptions& options)
        : archive_(archive),
          indices_(indices),
          target_(target),
          options_(options),
          slots_(kSlotsPerWorker * std::size_t(options.jobs)),
          failedAt_(indices.size()) {}

    // The workers stop within a chunk of the entry they are writing; the entries not put in
    // place are left out.
    ~ParallelRun() {
        stop_ = true;
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        room_.notify_all();
        for (std::thread& worker : workers_) worker.join();
        // Nothing is left of the entries written but not put in place, nor their new folders.
        for (std::optional<WrittenOne>& slot : slots_)
            if (slot && slot->file) slot->file->abandon();
        for (WrittenOne& one : inHand_)
            if (one.file) one.file->abandon();
    }
    ParallelRun(const ParallelRun&) = delete;
    ParallelRun& operator=(const ParallelRun&) = delete;

    // Returns how the run ended, or, when an entry's failure would end it, that entry's
    // position with nothing after it left: another worker's entry may have taken the room it
    // lacked, so it is written again alone.
    std::variant<RunEnd, std::size_t> run(
        const std::function<bool(std::size_t)>& progress,
        const std::function<void(const ExtractedEntry&)>& report) {
        // Each worker reads through a handle and a read-ahead window of its own.
        for (int i = 0; i < options_.jobs; ++i)
            workers_.emplace_back([this, file = archive_.file().duplicate()] { work(file); });
        for (std::size_t position = 0; position < indices_.size(); ++position) {
            if (!progress(position)) return RunEnd::Cancelled;
            // While a long entry is written, progress is told again, so that a window stays
            // responsive and a cancel is seen.
            while (inHand_.empty() && !takeWritten(position)) {
                if (!progress(position)) return RunEnd::Cancelled;
            }
            std::optional<WrittenOne> one = std::move(inHand_.front());
            inHand_.pop_front();
            if (one->file) guarded(one->entry, [&] { one->file->commit(); });
            if (endsRun(one->entry, options_)) return position;
            if (one->entry.failure != EntryFailure::None) one->entry.result.reset();
            report(one->entry);
        }
        return RunEnd::Finished;
    }

  private:
    // Takes the entries written from `position` on, with one lock for all of them, waiting a
    // short while for the first; false when it is not written by then.
    bool takeWritten(std::size_t position) {
        std::unique_lock lock(mutex_);
        ++waiting_;
        const bool ready = written_.wait_for(
            lock, kProgressEvery, [&] { return slots_[position % slots_.size()].has_value(); });
        --waiting_;
        if (!ready) return false;
        for (; position < next_; ++position) {
            std::optional<WrittenOne>& slot = slots_[position % slots_.size()];
            if (!slot) break;
            if (slot->entry.result) bytesAhead_ -= slot->entry.result->written;
            inHand_.push_back(std::move(*slot));
            slot.reset();
        }
        taken_ = position;
        // Waiting workers are woken once half the room that held them back is free, not for
        // each entry.
        const std::size_t ahead = next_ - taken_;
        if (roomWaiters_ > 0 && ((2 * ahead <= slots_.size() && bytesAhead_ < kBytesAhead) ||
                                 (ahead < slots_.size() && 2 * bytesAhead_ <= kBytesAhead)))
            room_.notify_all();
        return true;
    }

    void work(const ReadOnlyFile& file) {
        std::unique_lock lock(mutex_);
        for (;;) {
            // No entry starts after one whose failure ends the run.
            ++roomWaiters_;
            room_.wait(lock, [&] {
                return closing_ || next_ >= indices_.size() || next_ > failedAt_ ||
                       (next_ < taken_ + slots_.size() && bytesAhead_ < kBytesAhead);
            });
            --roomWaiters_;
            if (closing_ || next_ >= indices_.size() || next_ > failedAt_) return;
            const std::size_t position = next_++;
            lock.unlock();
            WrittenOne one =
                writeOne(archive_, file, indices_[position], target_, options_.storedPath, stop_);
            lock.lock();
            if (endsRun(one.entry, options_)) failedAt_ = std::min(failedAt_, position);
            if (one.entry.result) bytesAhead_ += one.entry.result->written;
            slots_[position % slots_.size()] = std::move(one);
            if (waiting_ > 0) written_.notify_one();
        }
    }

    const TPOD& archive_;
    const std::vector<int>& indices_;
    const OutputFolder& target_;
    const ExtractionRunOptions& options_;

    std::mutex mutex_;
    std::condition_variable written_, room_;
    std::deque<WrittenOne> inHand_;  // taken by the calling thread, not yet put in place
    std::vector<std::optional<WrittenOne>> slots_;  // the entries written, by position
    std::size_t next_ = 0;                          // the next position a worker takes
    std::size_t taken_ = 0;                         // the positions taken by the calling thread
    std::size_t failedAt_;                          // the first position whose failure ends the run
    std::int64_t bytesAhead_ = 0;  // the bytes of the entries written, not yet put in place
    int waiting_ = 0;              // 1 while the calling thread waits for an entry
    int roomWaiters_ = 0;          // the workers waiting for a free slot
    bool closing_ = false;
    std::atomic<bool> stop_{false};  // the entries being written are abandoned
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
    std::size_t position = 0;
    bool asked = false;  // progress let the entry at `position` be put in place
    if (options.jobs > 1 && !options.picturesAsPng && indices.size() > 1) {
        const auto end = ParallelRun(archive, indices, target, options).run(progress, report);
        if (const RunEnd* ended = std::get_if<RunEnd>(&end)) return *ended;
        position = std::get<std::size_t>(end);
        asked = true;
    }
    // One after another. The pictures keep what they met across a texture pair.
    std::optional<PictureExtraction> pictures;
    if (options.picturesAsPng) pictures.emplace(archive);
    for (; position < indices.size(); ++position, asked = false) {
        if (!asked && !progress(position)) return RunEnd::Cancelled;
        ExtractedEntry entry;
        entry.index = indices[position];
        guarded(entry, [&] {
            if (!pictures) {
                entry.result = archive.Extract(entry.index, target, options.storedPath);
                entry.name = archive.catalogue()[std::size_t(entry.index)].name;
                return;
            }
            PictureExtraction::Written picture =
                pictures->extract(entry.index, target, options.storedPath);
            entry.result = std::move(picture.result);
            entry.name = std::move(picture.name);
            entry.noteFrench = std::move(picture.french);
            entry.noteEnglish = std::move(picture.english);
        });
        report(entry);
        if (endsRun(entry, options)) return RunEnd::Stopped;
    }
    return RunEnd::Finished;
}

}  // namespace kelvane
