// The playlist: entries in order (UTF-8 file paths as entered, or locations
// with "://") with the title and length known of each, the current entry, the
// selection the playlist window shows, the shuffle history, and the choice of
// the next entry for each of the four playlist messages.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/wave_device.h"

namespace tumbor {

enum class PlaylistMessage { playCurrent, goToNext, goToPrevious, playNext };

// What is known of an entry beyond its path: a title to show instead of the
// file name (empty when none), its length in seconds (-1 when unknown) and,
// when a module that fills sound buffers has read it, the buffers' format.
struct EntryDetails {
    EntryDetails() = default;
    EntryDetails(std::string title, int lengthSeconds, std::optional<platform::WaveFormat> format = std::nullopt)
        : title(std::move(title)), lengthSeconds(lengthSeconds), format(format) {}
    std::string title;
    int lengthSeconds = -1;
    std::optional<platform::WaveFormat> format;
    bool operator==(const EntryDetails& other) const {
        return title == other.title && lengthSeconds == other.lengthSeconds && format == other.format;
    }
};

struct NavigationSettings {
    bool shuffle = false;
    bool repeatX = true;   // the repeat button
    bool repeat = true;    // with repeatX: repeat even a one-entry list
};

class Playlist {
public:
    // Characters (not bytes) an entry keeps.
    static constexpr size_t kMaxEntryLength = 259;
    static constexpr size_t kShuffleHistorySize = 1024;

    Playlist();

    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    int currentIndex() const { return current_; }
    void setCurrentIndex(int index) { current_ = index; }

    // Appends one entry, cut to 259 characters.
    void append(const std::string& entry, EntryDetails details = {});
    const EntryDetails& details(size_t index) const { return details_[index]; }
    // Gives every entry the details read for its path (once per file, in one
    // pass over the list however many arrived); answers the positions of the
    // entries it changed.
    std::vector<size_t> setDetails(const std::vector<std::pair<std::string, EntryDetails>>& read);
    // The line the playlist window shows: the title (else the entry as
    // written), then the length, "Artist – Title (3:35)".
    std::string shownText(size_t index) const;
    // Empties the list; the current index goes back to 0.
    void clear();

    // Selection, one flag per entry; the caret is the list's focus item.
    bool isSelected(size_t index) const { return index < selected_.size() && selected_[index]; }
    void select(size_t index, bool selected);
    void selectOnly(size_t index);
    void selectAll();
    void selectNone();
    void invertSelection();
    int caret() const { return caret_; }
    void setCaret(int index) { caret_ = index; }

    // Deletes the selected entries, then selects the entry at the former caret
    // (or the last one when that is past the end).
    void removeSelected();
    // Swaps each selected entry with its neighbour above / below.
    void moveSelectionUp();
    void moveSelectionDown();

    // Chooses the entry a message goes to (steps before loading): next, previous,
    // or a shuffled pick, wrapping around. Returns -1 when the list is empty.
    // engineWasPlaying decides whether "playCurrent" starts a new shuffle round.
    int choose(PlaylistMessage message, bool engineWasPlaying, const NavigationSettings& settings);
    // After a successful load of entry index: whether to start playing.
    bool playsAfterLoad(PlaylistMessage message, int index, bool engineWasPlaying,
                        const NavigationSettings& settings) const;

    // Forgets which entries were played in shuffle mode (shuffle toggled).
    void clearShuffleHistory();
    // Fixes the random sequence, for tests.
    void seedRandom(uint32_t seed) { random_.seed(seed); }

private:
    int shuffledPick();
    void reseedFromClock();

    std::vector<std::string> entries_;
    std::vector<EntryDetails> details_;  // one per entry
    std::vector<uint8_t> selected_;      // one flag per entry
    int current_ = 0;
    int caret_ = 0;
    std::bitset<kShuffleHistorySize> played_;
    std::minstd_rand random_;
};

}  // namespace tumbor
