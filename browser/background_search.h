#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_search.h"

namespace kelvane {

// One entry a search found, as the search window lists it.
struct SearchHit {
    std::string archivePath;  // to open it by (UTF-8 as the file system gives it)
    std::string relative;     // the archive's path from the searched folder
    std::string name;         // stored name, Windows-1252
    std::int64_t size = 0;
    std::uint32_t timestamp = 0;
    bool hasTimestamp = false;
    int index = 0;  // in the archive's directory
};

// An archive the search could not read, and why.
struct UnreadArchive {
    std::string relative;
    std::string reason;
};

// What a search has brought since it was last asked.
struct SearchNews {
    std::vector<SearchHit> hits;
    std::vector<UnreadArchive> unread;
    std::size_t searched = 0;  // archives looked into so far (a running count, not news)
    std::size_t total = 0;     // archives under the folder, once known
    bool finished = false;     // the search has ended, or been cancelled
    bool cancelled = false;
    std::string failure;  // why the folder could not be searched, when it could not
};

// A search of the archives under a folder, run on a thread of its own from construction on;
// its findings are collected until the caller takes them, so that the caller shows them in
// batches at its own pace.
class BackgroundSearch {
  public:
    using SearchFunction =
        std::function<bool(const std::string&, const EntryPatterns&, const SearchedArchiveSink&)>;

    // `patterns` are Windows-1252; failures are told in English when `english` says so.
    BackgroundSearch(std::string folder, std::vector<std::string> patterns, bool english,
                     SearchFunction search = searchArchives);
    // Cancels the search and waits for its thread.
    ~BackgroundSearch();
    BackgroundSearch(const BackgroundSearch&) = delete;
    BackgroundSearch& operator=(const BackgroundSearch&) = delete;

    // The search stops before the next archive.
    void cancel() { cancelled_ = true; }
    // The hits and unread archives found since the last call, and where the search stands.
    SearchNews take();

  private:
    void run(const std::string& folder, const EntryPatterns& patterns,
             const SearchFunction& search);
    bool collect(const SearchedArchive& searched);

    const bool english_;
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    SearchNews pending_;  // guarded by mutex_
    std::thread thread_;
};

}  // namespace kelvane
