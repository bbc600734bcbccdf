// The background reader's queue and thread.
#include "player/engine/details_reader.h"

namespace tumbor {

DetailsReader::DetailsReader(ReadFunction read, ResultsWaiting resultsWaiting)
    : read_(std::move(read)), resultsWaiting_(std::move(resultsWaiting)), thread_([this] { run(); }) {}

DetailsReader::~DetailsReader() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DetailsReader::request(const std::vector<std::string>& paths) {
    bool added = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (const std::string& path : paths) {
            if (path.find("://") != std::string::npos || !seen_.insert(path).second) continue;
            queue_.push_back(path);
            added = true;
        }
    }
    if (added) wake_.notify_one();
}

std::vector<std::pair<std::string, EntryDetails>> DetailsReader::takeResults() {
    std::lock_guard<std::mutex> hold(lock_);
    announced_ = false;
    std::vector<std::pair<std::string, EntryDetails>> taken;
    taken.swap(results_);
    return taken;
}

void DetailsReader::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        const std::string path = std::move(queue_.front());
        queue_.pop_front();
        hold.unlock();
        EntryDetails details = read_(path);
        hold.lock();
        results_.emplace_back(path, std::move(details));
        if (announced_) continue;
        announced_ = true;
        hold.unlock();
        resultsWaiting_();
        hold.lock();
    }
}

std::vector<std::string> entriesWithoutDetails(const Playlist& playlist) {
    std::vector<std::string> paths;
    for (size_t i = 0; i < playlist.size(); ++i) {
        const EntryDetails& details = playlist.details(i);
        if (details.title.empty() || details.lengthSeconds < 0) paths.push_back(playlist.entries()[i]);
    }
    return paths;
}

}  // namespace tumbor
