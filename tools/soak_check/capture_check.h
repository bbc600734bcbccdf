// Checks what reached the captured sound device against the renders of the
// playlist's entries: every buffer once and in order, with the device's own
// silence allowed only where it can come between buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tumbor::soak {

using Bytes = std::vector<uint8_t>;

struct SoundFormat {
    int rate = 44100;
    int channels = 2;
    int bits = 16;
    int blockAlign() const { return channels * bits / 8; }
    bool operator==(const SoundFormat& other) const {
        return rate == other.rate && channels == other.channels && bits == other.bits;
    }
    bool operator!=(const SoundFormat& other) const { return !(*this == other); }
};

// The player's buffer size for a format, by the engine's own arithmetic: 4096
// bytes up to about 33075 bytes a second, 8192 up to about 66150, 16384 up
// to about 132300, 32768 above.
int playerBufferSize(const SoundFormat& format);
// 0x80 for unsigned 8-bit sound, else 0.
uint8_t silenceByte(const SoundFormat& format);

struct ExpectedEntry {
    std::string name;
    SoundFormat format;
    // A song's render in the player's buffer size; for an endless entry (a
    // tone, skipped by a key), the generator's sound from its first sample.
    const Bytes* sound = nullptr;
    bool endless = false;
};

struct EntryResult {
    bool checked = false;
    bool matched = false;
    std::string problem;
    uint64_t captureEnd = 0;     // in its segment, where the entry's sound ends
    int gapsInside = 0;          // device silence between two of the entry's buffers
    uint64_t silenceBefore = 0;  // device silence between it and the entry before
};

// Consecutive entries of one format share one opening of the device, so one
// capture segment; each run is [first, last].
std::vector<std::pair<size_t, size_t>> formatRuns(const std::vector<ExpectedEntry>& entries);

class CaptureChecker {
public:
    // Checks one segment against the run of entries it should hold; fills
    // results[first .. last]. False at the first entry that does not match.
    bool checkSegment(const std::vector<ExpectedEntry>& entries, size_t first, size_t last,
                      const Bytes& capture, std::vector<EntryResult>& results);
    // Why the last segment failed after its entries, if it did.
    const std::string& segmentProblem() const { return segmentProblem_; }

private:
    bool matchSong(const ExpectedEntry& entry, const Bytes& capture, size_t& position, EntryResult& result);
    bool matchEndless(const ExpectedEntry& entry, const Bytes& capture, size_t& position,
                      EntryResult& result);

    // An endless generator runs on from one entry to the next: the next one
    // starts at a whole buffer at or after this byte of its sound.
    uint64_t endlessNext_ = 0;
    std::string segmentProblem_;
};

}  // namespace tumbor::soak
