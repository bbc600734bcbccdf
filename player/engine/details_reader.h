// Reads the titles and lengths of playlist entries on a thread of its own,
// so the window and the sound never wait for it. Each path is read once;
// results wait until the window thread takes them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "player/engine/playlist.h"

namespace tumbor {

class DetailsReader {
public:
    // Reads one file's details; runs on the reader's thread.
    using ReadFunction = std::function<EntryDetails(const std::string& path)>;
    // Runs on the reader's thread once results wait and were not announced
    // yet (so a long list posts one message per batch, not per file).
    using ResultsWaiting = std::function<void()>;

    DetailsReader(ReadFunction read, ResultsWaiting resultsWaiting);
    // Stops after the file being read, if any.
    ~DetailsReader();
    DetailsReader(const DetailsReader&) = delete;
    DetailsReader& operator=(const DetailsReader&) = delete;

    // Queues the paths not read or queued before; locations ("://") are skipped.
    void request(const std::vector<std::string>& paths);
    // The details read since the last call, with their paths.
    std::vector<std::pair<std::string, EntryDetails>> takeResults();

private:
    void run();

    ReadFunction read_;
    ResultsWaiting resultsWaiting_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::string> queue_;
    std::unordered_set<std::string> seen_;  // every path ever queued
    std::vector<std::pair<std::string, EntryDetails>> results_;
    bool announced_ = false;  // results wait and the window was told
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// The entries of the playlist whose title or length is not known yet.
std::vector<std::string> entriesWithoutDetails(const Playlist& playlist);

}  // namespace tumbor
