#include "browser/background_search.h"

#include <exception>
#include <utility>

#include "archive/pod_reader.h"
#include "platform/bilingual_error.h"

namespace kelvane {

BackgroundSearch::BackgroundSearch(std::string folder, std::vector<std::string> patterns,
                                   bool english, SearchFunction search)
    : english_(english) {
    thread_ =
        std::thread([this, folder = std::move(folder), patterns = std::move(patterns),
                     search = std::move(search)] { run(folder, EntryPatterns(patterns), search); });
}

BackgroundSearch::~BackgroundSearch() {
    cancel();
    thread_.join();
}

SearchNews BackgroundSearch::take() {
    SearchNews news;
    const std::lock_guard lock(mutex_);
    news.hits.swap(pending_.hits);
    news.unread.swap(pending_.unread);
    news.searched = pending_.searched;
    news.total = pending_.total;
    news.finished = pending_.finished;
    news.cancelled = pending_.cancelled;
    news.failure = pending_.failure;
    return news;
}

void BackgroundSearch::run(const std::string& folder, const EntryPatterns& patterns,
                           const SearchFunction& search) {
    std::string failure;
    try {
        search(folder, patterns,
               [this](const SearchedArchive& searched) { return collect(searched); });
    } catch (const std::exception& error) {
        failure = textIn(error, english_);
    }
    const std::lock_guard lock(mutex_);
    pending_.finished = true;
    pending_.cancelled = cancelled_;
    pending_.failure = std::move(failure);
}

bool BackgroundSearch::collect(const SearchedArchive& searched) {
    if (cancelled_) return false;
    // The entries are copied out before taking the lock, which the window's takes share.
    std::vector<SearchHit> hits;
    hits.reserve(searched.matches.size());
    for (const int index : searched.matches) {
        const CatalogueEntry& entry = searched.archive->catalogue()[std::size_t(index)];
        hits.push_back({searched.path, searched.relative, entry.name, entry.size, entry.timestamp,
                        entry.hasTimestamp, index});
    }
    const std::lock_guard lock(mutex_);
    pending_.hits.insert(pending_.hits.end(), std::make_move_iterator(hits.begin()),
                         std::make_move_iterator(hits.end()));
    if (searched.error != nullptr)
        pending_.unread.push_back({searched.relative, textIn(*searched.error, english_)});
    ++pending_.searched;
    pending_.total = searched.archiveCount;
    return !cancelled_;
}

}  // namespace kelvane
