// Playlist entries, selection editing and navigation.
#include "player/engine/playlist.h"

#include <chrono>
#include <cstdio>
#include <unordered_map>

#include "platform/unicode_text.h"

namespace tumbor {

Playlist::Playlist() { reseedFromClock(); }

void Playlist::append(const std::string& entry, EntryDetails details) {
    entries_.push_back(platform::firstCharacters(entry, kMaxEntryLength));
    details_.push_back(std::move(details));
    selected_.push_back(false);
}

std::vector<size_t> Playlist::setDetails(const std::vector<std::pair<std::string, EntryDetails>>& read) {
    const std::unordered_map<std::string, EntryDetails> byPath(read.begin(), read.end());
    std::vector<size_t> changed;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto found = byPath.find(entries_[i]);
        if (found == byPath.end() || details_[i] == found->second) continue;
        details_[i] = found->second;
        changed.push_back(i);
    }
    return changed;
}

std::string Playlist::shownText(size_t index) const {
    const EntryDetails& details = details_[index];
    const std::string text = details.title.empty() ? entries_[index] : details.title;
    const int seconds = details.lengthSeconds;
    if (seconds < 0) return text;
    char length[32];
    if (seconds >= 3600)
        std::snprintf(length, sizeof length, " (%d:%02d:%02d)", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(length, sizeof length, " (%d:%02d)", seconds / 60, seconds % 60);
    return text + length;
}

void Playlist::clear() {
    entries_.clear();
    details_.clear();
    selected_.clear();
    current_ = 0;
    caret_ = 0;
}

void Playlist::select(size_t index, bool selected) {
    if (index < selected_.size()) selected_[index] = selected;
}

void Playlist::selectOnly(size_t index) {
    selectNone();
    select(index, true);
    caret_ = static_cast<int>(index);
}

void Playlist::selectAll() { selected_.assign(entries_.size(), true); }
void Playlist::selectNone() { selected_.assign(entries_.size(), false); }

void Playlist::invertSelection() {
    for (size_t i = 0; i < selected_.size(); ++i) selected_[i] = !selected_[i];
}

void Playlist::removeSelected() {
    std::vector<std::string> kept;
    std::vector<EntryDetails> keptDetails;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (selected_[i]) continue;
        kept.push_back(std::move(entries_[i]));
        keptDetails.push_back(std::move(details_[i]));
    }
    entries_ = std::move(kept);
    details_ = std::move(keptDetails);
    selectNone();
    if (entries_.empty()) return;
    int last = static_cast<int>(entries_.size()) - 1;
    selectOnly(static_cast<size_t>(caret_ > last ? last : caret_ < 0 ? 0 : caret_));
}

void Playlist::moveSelectionUp() {
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (!selected_[i]) continue;
        std::swap(entries_[i], entries_[i - 1]);
        std::swap(details_[i], details_[i - 1]);
        std::swap(selected_[i], selected_[i - 1]);
    }
}

void Playlist::moveSelectionDown() {
    if (entries_.size() < 2) return;
    for (size_t i = entries_.size() - 1; i-- > 0;) {
        if (!selected_[i]) continue;
        std::swap(entries_[i], entries_[i + 1]);
        std::swap(details_[i], details_[i + 1]);
        std::swap(selected_[i], selected_[i + 1]);
    }
}

void Playlist::clearShuffleHistory() { played_.reset(); }

void Playlist::reseedFromClock() {
    random_.seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

int Playlist::shuffledPick() {
    size_t count = entries_.size();
    if (count >= kShuffleHistorySize) return static_cast<int>(random_() % count);
    bool unplayedLeft = false;
    for (size_t i = 0; i < count && !unplayedLeft; ++i) unplayedLeft = !played_[i];
    if (!unplayedLeft) {
        played_.reset();
        reseedFromClock();
    }
    size_t pick;
    do {
        pick = random_() % count;
    } while (played_[pick]);
    played_[pick] = true;
    return static_cast<int>(pick);
}

int Playlist::choose(PlaylistMessage message, bool engineWasPlaying, const NavigationSettings& settings) {
    if (entries_.empty()) return -1;
    if (message == PlaylistMessage::playCurrent && !engineWasPlaying) {
        played_.reset();
        reseedFromClock();
    }
    int index = current_;
    if (message == PlaylistMessage::goToNext || message == PlaylistMessage::playNext)
        index = settings.shuffle ? shuffledPick() : current_ + 1;
    else if (message == PlaylistMessage::goToPrevious)
        index = current_ - 1;
    int count = static_cast<int>(entries_.size());
    if (index >= count) index = 0;
    if (index < 0) index = count - 1;
    current_ = index;
    return index;
}

bool Playlist::playsAfterLoad(PlaylistMessage message, int index, bool engineWasPlaying,
                              const NavigationSettings& settings) const {
    switch (message) {
        case PlaylistMessage::playCurrent: return true;
        case PlaylistMessage::playNext:
            return index != 0 || settings.shuffle ||
                   (settings.repeatX && (entries_.size() > 1 || settings.repeat));
        case PlaylistMessage::goToNext:
        case PlaylistMessage::goToPrevious: return engineWasPlaying;
    }
    return false;
}

}  // namespace tumbor
